// Start-up, the tick and the two logs.
#include "station.h"

#include "c_text.h"
#include "control_ids.h"

#include <ctime>

namespace nerivo {

Station::Station(StationView& view, DumpOutput* dump)
    : view_(view), own_dump_(dump == nullptr ? std::make_unique<StandardOutputDump>() : nullptr),
      dump_(dump == nullptr ? *own_dump_ : *dump) {}

// The links close themselves as members go: the vehicle link first, then WinFrog, then GPS.
Station::~Station() = default;

void Station::init_station() {
    view_.set_field_text(IDC_XMIT_PERIOD, "5");
    add_status_message("Nerivo Started...ready");

    last_xmit_time = 0;

    view_.set_button_colours(IDC_WINFROG_BUTTON, STATE_CAPTION, STATE_RED);
    winfrog_connected = 0;
    view_.set_button_colours(IDC_GPS_BUTTON, STATE_CAPTION, STATE_RED);
    gps_connected = 1;
    view_.set_button_colours(IDC_AUV_BUTTON, STATE_CAPTION, STATE_RED);
    auv_connected = 0;
    view_.set_button_colours(IDC_XMIT_BUTTON, STATE_CAPTION, STATE_RED);
    transmitting = 0;

    view_.set_field_text(IDC_AUV_COM, "5");
    view_.set_field_text(IDC_GPS_COM, "7");
    view_.set_field_text(IDC_WINFROG_COM, "1");

    for (const int id :
         {IDC_LATITUDE, IDC_LONGITUDE, IDC_HEADING, IDC_DEPTH, IDC_ALTITUDE, IDC_BATTERY_VOLTAGE}) {
        view_.set_field_text(id, "---");
    }
    view_.set_field_text(IDC_BEHAVIOUR, "N/A");
}

void Station::on_tick() {
    if (auv_connected != 0 && poll_vehicle_status()) {
        show_vehicle_status();
    }
    if (winfrog_connected != 0) {
        process_usbl_input();
    }
    report_dump_state();
}

// Once when records start to be dropped, once when they go out again.
void Station::report_dump_state() {
    const bool dropping = dump_.dropping();
    if (dropping == dump_dropping_told_) {
        return;
    }
    dump_dropping_told_ = dropping;
    add_status_message(dropping
                           ? "Record dump to standard output is not being read; records dropped"
                           : "Record dump to standard output is being read again");
}

namespace {

// The first `limit` characters of UTF-8 text; a character is never split.
std::string first_characters(const std::string& text, std::size_t limit) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool starts_character = (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
        if (starts_character && characters++ == limit) {
            return text.substr(0, i);
        }
    }
    return text;
}

} // namespace

void Station::add_status_message(const std::string& message) {
    const WallTime now = wall_clock_now();
    const std::tm local = local_time(now.seconds);
    const std::string line = c_format("[%03d %02d:%02d:%02d] ", local.tm_yday, local.tm_hour,
                                      local.tm_min, local.tm_sec) +
                             message;
    view_.add_status_line(now, first_characters(line, STATUS_LINE_MAX));
}

void Station::add_nav_line(const std::string& line) {
    view_.add_nav_line(wall_clock_now(), line);
}

} // namespace nerivo
