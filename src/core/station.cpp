// Start-up, the tick and the two logs.
#include "station.h"

#include "c_text.h"
#include "control_ids.h"

#include <ctime>

namespace nerivo {

Station::Station(StationView& view, DumpOutput* dump, const StationSettings& settings)
    : view_(view), settings_(settings),
      own_dump_(dump == nullptr ? std::make_unique<StandardOutputDump>() : nullptr),
      dump_(dump == nullptr ? *own_dump_ : *dump) {}

// The links close themselves as members go: the vehicle link first, then WinFrog, then GPS.
// A burst still being counted is told, so the log files keep its count.
Station::~Station() {
    report_repeats();
}

void Station::init_station() {
    view_.set_field_text(IDC_XMIT_PERIOD, "5");
    add_status_message("Nerivo Started...ready");

    last_xmit_time.reset();

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
    ticking_ = true;
    if (auv_connected != 0 && poll_vehicle_status()) {
        show_vehicle_status();
    }
    if (winfrog_connected != 0) {
        process_usbl_input();
    }
    report_dump_state();
    if (last_message_.count > 0 && monotonic_ms() - last_message_.last_ms >= REPEAT_WINDOW_MS) {
        report_repeats();
    }
    ticking_ = false;
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

// As syslog does: a fault that comes with every byte or every tick must not push everything
// else off the log, yet its count is never lost. What the operator's own actions log is shown
// at once, every time: a second press of a button must not look as if it went unheard.
void Station::add_status_message(const std::string& message) {
    const int64_t now = monotonic_ms();
    RepeatedMessage& last = last_message_;
    if (ticking_ && message == last.text && now - last.last_ms < REPEAT_WINDOW_MS) {
        ++last.count;
        last.last_ms = now;
        if (now - last.reported_ms >= REPEAT_REPORT_MS) {
            report_repeats(); // a burst that goes on is counted as it goes
        }
        return;
    }
    report_repeats();
    write_status_line(message);
    last = RepeatedMessage{message, now, now, 0};
}

void Station::report_repeats() {
    RepeatedMessage& last = last_message_;
    if (last.count == 0) {
        return;
    }
    write_status_line(c_format("%s (repeated %d time%s)", last.text.c_str(), last.count,
                               last.count == 1 ? "" : "s"));
    last.count = 0;
    last.reported_ms = monotonic_ms();
}

void Station::write_status_line(const std::string& message) {
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
