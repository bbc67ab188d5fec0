#include "udp_receiver.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <winsock2.h>
#include <ws2tcpip.h>

namespace nerivo::testing {

UdpReceiver::UdpReceiver(const char* address, uint16_t port) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    sockaddr_storage bound{};
    auto* v4 = reinterpret_cast<sockaddr_in*>(&bound);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&bound);
    int size = 0;
    if (inet_pton(AF_INET, address, &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(port);
        size = sizeof *v4;
    } else if (inet_pton(AF_INET6, address, &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(port);
        size = sizeof *v6;
    }
    socket_ = static_cast<intptr_t>(::socket(bound.ss_family, SOCK_DGRAM, IPPROTO_UDP));
    const auto s = static_cast<SOCKET>(socket_);
    if (bind(s, reinterpret_cast<sockaddr*>(&bound), size) == 0 &&
        getsockname(s, reinterpret_cast<sockaddr*>(&bound), &size) == 0) {
        port_ = ntohs(bound.ss_family == AF_INET ? v4->sin_port : v6->sin6_port);
    }
}

UdpReceiver::~UdpReceiver() {
    closesocket(static_cast<SOCKET>(socket_));
    WSACleanup();
}

std::string UdpReceiver::receive(int timeout_ms) {
    fd_set ready;
    FD_ZERO(&ready);
    FD_SET(static_cast<SOCKET>(socket_), &ready);
    timeval wait{timeout_ms / 1000, timeout_ms % 1000 * 1000};
    char buffer[65536];
    const int n = select(0, &ready, nullptr, nullptr, &wait) == 1
                      ? recv(static_cast<SOCKET>(socket_), buffer, sizeof buffer, 0)
                      : 0;
    return std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
}

} // namespace nerivo::testing
