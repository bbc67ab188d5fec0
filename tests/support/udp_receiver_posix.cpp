#include "udp_receiver.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace nerivo::testing {

UdpReceiver::UdpReceiver() {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
        port_ = ntohs(address.sin_port);
    }
    socket_ = fd;
}

UdpReceiver::~UdpReceiver() {
    if (socket_ >= 0) {
        ::close(static_cast<int>(socket_));
    }
}

std::string UdpReceiver::receive(int timeout_ms) {
    pollfd p{static_cast<int>(socket_), POLLIN, 0};
    char buffer[65536];
    if (::poll(&p, 1, timeout_ms) != 1) {
        return {};
    }
    const ssize_t n = ::recv(static_cast<int>(socket_), buffer, sizeof buffer, 0);
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

} // namespace nerivo::testing
