#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nerivo::testing {

// A pseudo-terminal pair standing in for a serial cable. The test holds the master end (the
// navigation package or the vehicle); the code under test opens the slave by its path, as
// it would a serial device. The pair keeps its own slave descriptor open so the line stays
// up between opens, and starts in raw mode.
class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    const std::string& device_path() const { return device_path_; }
    int master_fd() const { return master_; }
    int slave_fd() const { return slave_; }

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
    // Waits until at least `count` bytes are queued at the device. Bytes written at the far
    // end take a few milliseconds to show there.
    bool wait_pending_at_device(std::size_t count, int timeout_ms = 1000) const;

    // Fills the device-to-far-end buffer, so that writes by the code under test block until
    // the far end reads (a stalled peer). Returns the number of bytes it took.
    std::size_t stall_far_end();
    // stall_far_end(), repeated until the line has refused bytes for `settle_ms`. The kernel
    // moves bytes on towards the far end a moment after a write, so a buffer that was full
    // once may take a few thousand more; a test that needs the stall to last uses this.
    std::size_t stall_far_end_settled(int settle_ms = 50);

    // Hangs up the far end, as when a cable or USB adapter is pulled.
    void close_master();

private:
    int master_ = -1;
    int slave_ = -1;
    std::string device_path_;
};

} // namespace nerivo::testing
