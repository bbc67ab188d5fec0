#pragma once

// The navigation relay: USBL sentences in on the navigation link, nav records out to the
// vehicle, at most one per transmit period and never the same position twice; and a feed that
// goes quiet while the relay runs is told.

#include "dump_output.h"
#include "event_log.h"
#include "link.h"
#include "smac_records.h"
#include "usbl_intake.h"
#include "wall_clock.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace nerivo {

class NavRelay {
public:
    static constexpr int32_t USBL_READ_LIMIT = 256;
    // While the relay runs, no fix for this long is told, once.
    static constexpr int64_t SILENT_FEED_MS = 10000;

    NavRelay(EventLog& log, DumpOutput& dump) : log_(log), dump_(dump) {}

    // The operator's switch. A start takes the transmit period, in whole seconds, and sends
    // the first new fix at once.
    void start(int32_t xmit_period_s);
    void stop();
    bool transmitting() const { return transmitting_; }

    // Reads what has come on the navigation link, within `read_bound` bytes, and handles the
    // newest whole sentence: the fix is kept and, while the relay runs, sent when due.
    void process_usbl_input(Link& usbl, Link& vehicle, std::size_t read_bound);
    // Once a tick: a feed that has gone quiet while the relay runs is told, once.
    void watch_feed();
    // Every fix that passes the checks, relayed or not, with when it was read: decimal
    // degrees, north and east positive.
    using FixRead = std::function<void(WallTime read_at, double latitude, double longitude)>;
    void on_fix_read(FixRead fix_read) { fix_read_ = std::move(fix_read); }
    // The navigation link let its device go: none of its text is kept.
    void forget_input() { intake_.clear(); }

private:
    struct LastSentFix {
        int32_t lat_degrees = 0;
        float lat_minutes = 0;
        int32_t lon_degrees = 0;
        float lon_minutes = 0;
    };

    void handle_usbl_sentence(const std::string& text, Link& vehicle);
    // Queues the record and its terminator on the vehicle link; `sent_fix` becomes the last
    // fix sent once the device has taken them.
    void send_nav_record(Link& vehicle, LastSentFix sent_fix);

    EventLog& log_;
    DumpOutput& dump_;
    // USBL text read but not yet handled.
    UsblIntake intake_;
    float fix_latitude_ = 0, fix_longitude_ = 0, fix_sl_ = 0;
    int32_t fix_hours_ = 0, fix_minutes_ = 0;
    float fix_seconds_ = 0;
    bool transmitting_ = false;
    int32_t xmit_period_ = 0; // whole seconds
    // Whole seconds on the monotonic clock, so that a wall clock set back never silences the
    // relay; none until a record has gone out since the relay started.
    std::optional<int64_t> last_xmit_time_;
    // Only a change of position is relayed; this survives stopping and restarting the relay,
    // for the life of the station (of the run).
    LastSentFix last_sent_fix_;
    // The last fix, or the relay's start when none has come since: how long the feed has
    // been quiet.
    int64_t last_fix_ms_ = 0;
    bool silence_told_ = false;
    FixRead fix_read_;
};

} // namespace nerivo
