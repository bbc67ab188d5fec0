#pragma once

#include <cstdint>
#include <string>

namespace nerivo::testing {

// A UDP socket on a loopback address (127.0.0.1 or ::1), at `port` or at one the system chose:
// what a chart plotter on this machine would receive. port() is 0 when the socket could not
// be had.
class UdpReceiver {
public:
    explicit UdpReceiver(const char* address = "127.0.0.1", uint16_t port = 0);
    ~UdpReceiver();
    UdpReceiver(const UdpReceiver&) = delete;
    UdpReceiver& operator=(const UdpReceiver&) = delete;

    uint16_t port() const { return port_; }
    // The next datagram, whole; empty when none came within `timeout_ms`.
    std::string receive(int timeout_ms = 1000);

private:
    intptr_t socket_ = -1;
    uint16_t port_ = 0;
};

} // namespace nerivo::testing
