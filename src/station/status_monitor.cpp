// The vehicle status monitor: status records in on the vehicle link, shown in nine fields.
#include "station_window.h"

#include "c_text.h"
#include "smac_records.h"

namespace {

constexpr uint32_t STATUS_MIN_WAITING = 64;
constexpr int32_t STATUS_READ_LIMIT = 100;

// Room each value has on screen; a longer text is shown in the short general form.
constexpr size_t VALUE_TEXT_MAX = 31;

QString value_text(const char* format, float value) {
    std::string text = nerivo::c_format(format, static_cast<double>(value));
    if (text.size() > VALUE_TEXT_MAX) {
        text = nerivo::c_format("%.6g", static_cast<double>(value));
    }
    return QString::fromStdString(text);
}

QString behaviour_name(uint32_t behaviour) {
    switch (behaviour) {
    case 0:
        return QStringLiteral("Abort");
    case 1:
        return QStringLiteral("Diving");
    case 2:
        return QStringLiteral("Survey");
    case 3:
        return QStringLiteral("Ascending");
    default:
        return QStringLiteral("UNKNOWN");
    }
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

bool StationWindow::poll_vehicle_status() {
    if (auv_port.bytes_waiting() < STATUS_MIN_WAITING) {
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
        add_status_message(QStringLiteral("Checksum failed in Auv Status data packet"));
        return false;
    case SMAC_BAD_HEADER_CHECKSUM:
        add_status_message(QStringLiteral("Checksum failed in Auv Status header"));
        return false;
    default:
        if (is_other_sound_record(buffer, count)) {
            add_status_message(QStringLiteral("Unknown message received from AUV"));
        }
        return false;
    }
}

void StationWindow::store_vehicle_status(const VehicleStatus& status) {
    auv_latitude = status.latitude;
    auv_longitude = status.longitude;
    auv_heading = status.heading;
    auv_depth = status.depth;
    auv_altitude = status.altitude;
    auv_battery_voltage = status.battery_voltage;
    auv_humidity = status.humidity;
    behaviour_text = behaviour_name(status.behaviour);
    abort_text = status.abort_flag != 0 ? QStringLiteral("Yes") : QStringLiteral("No");
}

void StationWindow::show_vehicle_status() {
    set_field_text(IDC_LATITUDE, value_text("%.6f", auv_latitude));
    set_field_text(IDC_LONGITUDE, value_text("%.6f", auv_longitude));
    set_field_text(IDC_HEADING, value_text("%.6f", auv_heading));
    set_field_text(IDC_DEPTH, value_text("%.2f", auv_depth));
    set_field_text(IDC_ALTITUDE, value_text("%.2f", auv_altitude));
    set_field_text(IDC_BATTERY_VOLTAGE, value_text("%.2f", auv_battery_voltage));
    set_field_text(IDC_HUMIDITY, value_text("%.2f", auv_humidity));
    set_field_text(IDC_BEHAVIOUR, behaviour_text);
    set_field_text(IDC_ABORT, abort_text);
}
