#pragma once

// The port against a real line on either platform: a cable on one COM number, whose far end
// (a pseudo-terminal's master, or the far port of a COM pair under Wine) the test holds.
#include "serial_port.h"

#include <chrono>
#include <cstdint>
#include <numeric>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "com_cables.h"

namespace nerivo::testing {

using Clock = std::chrono::steady_clock;

inline long elapsed_ms(Clock::time_point since) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

inline std::vector<uint8_t> pattern(std::size_t size, uint8_t first) {
    std::vector<uint8_t> bytes(size);
    std::iota(bytes.begin(), bytes.end(), first);
    return bytes;
}

// The system's words for an error, as the station puts them into a log line: no line end.
inline bool plain_text(const std::string& text) {
    return !text.empty() && text.back() != '\n' && text.back() != '\r';
}

// Gives the line a terminal's cooked settings (echo, CR/LF translation, flow control), so
// that a port which kept them would change bytes. Each platform's test file defines it.
void make_line_cooked(FarEnd& line);

class SerialPortTest : public ::testing::Test {
protected:
    // One of the COM pairs the Windows tests have; any number on POSIX.
    static constexpr int32_t COM = 11;

    bool open_default() {
        return port.open(COM, 9600, SerialPort::PARITY_NONE, 8, SerialPort::STOP_BITS_ONE);
    }

    // Reads through the port until `count` bytes came or the peer's bytes stopped arriving.
    std::vector<uint8_t> read_from_port(std::size_t count) {
        std::vector<uint8_t> out;
        while (out.size() < count && line.wait_pending_at_device(1)) {
            uint8_t buffer[512];
            const int32_t n = port.read(buffer, static_cast<int32_t>(sizeof buffer));
            if (n <= 0) {
                break;
            }
            out.insert(out.end(), buffer, buffer + n);
        }
        return out;
    }

    ComCables cables;
    FarEnd& line = cables.plug(COM);
    SerialPort port;
};

} // namespace nerivo::testing
