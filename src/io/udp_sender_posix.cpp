#include "udp_sender.h"

#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

namespace nerivo {

struct UdpSender::Backend {
    int socket = -1;
    sockaddr_storage address{};
    socklen_t address_size = 0;

    ~Backend() {
        if (socket >= 0) {
            ::close(socket);
        }
    }
};

void UdpSender::BackendDeleter::operator()(Backend* backend) const {
    delete backend;
}

UdpSender::Backend* UdpSender::open_backend(const std::string& host, const std::string& port,
                                            std::string& error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (const int failed = ::getaddrinfo(host.c_str(), port.c_str(), &hints, &found); failed != 0) {
        error = failed == EAI_SYSTEM ? std::strerror(errno) : ::gai_strerror(failed);
        return nullptr;
    }
    auto backend = std::unique_ptr<Backend, BackendDeleter>(new Backend);
    std::memcpy(&backend->address, found->ai_addr, found->ai_addrlen);
    backend->address_size = found->ai_addrlen;
    backend->socket = ::socket(found->ai_family, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ::freeaddrinfo(found);
    const int on = 1;
    if (backend->socket < 0 ||
        ::setsockopt(backend->socket, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) {
        error = std::strerror(errno);
        return nullptr;
    }
    return backend.release();
}

bool UdpSender::send_datagram(Backend& backend, const std::string& datagram, std::string& error) {
    // Never waits: a datagram the system cannot take now is dropped, as the network would.
    const ssize_t sent =
        ::sendto(backend.socket, datagram.data(), datagram.size(), MSG_DONTWAIT | MSG_NOSIGNAL,
                 reinterpret_cast<const sockaddr*>(&backend.address), backend.address_size);
    if (sent != static_cast<ssize_t>(datagram.size())) {
        error = std::strerror(errno);
        return false;
    }
    return true;
}

} // namespace nerivo
