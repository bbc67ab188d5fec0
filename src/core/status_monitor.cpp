// The vehicle status monitor: status records in on the vehicle link, shown in nine fields.
#include "station.h"

#include "c_text.h"
#include "control_ids.h"

namespace nerivo {
namespace {

std::string value_text(const char* format, float value) {
    std::string text = c_format(format, static_cast<double>(value));
    if (text.size() > Station::VALUE_TEXT_MAX) {
        text = c_format("%.6g", static_cast<double>(value));
    }
    return text;
}

} // namespace

// Bytes a read leaves after a record are kept for the next, and a read that starts in noise
// or in the middle of a record finds the next record in it: an undamaged record is never
// lost, wherever the reads cut the stream. Everything that has come is read, within a bound,
// and the newest record shown: a vehicle that streams faster than the tick never makes the
// fields lag.
bool Station::poll_vehicle_status() {
    uint32_t waiting = auv_port.bytes_waiting();
    if (!still_there(auv_port) || status_framer_.held_bytes() + waiting < STATUS_READ_THRESHOLD) {
        return false; // let the rest of the record arrive
    }
    bool have_status = false;
    VehicleStatus newest{};
    for (std::size_t taken = 0; waiting > 0 && taken < TICK_READ_BOUND;) {
        uint8_t buffer[STATUS_READ_LIMIT];
        const int32_t count = auv_port.read(buffer, STATUS_READ_LIMIT);
        if (!still_there(auv_port) || count <= 0) {
            break;
        }
        handle_status_events(status_framer_.feed(buffer, static_cast<std::size_t>(count)),
                             have_status, newest);
        taken += static_cast<std::size_t>(count);
        waiting = auv_port.bytes_waiting();
        if (!still_there(auv_port)) {
            break;
        }
    }
    if (have_status) {
        store_vehicle_status(newest);
    }
    return have_status;
}

// Several whole records: the newest is shown, the older ones go unseen.
void Station::handle_status_events(const std::vector<FrameEvent>& events, bool& have_status,
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
                add_status_message("Checksum failed in Auv Status header");
            }
            break;
        case FrameEventKind::BAD_TRAILER:
            add_status_message(status_shape ? "Checksum failed in Auv Status data packet"
                                            : "Unknown message received from AUV");
            break;
        case FrameEventKind::GARBAGE_SKIPPED:
            break;
        default: // a sound record of a kind the vehicle has no business sending
            add_status_message("Unknown message received from AUV");
            break;
        }
    }
}

void Station::store_vehicle_status(const VehicleStatus& status) {
    auv_latitude = status.latitude;
    auv_longitude = status.longitude;
    auv_heading = status.heading;
    auv_depth = status.depth;
    auv_altitude = status.altitude;
    auv_battery_voltage = status.battery_voltage;
    auv_humidity = status.humidity;
    behaviour_text = smac_behaviour_name(status.behaviour);
    abort_text = status.abort_flag != 0 ? "Yes" : "No";
}

void Station::show_vehicle_status() {
    view_.set_field_text(IDC_LATITUDE, value_text("%.6f", auv_latitude));
    view_.set_field_text(IDC_LONGITUDE, value_text("%.6f", auv_longitude));
    view_.set_field_text(IDC_HEADING, value_text("%.6f", auv_heading));
    view_.set_field_text(IDC_DEPTH, value_text("%.2f", auv_depth));
    view_.set_field_text(IDC_ALTITUDE, value_text("%.2f", auv_altitude));
    view_.set_field_text(IDC_BATTERY_VOLTAGE, value_text("%.2f", auv_battery_voltage));
    view_.set_field_text(IDC_HUMIDITY, value_text("%.2f", auv_humidity));
    view_.set_field_text(IDC_BEHAVIOUR, behaviour_text);
    view_.set_field_text(IDC_ABORT, abort_text);
}

} // namespace nerivo
