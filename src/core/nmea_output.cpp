#include "nmea_output.h"

#include "nmea_sentences.h"

#include <mutex>
#include <thread>

namespace nerivo {

struct NmeaOutput::Lookup {
    std::mutex mutex;
    bool done = false;
    std::unique_ptr<UdpSender> sender;
};

NmeaOutput::NmeaOutput(StationView& view, EventLog& log, const std::vector<NmeaTarget>& targets)
    : view_(view), log_(log) {
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
        auto udp = std::make_unique<UdpSender>();
        target->looked_up_ms = monotonic_ms();
        if (udp->open(where.host, where.port)) {
            target->udp = std::move(udp);
        } else {
            fail(*target, udp->last_error());
        }
    }
}

void NmeaOutput::send(const VehicleStatus& status, WallTime arrived) {
    const std::string sentences = nmea_position_sentences(status, arrived);
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
                // The address may have changed: looked up again in a while.
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
            std::unique_ptr<UdpSender> sender;
            {
                std::lock_guard lock(target->lookup->mutex);
                if (!target->lookup->done) {
                    continue;
                }
                sender = std::move(target->lookup->sender);
            }
            target->lookup.reset();
            if (sender->is_open()) {
                target->udp = std::move(sender);
            } else {
                fail(*target, sender->last_error());
            }
            continue;
        }
        if (monotonic_ms() - target->looked_up_ms < LOOKUP_AGAIN_MS) {
            continue;
        }
        target->looked_up_ms = monotonic_ms();
        auto lookup = std::make_shared<Lookup>();
        target->lookup = lookup;
        std::thread([lookup, host = target->where.host, port = target->where.port] {
            auto sender = std::make_unique<UdpSender>();
            // Whether it opened is read on the window's thread, from is_open().
            (void)sender->open(host, port);
            std::lock_guard lock(lookup->mutex);
            lookup->sender = std::move(sender);
            lookup->done = true;
        }).detach();
    }
}

void NmeaOutput::serial_failed(Target& target) {
    if (target.link->still_there()) {
        fail(target, target.link->port().last_error().text);
    }
}

void NmeaOutput::fail(Target& target, const std::string& reason) {
    if (reason == target.told) {
        return;
    }
    target.told = reason;
    log_.add_status_message("NMEA output to " + target.where.text + " failed: " + reason);
}

} // namespace nerivo
