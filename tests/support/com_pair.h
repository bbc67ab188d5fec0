#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nerivo::testing {

// A null-modem cable between two COM ports, for Windows programs under Wine: socat joins two
// pseudo-terminals, and the test build's Wine prefix names them COM A and COM B. The code under
// test opens COM A (device_number()); the test holds COM B as the far end, and a second handle
// on COM A to see the device's queue and to fill it (Wine lets a COM port be opened twice).
// The same calls as PtyPair, so a test written against one reads the same against the other.
//
// The pairs come from the test environment: NERIVO_COM_PAIRS ("11:12,13:14"), the folder
// NERIVO_COM_LINKS the prefix's COM ports point into, and NERIVO_COM_PAIR_SCRIPT, which starts
// and ends socat on the Unix side.
//
// socat takes about 0.15 s under Wine to start and end, so a pair whose line is still up when
// its object goes is kept running, and the next object on that pair in the same test takes it
// over with nothing left on the line either way. The test programs' main ends the kept pairs
// after each test (end_kept_pairs), so no test finds a line another one used.
class ComPair {
public:
    // The line as the device reports it: the DCB's baud rate and codes.
    struct LineState {
        uint32_t baud = 0;
        uint8_t byte_size = 0;
        uint8_t parity = 0;
        uint8_t stop_bits = 0;
    };

    // The first pair not in use.
    ComPair();
    // The pair whose device end is COM `device_number`.
    explicit ComPair(int32_t device_number);
    ~ComPair();
    ComPair(const ComPair&) = delete;
    ComPair& operator=(const ComPair&) = delete;

    int32_t device_number() const { return device_; }
    int32_t far_number() const { return far_; }
    // The Windows name of the device end, \\.\COMn.
    std::string device_path() const;

    // Writes every byte at the far end; false when the line would not take them in time.
    bool write(const void* data, std::size_t size, int timeout_ms = 1000);
    bool write(std::string_view text) { return write(text.data(), text.size()); }
    bool write(const std::vector<uint8_t>& bytes) { return write(bytes.data(), bytes.size()); }

    // Reads at the far end until `count` bytes arrived or `timeout_ms` passed.
    std::vector<uint8_t> read(std::size_t count, int timeout_ms = 1000);
    // Reads at the far end until the line has been quiet for `quiet_ms`.
    std::vector<uint8_t> drain(int quiet_ms = 50, int timeout_ms = 2000);

    // Bytes queued at the device, not yet read by the code under test.
    std::size_t pending_at_device() const;
    // Waits until at least `count` bytes are queued at the device.
    bool wait_pending_at_device(std::size_t count, int timeout_ms = 1000) const;

    // Fills the line from the device towards the far end, which does not read, so that writes
    // by the code under test wait (a stalled peer). Returns the bytes it took.
    std::size_t stall_far_end();
    // stall_far_end(), repeated until a pass takes nothing after `settle_ms`.
    std::size_t stall_far_end_settled(int settle_ms = 50);

    // Ends socat, as when a cable or USB adapter is pulled: the device end is left hung up.
    void close_master();
    // A new line on the same two COM numbers, as when the adapter is plugged back in: socat
    // starts again, and nothing of the old line is left.
    void plug_in_again();

    LineState device_line() const;

    // Ends the pairs kept running for reuse.
    static void end_kept_pairs();

private:
    void take(std::size_t slot);
    void start();
    bool clear_line();
    void stop();

    int32_t device_ = 0;
    int32_t far_ = 0;
    std::size_t slot_ = 0;
    std::string links_;
    bool running_ = false;
    intptr_t far_end_ = -1;    // COM B, the far end's own port
    intptr_t device_end_ = -1; // a second handle on COM A
};

} // namespace nerivo::testing
