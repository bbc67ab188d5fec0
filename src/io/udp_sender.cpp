#include "udp_sender.h"

namespace nerivo {

UdpSender::UdpSender() = default;
UdpSender::~UdpSender() = default;

bool UdpSender::open(const std::string& host, const std::string& port) {
    backend_.reset(open_backend(host, port, error_));
    if (!backend_) {
        return false;
    }
    error_.clear();
    return true;
}

bool UdpSender::send(const std::string& datagram) {
    if (!backend_ || !send_datagram(*backend_, datagram, error_)) {
        return false;
    }
    error_.clear();
    return true;
}

} // namespace nerivo
