#include "udp_sender.h"

#include <cstring>

#include "windows_api.h"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace nerivo {
namespace {

// Windows' words, without the full stop, as the POSIX resolver words them.
std::string system_text(int code) {
    std::string result = windows_error_text(static_cast<DWORD>(code));
    while (!result.empty() && (result.back() == ' ' || result.back() == '.')) {
        result.pop_back();
    }
    return result;
}

// Winsock is started once for the process and left to its end.
int winsock_started() {
    static const int failed = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data);
    }();
    return failed;
}

} // namespace

struct UdpSender::Backend {
    SOCKET socket = INVALID_SOCKET;
    sockaddr_storage address{};
    int address_size = 0;

    ~Backend() {
        if (socket != INVALID_SOCKET) {
            closesocket(socket);
        }
    }
};

void UdpSender::BackendDeleter::operator()(Backend* backend) const {
    delete backend;
}

UdpSender::Backend* UdpSender::open_backend(const std::string& host, const std::string& port,
                                            std::string& error) {
    if (const int failed = winsock_started(); failed != 0) {
        error = system_text(failed);
        return nullptr;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (const int failed = getaddrinfo(host.c_str(), port.c_str(), &hints, &found); failed != 0) {
        error = system_text(failed);
        return nullptr;
    }
    auto backend = std::unique_ptr<Backend, BackendDeleter>(new Backend);
    std::memcpy(&backend->address, found->ai_addr, found->ai_addrlen);
    backend->address_size = static_cast<int>(found->ai_addrlen);
    backend->socket = ::socket(found->ai_family, SOCK_DGRAM, IPPROTO_UDP);
    freeaddrinfo(found);
    const BOOL on = TRUE;
    u_long no_wait = 1;
    if (backend->socket == INVALID_SOCKET ||
        setsockopt(backend->socket, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&on),
                   sizeof on) != 0 ||
        ioctlsocket(backend->socket, FIONBIO, &no_wait) != 0) {
        error = system_text(WSAGetLastError());
        return nullptr;
    }
    return backend.release();
}

bool UdpSender::send_datagram(Backend& backend, const std::string& datagram, std::string& error) {
    // Never waits (the socket does not block): a datagram the system cannot take now is
    // dropped, as the network would.
    const int sent =
        sendto(backend.socket, datagram.data(), static_cast<int>(datagram.size()), 0,
               reinterpret_cast<const sockaddr*>(&backend.address), backend.address_size);
    if (sent != static_cast<int>(datagram.size())) {
        error = system_text(WSAGetLastError());
        return false;
    }
    return true;
}

} // namespace nerivo
