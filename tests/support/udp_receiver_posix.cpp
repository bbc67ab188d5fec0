#include "udp_receiver.h"

#include <arpa/inet.h>
#include <poll.h>
#include <unistd.h>

namespace nerivo::testing {

UdpReceiver::UdpReceiver(const char* address, uint16_t port) {
    sockaddr_storage bound{};
    auto* v4 = reinterpret_cast<sockaddr_in*>(&bound);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&bound);
    socklen_t size = sizeof bound;
    if (::inet_pton(AF_INET, address, &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(port);
    } else if (::inet_pton(AF_INET6, address, &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(port);
    }
    socket_ = ::socket(bound.ss_family, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const int fd = static_cast<int>(socket_);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&bound), size) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &size) == 0) {
        port_ = ntohs(bound.ss_family == AF_INET ? v4->sin_port : v6->sin6_port);
    }
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
