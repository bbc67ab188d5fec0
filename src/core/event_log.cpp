#include "event_log.h"

#include "c_text.h"

#include <ctime>

namespace nerivo {
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

EventLog::~EventLog() {
    report_repeats();
}

// As syslog does: a fault that comes with every byte or every tick must not push everything
// else off the log, yet its count is never lost. A second press of a button must not look as
// if it went unheard, so the operator's own lines are never counted.
void EventLog::add_status_message(const std::string& message) {
    const int64_t now = monotonic_ms();
    if (ticking_ && message == burst_.text && now - burst_.last_ms < REPEAT_WINDOW_MS) {
        ++burst_.count;
        burst_.last_ms = now;
        if (now - burst_.reported_ms >= REPEAT_REPORT_MS) {
            report_repeats(); // a burst that goes on is counted as it goes
        }
        return;
    }
    report_repeats();
    write_status_line(message);
    burst_ = Burst{message, now, now, 0};
}

void EventLog::add_nav_line(const std::string& line) {
    view_.add_nav_line(wall_clock_now(), line);
}

void EventLog::end_tick() {
    if (burst_.count > 0 && monotonic_ms() - burst_.last_ms >= REPEAT_WINDOW_MS) {
        report_repeats();
    }
    ticking_ = false;
}

void EventLog::report_repeats() {
    if (burst_.count == 0) {
        return;
    }
    write_status_line(c_format("%s (repeated %d time%s)", burst_.text.c_str(), burst_.count,
                               burst_.count == 1 ? "" : "s"));
    burst_.count = 0;
    burst_.reported_ms = monotonic_ms();
}

void EventLog::write_status_line(const std::string& message) {
    const WallTime now = wall_clock_now();
    const std::tm local = local_time(now.seconds);
    const std::string line = c_format("[%03d %02d:%02d:%02d] ", local.tm_yday, local.tm_hour,
                                      local.tm_min, local.tm_sec) +
                             message;
    view_.add_status_line(now, first_characters(line, STATUS_LINE_MAX));
}

} // namespace nerivo
