#include "nmea_output.h"

#include "nmea_sentences.h"

#include <mutex>
#include <optional>
#include <thread>

namespace nerivo {

struct NmeaOutput::Lookup {
    std::mutex mutex;
    std::optional<HostAddresses> found; // once the resolver has answered
};

NmeaOutput::NmeaOutput(StationView& view, EventLog& log, const std::vector<NmeaTarget>& targets,
                       std::string label)
    : view_(view), log_(log), label_(std::move(label)) {
    for (const NmeaTarget& where : targets) {
        auto target = std::make_unique<Target>();
        target->where = where;
        target->link_name = "NMEA " + where.text;
        targets_.push_back(std::move(target));
    }
}

// A lookup still running is left to finish on its own; it keeps what it needs alive.
NmeaOutput::~NmeaOutput() = default;

void NmeaOutput::start() {
    for (const auto& target : targets_) {
        const NmeaTarget& where = target->where;
        if (where.host.empty()) {
            target->link = std::make_unique<Link>(
                view_, log_,
                Link::Names{target->link_name.c_str(), Link::NO_CONTROL, Link::NO_CONTROL, nullptr},
                [] {}, where.baud);
            if (!target->link->keep_open(where.com_number)) {
                fail(*target, target->link->port().last_error().text);
            }
            continue;
        }
        look_up(*target);
    }
}

void NmeaOutput::send(const VehicleStatus& status, WallTime arrived) {
    send_sentences(nmea_position_sentences(status, arrived));
}

void NmeaOutput::send_sentences(const std::string& sentences) {
    if (sentences.empty()) {
        return;
    }
    for (const auto& target : targets_) {
        if (target->link && target->link->connected()) {
            // Queued: a plotter that stops reading never holds the tick, and only the newest
            // position waits for it.
            SendQueue::Record record;
            record.bytes.assign(sentences.begin(), sentences.end());
            record.replaceable = true;
            record.sent = [told = &target->told] {
                told->clear();
            };
            if (!target->link->send(std::move(record))) {
                serial_failed(*target);
            }
        } else if (target->udp) {
            if (target->udp->send(sentences)) {
                target->told.clear();
            } else {
                // Every address failed, or this one in a way the next would too. The
                // addresses may have changed: looked up again in a while, first one first.
                fail(*target, target->udp->last_error());
                target->udp.reset();
                target->looked_up_ms = monotonic_ms();
            }
        }
    }
}

void NmeaOutput::watch() {
    for (const auto& target : targets_) {
        if (target->link) {
            target->link->reopen_if_due();
            if (target->link->connected() && !target->link->pump()) {
                serial_failed(*target);
            } else if (target->link->stalled()) {
                fail(*target, "the link takes no data");
            }
            continue;
        }
        if (target->udp) {
            continue;
        }
        if (target->lookup) {
            std::optional<HostAddresses> found;
            {
                std::lock_guard lock(target->lookup->mutex);
                found.swap(target->lookup->found);
            }
            if (!found) {
                // Later lookups follow a failure the operator was told of already.
                if (!target->answered && monotonic_ms() - target->looked_up_ms >= LOOKUP_SLOW_MS) {
                    tell(*target, "on hold: no answer from the name server yet");
                }
                continue;
            }
            target->lookup.reset();
            target->answered = true;
            if (found->addresses.empty()) {
                fail(*target, found->error);
            } else {
                target->udp =
                    std::make_unique<UdpSender>(std::move(found->addresses), target->where.port);
            }
            continue;
        }
        if (monotonic_ms() - target->looked_up_ms >= LOOKUP_AGAIN_MS) {
            look_up(*target);
        }
    }
}

void NmeaOutput::serial_failed(Target& target) {
    if (target.link->still_there()) {
        fail(target, target.link->port().last_error().text);
    }
}

// On a thread of its own, which keeps what it needs alive: the station may be gone before the
// resolver answers.
void NmeaOutput::look_up(Target& target) {
    target.looked_up_ms = monotonic_ms();
    auto lookup = std::make_shared<Lookup>();
    target.lookup = lookup;
    std::thread([lookup, resolve = host_lookup(), host = target.where.host] {
        HostAddresses found = resolve(host);
        std::lock_guard lock(lookup->mutex);
        lookup->found = std::move(found);
    }).detach();
}

void NmeaOutput::fail(Target& target, const std::string& reason) {
    tell(target, "failed: " + reason);
}

void NmeaOutput::tell(Target& target, const std::string& news) {
    if (news == target.told) {
        return;
    }
    target.told = news;
    log_.add_status_message(label_ + " to " + target.where.text + " " + news);
}

} // namespace nerivo
