#include "vehicle_sim.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <limits>
#include <unistd.h>

namespace nerivo::sim {
namespace {

constexpr std::size_t MAX_READ_PER_POLL = 64 * 1024;

std::string status_text(const VehicleStatus& s) {
    char text[200];
    std::snprintf(text, sizeof text,
                  "%s lat=%.5f lon=%.5f hdg=%.1f depth=%.2f alt=%.2f batt=%.2f hum=%.2f abort=%d",
                  smac_behaviour_name(s.behaviour), static_cast<double>(s.latitude),
                  static_cast<double>(s.longitude), static_cast<double>(s.heading),
                  static_cast<double>(s.depth), static_cast<double>(s.altitude),
                  static_cast<double>(s.battery_voltage), static_cast<double>(s.humidity),
                  s.abort_flag);
    return text;
}

const char* command_name(uint32_t code) {
    switch (code) {
    case SMAC_COMMAND_REQUEST_STATUS:
        return "request status";
    case SMAC_COMMAND_ABORT:
        return "abort and surface";
    case SMAC_COMMAND_START_SURVEY:
        return "start survey";
    default:
        return "unknown";
    }
}

const char* outcome_text(CommandOutcome outcome) {
    switch (outcome) {
    case CommandOutcome::ALREADY_ABORTED:
        return ", already aborted";
    case CommandOutcome::SURVEY_REFUSED:
        return ", refused: the vehicle has aborted";
    case CommandOutcome::UNKNOWN:
        return ", ignored";
    default:
        return "";
    }
}

// A moment of the simulation as the wall clock would give it.
nerivo::WallTime wall_time(int64_t ms) {
    const int64_t seconds = ms >= 0 ? ms / 1000 : (ms - 999) / 1000;
    return {seconds, static_cast<int32_t>(ms - seconds * 1000)};
}

} // namespace

VehicleSim::VehicleSim(int fd, VehicleModel& model, SimRandom& random, const FaultPlan& faults,
                       SimCounters& counters, LineSink sink, int64_t start_ms,
                       int64_t status_period_ms)
    : fd_(fd), model_(model), random_(random), faults_(faults), counters_(counters),
      sink_(std::move(sink)), status_period_ms_(std::max<int64_t>(status_period_ms, 0)),
      next_status_ms_(start_ms + status_period_ms_), last_input_ms_(start_ms),
      last_behaviour_(model.behaviour()) {}

void VehicleSim::say(int64_t now_ms, const std::string& line) {
    if (sink_) {
        sink_(now_ms, line);
    }
}

StatusBytes VehicleSim::make_status(int64_t now_ms) {
    StatusBytes out;
    out.status = model_.status();
    SmacHeader header{};
    uint8_t record[SMAC_STATUS_RECORD_SIZE];
    uint32_t size = 0;
    // The record carries the simulation's time, whatever the process clock says.
    smac_build_status(&header, &out.status, wall_time(now_ms), record, &size);

    ++records_made_;
    if (fault_due(faults_.bad_header_every, records_made_)) {
        // Only the header checksum is wrong: the trailer is made to match the damage.
        header.checksum ^= 0xA5;
        smac_write_header(&header, record);
        smac_seal_trailer(record);
        out.bad_header = true;
        ++counters_.faults_injected;
    }
    if (fault_due(faults_.bad_trailer_every, records_made_)) {
        record[size - SMAC_TRAILER_SIZE] ^= 0x5A;
        out.bad_trailer = true;
        ++counters_.faults_injected;
    }
    if (fault_due(faults_.garbage_every, records_made_)) {
        out.garbage = static_cast<std::size_t>(random_.uniform_int(1, 24));
        for (std::size_t i = 0; i < out.garbage; ++i) {
            out.bytes.push_back(static_cast<uint8_t>(random_.uniform_int(0, 255)));
        }
        ++counters_.faults_injected;
    }
    out.bytes.insert(out.bytes.end(), record, record + size);
    return out;
}

bool VehicleSim::queue_status(int64_t now_ms, const char* why) {
    if (out_.size() >= MAX_QUEUED_RECORDS) {
        ++counters_.status_dropped;
        say(now_ms, "vehicle !! " + std::to_string(out_.size()) +
                        " records still waiting for the line; status dropped");
        return false;
    }
    StatusBytes s = make_status(now_ms);
    std::string line = "vehicle -> status " + status_text(s.status);
    if (why != nullptr && *why != '\0') {
        line += std::string(" (") + why + ")";
    }
    if (s.garbage > 0) {
        line += "  [" + std::to_string(s.garbage) + " garbage bytes first]";
    }
    if (s.bad_header) {
        line += "  [bad header checksum]";
    }
    if (s.bad_trailer) {
        line += "  [bad trailer]";
    }
    say(now_ms, line);
    if (status_tap_) {
        status_tap_(now_ms, s);
    }
    out_.push_back(Outgoing{std::move(s.bytes), 0});
    return true;
}

void VehicleSim::handle(const FrameEvent& e, int64_t now_ms) {
    char text[200];
    switch (e.kind) {
    case FrameEventKind::NAV_OK:
        ++counters_.records_good;
        model_.apply_fix(e.fix, now_ms);
        std::snprintf(text, sizeof text, "vehicle <- nav ok t=%.2f lat=%.5f lon=%.5f sl=%.2f",
                      static_cast<double>(e.fix.time_of_day), static_cast<double>(e.fix.latitude),
                      static_cast<double>(e.fix.longitude), static_cast<double>(e.fix.sl));
        say(now_ms, text);
        break;
    case FrameEventKind::COMMAND_OK: {
        ++counters_.records_good;
        const CommandOutcome outcome = model_.command(e.header.param, now_ms);
        std::snprintf(text, sizeof text, "vehicle <- command %u (%s%s)",
                      static_cast<unsigned>(e.header.param), command_name(e.header.param),
                      outcome_text(outcome));
        say(now_ms, text);
        if (outcome == CommandOutcome::STATUS_REQUESTED) {
            queue_status(now_ms, "requested");
        }
        break;
    }
    case FrameEventKind::BAD_HEADER_CHECKSUM:
        ++counters_.records_bad;
        say(now_ms, "vehicle !! bad header checksum, resynchronising");
        break;
    case FrameEventKind::BAD_TRAILER:
        ++counters_.records_bad;
        std::snprintf(text, sizeof text, "vehicle !! bad trailer on a type %u record, dropped",
                      static_cast<unsigned>(e.header.rec_type));
        say(now_ms, text);
        break;
    case FrameEventKind::NAV_WITHOUT_DONE:
        ++counters_.records_bad;
        say(now_ms, "vehicle !! nav record without \"Done\", fix dropped");
        break;
    case FrameEventKind::STATUS_OK: // the vehicle sends these; it does not take them
    case FrameEventKind::UNEXPECTED_RECORD:
        ++counters_.records_bad;
        std::snprintf(text, sizeof text, "vehicle !! unexpected record type %u size %u, ignored",
                      static_cast<unsigned>(e.header.rec_type),
                      static_cast<unsigned>(e.header.rec_size));
        say(now_ms, text);
        break;
    case FrameEventKind::GARBAGE_SKIPPED:
        counters_.garbage_bytes += e.skipped;
        std::snprintf(text, sizeof text, "vehicle !! %zu garbage bytes skipped", e.skipped);
        say(now_ms, text);
        break;
    }
}

void VehicleSim::read_input(int64_t now_ms) {
    uint8_t buffer[4096];
    std::size_t total = 0;
    while (total < MAX_READ_PER_POLL) {
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n > 0) {
            total += static_cast<std::size_t>(n);
            last_input_ms_ = now_ms;
            if (read_tap_) {
                read_tap_(now_ms, buffer, static_cast<std::size_t>(n));
            }
            for (const FrameEvent& e : framer_.feed(buffer, static_cast<std::size_t>(n))) {
                handle(e, now_ms);
            }
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        break; // EAGAIN, or nothing to read
    }
    if (framer_.has_pending() && now_ms - last_input_ms_ >= QUIET_FLUSH_MS) {
        for (const FrameEvent& e : framer_.flush()) {
            handle(e, now_ms);
        }
    }
}

void VehicleSim::write_output(int64_t now_ms) {
    while (!out_.empty()) {
        Outgoing& front = out_.front();
        std::size_t want = front.bytes.size() - front.written;
        if (faults_.split_writes) {
            if (now_ms < next_piece_ms_) {
                return;
            }
            want =
                std::min<std::size_t>(want, static_cast<std::size_t>(random_.uniform_int(1, 12)));
        }
        const ssize_t n = ::write(fd_, front.bytes.data() + front.written, want);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return;
        }
        if (n <= 0) {
            // The line is gone: this record can't arrive whole.
            out_.pop_front();
            ++counters_.status_dropped;
            continue;
        }
        if (write_tap_) {
            write_tap_(now_ms, front.bytes.data() + front.written, static_cast<std::size_t>(n));
        }
        front.written += static_cast<std::size_t>(n);
        if (front.written == front.bytes.size()) {
            out_.pop_front();
            ++counters_.status_sent;
        }
        if (faults_.split_writes) {
            // Spread the pieces out so the station can catch a record half-arrived.
            next_piece_ms_ = now_ms + random_.uniform_int(5, 60);
            return;
        }
    }
}

void VehicleSim::poll(int64_t now_ms) {
    model_.step(now_ms);
    read_input(now_ms);
    model_.step(now_ms);
    if (model_.behaviour() != last_behaviour_) {
        last_behaviour_ = model_.behaviour();
        say(now_ms, std::string("vehicle .. behaviour ") + smac_behaviour_name(last_behaviour_));
    }
    if (status_period_ms_ > 0) {
        if (next_status_ms_ - now_ms > status_period_ms_) {
            next_status_ms_ = now_ms; // the clock went back
        }
        if (now_ms >= next_status_ms_) {
            next_status_ms_ += status_period_ms_;
            if (next_status_ms_ <= now_ms) {
                next_status_ms_ = now_ms + status_period_ms_;
            }
            queue_status(now_ms, nullptr);
        }
    }
    write_output(now_ms);
}

bool VehicleSim::wants_to_write(int64_t now_ms) const {
    return !out_.empty() && (!faults_.split_writes || now_ms >= next_piece_ms_);
}

int64_t VehicleSim::next_wakeup_ms(int64_t now_ms) const {
    int64_t next = std::numeric_limits<int64_t>::max();
    if (status_period_ms_ > 0) {
        next = std::min(next, next_status_ms_);
    }
    if (!out_.empty() && faults_.split_writes && next_piece_ms_ > now_ms) {
        next = std::min(next, next_piece_ms_);
    }
    if (framer_.has_pending()) {
        next = std::min(next, last_input_ms_ + QUIET_FLUSH_MS);
    }
    // The model's own changes (abort, then ascending) show within a tenth of a second.
    if (model_.behaviour() == SMAC_BEHAVIOUR_ABORT) {
        next = std::min(next, now_ms + 100);
    }
    return next;
}

} // namespace nerivo::sim
