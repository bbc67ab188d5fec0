#pragma once

// Datagrams to one UDP target: the addresses its host name stands for, one at a time, in the
// resolver's order. The platform's sockets live in one file per platform:
// udp_sender_posix.cpp, udp_sender_win.cpp.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace nerivo {

// What a lookup of a host found: its addresses as numeric text (IPv4, IPv6), in the
// resolver's order; or none, and the system's words for why.
struct HostAddresses {
    std::vector<std::string> addresses;
    std::string error;
};

// Looks a host up by name or address. It may wait on a name server for seconds, so it never
// runs on the window's thread.
using HostLookup = std::function<HostAddresses(const std::string& host)>;

// The system's resolver: names from the hosts file or a name server, numeric addresses as
// they are.
HostAddresses system_host_lookup(const std::string& host);

// The lookup in use: the system's resolver, unless a test put its own in. Read and replaced
// on the window's thread only; a lookup thread keeps its own copy.
HostLookup host_lookup();
// Replaces it; an empty function brings back the system's.
void set_host_lookup(HostLookup lookup);

class UdpSender {
public:
    // To `addresses` (numeric, as a lookup gives them) at `port`, the first one first.
    UdpSender(std::vector<std::string> addresses, std::string port);
    ~UdpSender();
    UdpSender(const UdpSender&) = delete;
    UdpSender& operator=(const UdpSender&) = delete;

    // One datagram, to one address: the one in use, or, when that one is refused or
    // unreachable, the next that takes it, which stays in use. Never waits. False when it did
    // not go out, last_error() saying why; once every address has failed, nothing goes out.
    [[nodiscard]] bool send(const std::string& datagram);

    // The system's own words for the last failure.
    const std::string& last_error() const { return error_; }

private:
    enum class Sent { YES, REFUSED, FAILED }; // REFUSED: refused or unreachable there
    static constexpr std::intptr_t NO_SOCKET = -1;

    // The platform's side, a socket being a descriptor or a handle: one connected to a numeric
    // address, broadcasts allowed, or NO_SOCKET with `error` set; one datagram that never
    // waits; and the socket closed.
    static std::intptr_t open_socket(const std::string& address, const std::string& port,
                                     std::string& error);
    static Sent send_datagram(std::intptr_t socket, const std::string& datagram,
                              std::string& error);
    static void close_socket(std::intptr_t socket);

    std::vector<std::string> addresses_;
    std::string port_;
    std::size_t in_use_ = 0;           // index into addresses_
    std::intptr_t socket_ = NO_SOCKET; // to addresses_[in_use_], once opened
    std::string error_;
};

} // namespace nerivo
