#include "udp_receiver.h"

#include <arpa/inet.h>
#include <poll.h>
#include <unistd.h>

namespace nerivo::testing {

UdpReceiver::UdpReceiver() : socket_(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ::bind(static_cast<int>(socket_), reinterpret_cast<sockaddr*>(&address), size);
    ::getsockname(static_cast<int>(socket_), reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);
}

UdpReceiver::~UdpReceiver() {
    ::close(static_cast<int>(socket_));
}

std::string UdpReceiver::receive(int timeout_ms) {
    pollfd p{static_cast<int>(socket_), POLLIN, 0};
    char buffer[65536];
    const ssize_t n = ::poll(&p, 1, timeout_ms) == 1 ? ::recv(p.fd, buffer, sizeof buffer, 0) : 0;
    return std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
}

} // namespace nerivo::testing
