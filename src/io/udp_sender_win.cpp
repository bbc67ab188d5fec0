#include "udp_sender.h"

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

// A host's datagram addresses, or null with `error` set.
addrinfo* find_addresses(const char* host, const char* port, int flags, std::string& error) {
    if (const int failed = winsock_started(); failed != 0) {
        error = system_text(failed);
        return nullptr;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_flags = flags;
    addrinfo* found = nullptr;
    if (const int failed = getaddrinfo(host, port, &hints, &found); failed != 0) {
        error = system_text(failed);
        return nullptr;
    }
    return found;
}

bool refused_or_unreachable(int code) {
    switch (code) {
    case WSAECONNREFUSED:
    case WSAECONNRESET: // how Windows tells an earlier datagram that met a closed port
    case WSAEHOSTUNREACH:
    case WSAENETUNREACH:
    case WSAEHOSTDOWN:
    case WSAENETDOWN:
        return true;
    default:
        return false;
    }
}

// A closed port or an unreachable host met by an earlier datagram is not told to the next
// send: Windows tells it to a receive (nothing else is read from this socket), Wine to
// SO_ERROR.
int pending_error(SOCKET socket) {
    int code = 0;
    int size = sizeof code;
    if (getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&code), &size) == 0 &&
        code != 0) {
        return code;
    }
    char ignored;
    return recv(socket, &ignored, 1, 0) == SOCKET_ERROR ? WSAGetLastError() : 0;
}

} // namespace

HostAddresses system_host_lookup(const std::string& host) {
    HostAddresses result;
    addrinfo* found = find_addresses(host.c_str(), nullptr, 0, result.error);
    for (const addrinfo* each = found; each != nullptr; each = each->ai_next) {
        char text[NI_MAXHOST];
        if (getnameinfo(each->ai_addr, static_cast<socklen_t>(each->ai_addrlen), text, sizeof text,
                        nullptr, 0, NI_NUMERICHOST) == 0) {
            result.addresses.emplace_back(text);
        }
    }
    if (found != nullptr) {
        freeaddrinfo(found);
    }
    return result;
}

// Connected, so that the system tells a refused or unreachable address afterwards. The
// address is numeric: no name server is asked here.
std::intptr_t UdpSender::open_socket(const std::string& address, const std::string& port,
                                     std::string& error) {
    addrinfo* found =
        find_addresses(address.c_str(), port.c_str(), AI_NUMERICHOST | AI_NUMERICSERV, error);
    const SOCKET sock =
        found != nullptr ? ::socket(found->ai_family, SOCK_DGRAM, IPPROTO_UDP) : INVALID_SOCKET;
    const BOOL on = TRUE;
    u_long no_wait = 1;
    const bool opened = sock != INVALID_SOCKET &&
                        setsockopt(sock, SOL_SOCKET, SO_BROADCAST,
                                   reinterpret_cast<const char*>(&on), sizeof on) == 0 &&
                        ioctlsocket(sock, FIONBIO, &no_wait) == 0 &&
                        connect(sock, found->ai_addr, static_cast<int>(found->ai_addrlen)) == 0;
    if (found != nullptr && !opened) {
        error = system_text(WSAGetLastError());
    }
    if (sock != INVALID_SOCKET && !opened) {
        closesocket(sock);
    }
    if (found != nullptr) {
        freeaddrinfo(found);
    }
    return opened ? static_cast<std::intptr_t>(sock) : NO_SOCKET;
}

void UdpSender::close_socket(std::intptr_t socket) {
    closesocket(static_cast<SOCKET>(socket));
}

UdpSender::Sent UdpSender::send_datagram(std::intptr_t handle, const std::string& datagram,
                                         std::string& error) {
    const auto socket = static_cast<SOCKET>(handle);
    if (const int code = pending_error(socket); refused_or_unreachable(code)) {
        error = system_text(code);
        return Sent::REFUSED;
    }
    // Never waits (the socket does not block): a datagram the system cannot take now is
    // dropped, as the network would.
    const int sent = ::send(socket, datagram.data(), static_cast<int>(datagram.size()), 0);
    if (sent == static_cast<int>(datagram.size())) {
        return Sent::YES;
    }
    const int code = WSAGetLastError();
    error = system_text(code);
    return refused_or_unreachable(code) ? Sent::REFUSED : Sent::FAILED;
}

} // namespace nerivo
