#include "udp_receiver.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <winsock2.h>

namespace nerivo::testing {

UdpReceiver::UdpReceiver() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    const SOCKET s = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof address;
    if (s != INVALID_SOCKET && bind(s, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
        port_ = ntohs(address.sin_port);
    }
    socket_ = static_cast<intptr_t>(s);
}

UdpReceiver::~UdpReceiver() {
    closesocket(static_cast<SOCKET>(socket_));
    WSACleanup();
}

std::string UdpReceiver::receive(int timeout_ms) {
    const auto s = static_cast<SOCKET>(socket_);
    fd_set ready;
    FD_ZERO(&ready);
    FD_SET(s, &ready);
    timeval wait{timeout_ms / 1000, timeout_ms % 1000 * 1000};
    char buffer[65536];
    if (select(0, &ready, nullptr, nullptr, &wait) != 1) {
        return {};
    }
    const int n = recv(s, buffer, sizeof buffer, 0);
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

} // namespace nerivo::testing
