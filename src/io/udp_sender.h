#pragma once

// Datagrams to one UDP target: the addresses its host name stands for, one at a time, in the
// resolver's order. The platform's sockets live in one file per platform:
// udp_sender_posix.cpp, udp_sender_win.cpp.

#include <cstddef>
#include <functional>
#include <memory>
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
    struct Backend; // a socket connected to one address, in the platform's terms
    struct BackendDeleter {
        void operator()(Backend* backend) const;
    };
    enum class Sent { YES, REFUSED, FAILED }; // REFUSED: refused or unreachable there

    // The platform's side: a socket connected to one numeric address, broadcasts allowed, or
    // null with `error` set; one datagram that never waits.
    static Backend* open_backend(const std::string& address, const std::string& port,
                                 std::string& error);
    static Sent send_datagram(Backend& backend, const std::string& datagram, std::string& error);

    std::vector<std::string> addresses_;
    std::string port_;
    std::size_t in_use_ = 0;                           // index into addresses_
    std::unique_ptr<Backend, BackendDeleter> backend_; // for addresses_[in_use_], once opened
    std::string error_;
};

} // namespace nerivo
