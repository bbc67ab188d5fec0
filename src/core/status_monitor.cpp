// The vehicle status monitor: status records in on the vehicle link, shown in nine fields.
#include "status_monitor.h"

#include "c_text.h"
#include "control_ids.h"

#include <ctime>

namespace nerivo {
namespace {

std::string value_text(const char* format, float value) {
    std::string text = c_format(format, static_cast<double>(value));
    if (text.size() > StatusMonitor::VALUE_TEXT_MAX) {
        text = c_format("%.6g", static_cast<double>(value));
    }
    return text;
}

// "45 s", "2 min 10 s", "3 h 5 min".
std::string age_text(int64_t seconds) {
    if (seconds < 60) {
        return c_format("%lld s", static_cast<long long>(seconds));
    }
    if (seconds < 3600) {
        return c_format("%lld min %lld s", static_cast<long long>(seconds / 60),
                        static_cast<long long>(seconds % 60));
    }
    return c_format("%lld h %lld min", static_cast<long long>(seconds / 3600),
                    static_cast<long long>(seconds % 3600 / 60));
}

} // namespace

const std::vector<int> StatusMonitor::FIELDS = {IDC_LATITUDE, IDC_LONGITUDE, IDC_HEADING,
                                                IDC_DEPTH,    IDC_ALTITUDE,  IDC_BATTERY_VOLTAGE,
                                                IDC_HUMIDITY, IDC_BEHAVIOUR, IDC_ABORT};

StatusMonitor::StatusMonitor(StationView& view, EventLog& log, const StationSettings& settings)
    : view_(view), log_(log), settings_(settings) {}

// Bytes a read leaves after a record are kept for the next, and a read that starts in noise
// or in the middle of a record finds the next record in it: an undamaged record is never
// lost, wherever the reads cut the stream. Everything that has come is read, within a bound,
// and the newest record shown: a vehicle that streams faster than the tick never makes the
// fields lag.
bool StatusMonitor::poll_vehicle_status(Link& vehicle, std::size_t read_bound) {
    SerialPort& port = vehicle.port();
    uint32_t waiting = port.bytes_waiting();
    if (!vehicle.still_there() || framer_.held_bytes() + waiting < STATUS_READ_THRESHOLD) {
        return false; // let the rest of the record arrive
    }
    bool have_status = false;
    VehicleStatus newest{};
    for (std::size_t taken = 0; waiting > 0 && taken < read_bound;) {
        uint8_t buffer[STATUS_READ_LIMIT];
        const int32_t count = port.read(buffer, STATUS_READ_LIMIT);
        if (!vehicle.still_there() || count <= 0) {
            break;
        }
        handle_status_events(framer_.feed(buffer, static_cast<std::size_t>(count)), have_status,
                             newest);
        taken += static_cast<std::size_t>(count);
        waiting = port.bytes_waiting();
        if (!vehicle.still_there()) {
            break;
        }
    }
    if (have_status) {
        store_vehicle_status(newest);
    }
    return have_status;
}

// Several whole records: the newest is shown, the older ones go unseen.
void StatusMonitor::handle_status_events(const std::vector<FrameEvent>& events, bool& have_status,
                                         VehicleStatus& newest) {
    for (const FrameEvent& e : events) {
        const bool status_shape = e.header.rec_type == SMAC_REC_STATUS;
        switch (e.kind) {
        case FrameEventKind::STATUS_OK:
            newest = e.status;
            have_status = true;
            break;
        case FrameEventKind::BAD_HEADER_CHECKSUM:
            if (status_shape) {
                log_.add_status_message("Checksum failed in Auv Status header");
            }
            break;
        case FrameEventKind::BAD_TRAILER:
            log_.add_status_message(status_shape ? "Checksum failed in Auv Status data packet"
                                                 : "Unknown message received from AUV");
            break;
        case FrameEventKind::GARBAGE_SKIPPED:
            break;
        default: // a sound record of a kind the vehicle has no business sending
            log_.add_status_message("Unknown message received from AUV");
            break;
        }
    }
}

void StatusMonitor::store_vehicle_status(const VehicleStatus& status) {
    status_ = status;
    behaviour_text_ = smac_behaviour_name(status.behaviour);
    abort_text_ = status.abort_flag != 0 ? "Yes" : "No";
    arrived_ms_ = monotonic_ms();
    arrived_wall_ = wall_clock_now();
    request_unanswered_since_ms_.reset();
}

void StatusMonitor::show_vehicle_status() {
    view_.set_field_text(IDC_LATITUDE, value_text("%.6f", status_.latitude));
    view_.set_field_text(IDC_LONGITUDE, value_text("%.6f", status_.longitude));
    view_.set_field_text(IDC_HEADING, value_text("%.6f", status_.heading));
    view_.set_field_text(IDC_DEPTH, value_text("%.2f", status_.depth));
    view_.set_field_text(IDC_ALTITUDE, value_text("%.2f", status_.altitude));
    view_.set_field_text(IDC_BATTERY_VOLTAGE, value_text("%.2f", status_.battery_voltage));
    view_.set_field_text(IDC_HUMIDITY, value_text("%.2f", status_.humidity));
    view_.set_field_text(IDC_BEHAVIOUR, behaviour_text_);
    view_.set_field_text(IDC_ABORT, abort_text_);
    show_age();
}

void StatusMonitor::requested() {
    if (!request_unanswered_since_ms_) {
        request_unanswered_since_ms_ = monotonic_ms();
    }
}

void StatusMonitor::watch() {
    const int64_t timeout_ms = int64_t{settings_.status_timeout_s} * 1000;
    if (request_unanswered_since_ms_ &&
        monotonic_ms() - *request_unanswered_since_ms_ >= timeout_ms) {
        log_.add_status_message(
            c_format("No status from AUV %d s after the request", settings_.status_timeout_s));
        request_unanswered_since_ms_.reset();
    }
    show_age();
}

void StatusMonitor::forget_input() {
    framer_ = RecordFramer();
    request_unanswered_since_ms_.reset();
}

// Grey once the status is older than the operator allows, and a tip on each field that says
// when it came; each told to the view only when it changes.
void StatusMonitor::show_age() {
    if (!arrived_ms_) {
        return;
    }
    const int64_t age_ms = monotonic_ms() - *arrived_ms_;
    const bool stale = age_ms >= int64_t{settings_.stale_after_s} * 1000;
    const std::tm local = local_time(arrived_wall_.seconds);
    const std::string tooltip =
        c_format("Status of %02d:%02d:%02d, ", local.tm_hour, local.tm_min, local.tm_sec) +
        age_text(age_ms / 1000) + " ago";
    for (const int id : FIELDS) {
        if (stale != shown_stale_) {
            view_.set_field_stale(id, stale);
        }
        if (tooltip != shown_tooltip_) {
            view_.set_field_tooltip(id, tooltip);
        }
    }
    shown_stale_ = stale;
    shown_tooltip_ = tooltip;
}

} // namespace nerivo
