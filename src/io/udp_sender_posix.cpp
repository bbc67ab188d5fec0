#include "udp_sender.h"

#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

namespace nerivo {
namespace {

// A host's datagram addresses, or null with `error` set.
addrinfo* find_addresses(const char* host, const char* port, int flags, std::string& error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_flags = flags;
    addrinfo* found = nullptr;
    if (const int failed = ::getaddrinfo(host, port, &hints, &found); failed != 0) {
        error = failed == EAI_SYSTEM ? std::strerror(errno) : ::gai_strerror(failed);
        return nullptr;
    }
    return found;
}

} // namespace

HostAddresses system_host_lookup(const std::string& host) {
    HostAddresses result;
    addrinfo* found = find_addresses(host.c_str(), nullptr, 0, result.error);
    for (const addrinfo* each = found; each != nullptr; each = each->ai_next) {
        char text[NI_MAXHOST];
        if (::getnameinfo(each->ai_addr, each->ai_addrlen, text, sizeof text, nullptr, 0,
                          NI_NUMERICHOST) == 0) {
            result.addresses.emplace_back(text);
        }
    }
    if (found != nullptr) {
        ::freeaddrinfo(found);
    }
    return result;
}

// Connected, so that the system tells a refused or unreachable address on a later send. The
// address is numeric: no name server is asked here.
std::intptr_t UdpSender::open_socket(const std::string& address, const std::string& port,
                                     std::string& error) {
    addrinfo* found =
        find_addresses(address.c_str(), port.c_str(), AI_NUMERICHOST | AI_NUMERICSERV, error);
    const int fd = found != nullptr ? ::socket(found->ai_family, SOCK_DGRAM | SOCK_CLOEXEC, 0) : -1;
    const int on = 1;
    const bool opened = fd >= 0 &&
                        ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) == 0 &&
                        ::connect(fd, found->ai_addr, found->ai_addrlen) == 0;
    if (found != nullptr && !opened) {
        error = std::strerror(errno);
    }
    if (fd >= 0 && !opened) {
        ::close(fd);
    }
    if (found != nullptr) {
        ::freeaddrinfo(found);
    }
    return opened ? fd : NO_SOCKET;
}

void UdpSender::close_socket(std::intptr_t socket) {
    ::close(static_cast<int>(socket));
}

UdpSender::Sent UdpSender::send_datagram(std::intptr_t socket, const std::string& datagram,
                                         std::string& error) {
    // Never waits: a datagram the system cannot take now is dropped, as the network would.
    const ssize_t sent = ::send(static_cast<int>(socket), datagram.data(), datagram.size(),
                                MSG_DONTWAIT | MSG_NOSIGNAL);
    if (sent == static_cast<ssize_t>(datagram.size())) {
        return Sent::YES;
    }
    const int failed = errno;
    error = std::strerror(failed);
    switch (failed) {
    case ECONNREFUSED: // an earlier datagram met a closed port there
    case EHOSTUNREACH:
    case ENETUNREACH:
    case EHOSTDOWN:
    case ENETDOWN:
        return Sent::REFUSED;
    default:
        return Sent::FAILED;
    }
}

} // namespace nerivo
