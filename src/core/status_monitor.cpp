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

// A record of another type whose header is otherwise sound: the vehicle said something the
// station does not handle, which the operator should hear about.
bool is_other_sound_record(const uint8_t* bytes, int32_t count) {
    if (count < static_cast<int32_t>(SMAC_HEADER_SIZE)) {
        return false;
    }
    SmacHeader header;
    smac_read_header(bytes, &header);
    return header.version == SMAC_VERSION && header.rec_type != SMAC_REC_STATUS &&
           smac_header_checksum(&header) == header.checksum;
}

} // namespace

bool Station::poll_vehicle_status() {
    if (auv_port.bytes_waiting() < STATUS_READ_THRESHOLD) {
        return false; // let the rest of the record arrive
    }
    uint8_t buffer[STATUS_READ_LIMIT];
    const int32_t count = auv_port.read(buffer, STATUS_READ_LIMIT);
    if (count <= 0) {
        return false;
    }
    VehicleStatus status;
    switch (smac_decode_status(buffer, static_cast<uint32_t>(count), &status)) {
    case SMAC_OK:
        store_vehicle_status(status);
        return true;
    case SMAC_BAD_TRAILER:
        add_status_message("Checksum failed in Auv Status data packet");
        return false;
    case SMAC_BAD_HEADER_CHECKSUM:
        add_status_message("Checksum failed in Auv Status header");
        return false;
    default:
        if (is_other_sound_record(buffer, count)) {
            add_status_message("Unknown message received from AUV");
        }
        return false;
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
