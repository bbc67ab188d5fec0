#include "udp_receiver.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <winsock2.h>

namespace nerivo::testing {

UdpReceiver::UdpReceiver() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    socket_ = static_cast<intptr_t>(::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof address;
    bind(static_cast<SOCKET>(socket_), reinterpret_cast<sockaddr*>(&address), size);
    getsockname(static_cast<SOCKET>(socket_), reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);
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
