#pragma once

// Reading the device end of a pseudo-terminal, where the station would sit.

#include <chrono>
#include <cstdint>
#include <poll.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace nerivo::testing {

// Reads until `count` bytes came or the line stayed quiet for `quiet_ms`.
inline std::vector<uint8_t> read_device(int fd, std::size_t count, int quiet_ms = 200) {
    std::vector<uint8_t> out;
    while (out.size() < count) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, quiet_ms) <= 0) {
            break;
        }
        uint8_t buffer[1024];
        const ssize_t n = ::read(fd, buffer, std::min(sizeof buffer, count - out.size()));
        if (n <= 0) {
            break;
        }
        out.insert(out.end(), buffer, buffer + n);
    }
    return out;
}

// Reads one line ending in "\n", or what came before the line went quiet.
inline std::string read_line(int fd, int quiet_ms = 200) {
    std::string out;
    while (out.empty() || out.back() != '\n') {
        const std::vector<uint8_t> byte = read_device(fd, 1, quiet_ms);
        if (byte.empty()) {
            break;
        }
        out += static_cast<char>(byte[0]);
    }
    return out;
}

// Whatever else arrives within `quiet_ms`.
inline std::vector<uint8_t> read_rest(int fd, int quiet_ms = 50) {
    return read_device(fd, SIZE_MAX, quiet_ms);
}

// Fills the line from `master_fd` towards a device nobody reads, until it takes no more.
// The kernel moves bytes along a little later, so keep at it until a wait brings no room.
inline std::size_t fill_towards_device(int master_fd) {
    std::vector<uint8_t> filler(4096, 'x');
    std::size_t taken = 0;
    for (;;) {
        ssize_t n;
        while ((n = ::write(master_fd, filler.data(), filler.size())) > 0) {
            taken += static_cast<std::size_t>(n);
        }
        pollfd p{master_fd, POLLOUT, 0};
        if (poll(&p, 1, 50) <= 0) {
            return taken;
        }
    }
}

} // namespace nerivo::testing
