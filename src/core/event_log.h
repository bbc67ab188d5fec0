#pragma once

// The two logs as the station keeps them: every status line stamped with the local day and
// time, and a fault that comes with every byte or every tick counted rather than repeated.

#include "station_view.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace nerivo {

class EventLog {
public:
    // A status line is at most this many characters, its stamp included.
    static constexpr std::size_t STATUS_LINE_MAX = 255;
    // The same message from the links again within this time of the last is counted, not
    // shown; the count is shown once the burst has been quiet this long, or has gone on for
    // REPEAT_REPORT_MS.
    static constexpr int64_t REPEAT_WINDOW_MS = 2000;
    static constexpr int64_t REPEAT_REPORT_MS = 30000;

    explicit EventLog(StationView& view) : view_(view) {}
    // A burst still being counted is told, so the log files keep its count.
    ~EventLog();
    EventLog(const EventLog&) = delete;
    EventLog& operator=(const EventLog&) = delete;

    // Stamps the message and puts it on top of the status log.
    void add_status_message(const std::string& message);
    void add_nav_line(const std::string& line);

    // What is logged between these comes from the links, and its repeats are counted; what
    // the operator's own actions log shows every time. The end tells a burst that is over.
    void begin_tick() { ticking_ = true; }
    void end_tick();

private:
    // A burst of one message: shown once, then counted.
    struct Burst {
        std::string text;
        int64_t reported_ms = 0; // when its line or its last count was shown
        int64_t last_ms = 0;
        int count = 0; // not yet shown
    };

    void write_status_line(const std::string& message);
    void report_repeats();

    StationView& view_;
    Burst burst_;
    bool ticking_ = false;
};

} // namespace nerivo
