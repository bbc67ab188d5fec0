#include "udp_sender.h"

#include <utility>

namespace nerivo {
namespace {

HostLookup& installed_lookup() {
    static HostLookup lookup;
    return lookup;
}

} // namespace

HostLookup host_lookup() {
    const HostLookup& installed = installed_lookup();
    if (installed) {
        return installed;
    }
    return [](const std::string& host) {
        HostAddresses found = system_host_lookup(host);
        if (found.addresses.empty() && found.error.empty()) {
            found.error = "no address";
        }
        return found;
    };
}

void set_host_lookup(HostLookup lookup) {
    installed_lookup() = std::move(lookup);
}

UdpSender::UdpSender(std::vector<std::string> addresses, std::string port)
    : addresses_(std::move(addresses)), port_(std::move(port)) {
    if (addresses_.empty()) {
        error_ = "no address";
    }
}

UdpSender::~UdpSender() {
    if (socket_ != NO_SOCKET) {
        close_socket(socket_);
    }
}

// A refused address is left for good: the next lookup starts from the first again.
bool UdpSender::send(const std::string& datagram) {
    while (in_use_ < addresses_.size()) {
        if (socket_ == NO_SOCKET) {
            socket_ = open_socket(addresses_[in_use_], port_, error_);
        }
        if (socket_ != NO_SOCKET) {
            const Sent sent = send_datagram(socket_, datagram, error_);
            if (sent == Sent::YES) {
                error_.clear();
                return true;
            }
            if (sent == Sent::FAILED) {
                return false;
            }
            close_socket(socket_);
            socket_ = NO_SOCKET;
        }
        ++in_use_;
    }
    return false;
}

} // namespace nerivo
