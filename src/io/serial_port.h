#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace nerivo {

// Why a call failed, in the terms a caller can act on.
enum class SerialError {
    NONE,
    DEVICE_NOT_FOUND, // no such port, or nothing behind its name
    PERMISSION,       // the account may not use the device
    IN_USE,           // another program (or link) holds it
    UNSUPPORTED,      // a line setting the device cannot do
    NOT_OPEN,         // the call needs an open port
    TIMEOUT,          // the device took no byte in time
    DEVICE_GONE,      // unplugged, or the far end hung up
    OTHER,
};

struct SerialErrorInfo {
    SerialError kind = SerialError::NONE;
    std::string text; // the system's own words, e.g. "Permission denied"
};

} // namespace nerivo

// <windows.h> defines PARITY_NONE and its kin as macros; a file that included it first must
// still see the constants below, so the macros are set aside for the class and put back after.
#pragma push_macro("PARITY_NONE")
#pragma push_macro("PARITY_ODD")
#pragma push_macro("PARITY_EVEN")
#pragma push_macro("PARITY_MARK")
#pragma push_macro("PARITY_SPACE")
#undef PARITY_NONE
#undef PARITY_ODD
#undef PARITY_EVEN
#undef PARITY_MARK
#undef PARITY_SPACE

namespace nerivo {

// One serial link, opened by COM port number. No call waits on the device: a write hands it
// what it takes now, and a read never asks for more than is waiting.
// The platform side lives in one backend file: serial_port_posix.cpp or serial_port_win.cpp.
class SerialPort {
public:
    // Line-setting codes, as the callers pass them.
    static constexpr uint8_t PARITY_NONE = 0;
    static constexpr uint8_t PARITY_ODD = 1;
    static constexpr uint8_t PARITY_EVEN = 2;
    static constexpr uint8_t PARITY_MARK = 3;
    static constexpr uint8_t PARITY_SPACE = 4;
    static constexpr uint8_t STOP_BITS_ONE = 0;
    static constexpr uint8_t STOP_BITS_ONE_AND_HALF = 1; // not every platform has it
    static constexpr uint8_t STOP_BITS_TWO = 2;

    SerialPort() = default;
    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;
    // A port opened elsewhere (on another thread) is handed over whole.
    SerialPort(SerialPort&&) noexcept = default;
    SerialPort& operator=(SerialPort&&) noexcept = default;

    // True when the port is open afterwards. On an open port it changes nothing and the first
    // settings stay. An unknown port, a device held by another opener, or a setting the
    // device does not support make it fail, with nothing left open.
    [[nodiscard]] bool open(int32_t port_number, uint32_t baud, uint8_t parity, uint8_t byte_size,
                            uint8_t stop_bits);
    // Always true.
    bool close();
    // Hands the device as many of the bytes as it takes now, from the first on, in one write,
    // and returns how many it took: the rest is for a later call, so the far end never sees a
    // hole. 0 when it takes none now; 0 with last_error() set when it failed. A device that
    // takes bytes only later (a Windows driver's write in progress) keeps them and counts them
    // once it has: until then the call returns 0, and the caller offers the same bytes again.
    [[nodiscard]] int32_t send(const uint8_t* data, int32_t length);
    // Bytes in the device's input queue; 0 when closed, when the device will not say, or when
    // it has gone (last_error() then says DEVICE_GONE).
    uint32_t bytes_waiting() const;
    // Reads at most min(limit, bytes_waiting()) bytes without waiting; 0 on any failure.
    [[nodiscard]] int32_t read(uint8_t* buffer, int32_t limit);

    bool is_open() const { return backend_ != nullptr; }
    // True while the device holds bytes of a send it has not counted yet: they must be offered
    // again, unchanged.
    bool write_in_progress() const;
    // Stops a write in progress and returns how many of its bytes the device took: the rest
    // is the caller's again. 0 when there is none.
    int32_t cancel_write();

    // Why the last call failed; kind NONE when it succeeded. Every call sets it.
    const SerialErrorInfo& last_error() const { return error_; }

private:
    // Every failure goes through here: the platform's error code becomes a kind and a text.
    void set_system_error(int code) const;
    void clear_error() const { error_ = SerialErrorInfo{}; }
    // The backend's read of `count` bytes the device said are waiting (count > 0), and its
    // write of what the device takes now of `length` bytes (length > 0; NOT_OPEN when closed).
    int32_t read_waiting(uint8_t* buffer, uint32_t count);
    int32_t write_now(const uint8_t* data, int32_t length);

    // The platform's device and whatever its I/O needs (a descriptor; or a handle and two
    // events): defined in the backend file, so this header shows no platform.
    struct Backend;
    struct BackendDeleter {
        void operator()(Backend* backend) const;
    };

    std::unique_ptr<Backend, BackendDeleter> backend_; // null while closed
    mutable SerialErrorInfo error_;
};

} // namespace nerivo

#pragma pop_macro("PARITY_SPACE")
#pragma pop_macro("PARITY_MARK")
#pragma pop_macro("PARITY_EVEN")
#pragma pop_macro("PARITY_ODD")
#pragma pop_macro("PARITY_NONE")
