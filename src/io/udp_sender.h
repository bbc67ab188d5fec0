#pragma once

// Datagrams to one host and port, by name or address (IPv4, IPv6, a broadcast address). The
// platform's sockets live in one file per platform: udp_sender_posix.cpp, udp_sender_win.cpp.

#include <memory>
#include <string>

namespace nerivo {

class UdpSender {
public:
    UdpSender();
    ~UdpSender();
    UdpSender(const UdpSender&) = delete;
    UdpSender& operator=(const UdpSender&) = delete;

    // Looks the host up (which may wait on a name server) and makes a socket for the first
    // address found, broadcasts allowed. False when either failed; last_error() says why.
    [[nodiscard]] bool open(const std::string& host, const std::string& port);
    bool is_open() const { return backend_ != nullptr; }
    // One datagram; false when it did not go out, last_error() saying why.
    [[nodiscard]] bool send(const std::string& datagram);

    // The system's own words for the last failure.
    const std::string& last_error() const { return error_; }

private:
    struct Backend; // the socket and the address, in the platform's terms
    struct BackendDeleter {
        void operator()(Backend* backend) const;
    };
    // The platform's side: a socket for the host's first address, or null with `error` set;
    // one datagram that never waits, or false with `error` set.
    static Backend* open_backend(const std::string& host, const std::string& port,
                                 std::string& error);
    static bool send_datagram(Backend& backend, const std::string& datagram, std::string& error);

    std::unique_ptr<Backend, BackendDeleter> backend_; // null until opened
    std::string error_;
};

} // namespace nerivo
