#pragma once

// The vehicle status monitor: status records in on the vehicle link, shown in nine fields,
// with how old the shown status is and whether a request went unanswered.

#include "event_log.h"
#include "link.h"
#include "record_framer.h"
#include "smac_records.h"
#include "station_settings.h"
#include "station_view.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace nerivo {

class StatusMonitor {
public:
    // A status read starts once this many bytes wait, counting those kept from earlier
    // reads: the header and payload of a status record (28 + 36), the part its trailer
    // vouches for. Fewer cannot hold a record; a record short of its trailer is kept until
    // the trailer comes.
    static constexpr uint32_t STATUS_READ_THRESHOLD = SMAC_HEADER_SIZE + SMAC_STATUS_PAYLOAD_SIZE;
    static constexpr int32_t STATUS_READ_LIMIT = 100;
    // Room each status value has on screen; a longer text is shown in the short general form.
    static constexpr std::size_t VALUE_TEXT_MAX = 31;
    // The nine fields, in the order they are written.
    static const std::vector<int> FIELDS;

    StatusMonitor(StationView& view, EventLog& log, const StationSettings& settings);

    // Reads what has come on the vehicle link, within `read_bound` bytes; true when a status
    // record was read, decoded and stored (the newest, when several came).
    [[nodiscard]] bool poll_vehicle_status(Link& vehicle, std::size_t read_bound);
    void store_vehicle_status(const VehicleStatus& status);
    void show_vehicle_status();
    // The status stored last, and when it arrived by the wall clock.
    const VehicleStatus& status() const { return status_; }
    WallTime arrived_at() const { return arrived_wall_; }
    // Whether the fields show the status as stale (--stale-after).
    bool stale() const { return shown_stale_; }

    // A status request has gone out.
    void requested();
    // Once a tick: an unanswered request is told once, and the fields say how old the status is.
    void watch();
    // The vehicle link let its device go: nothing of its bytes is kept, nothing is awaited.
    void forget_input();

private:
    void handle_status_events(const std::vector<FrameEvent>& events, bool& have_status,
                              VehicleStatus& newest);
    void show_age();

    StationView& view_;
    EventLog& log_;
    StationSettings settings_;

    // Status bytes read but not yet a whole record.
    RecordFramer framer_;
    VehicleStatus status_{};
    std::string behaviour_text_;
    std::string abort_text_;
    // When the shown status arrived: on the monotonic clock for its age, and on the wall clock
    // for the operator.
    std::optional<int64_t> arrived_ms_;
    WallTime arrived_wall_;
    bool shown_stale_ = false;
    std::string shown_tooltip_;
    // The first status request since the last status record.
    std::optional<int64_t> request_unanswered_since_ms_;
};

} // namespace nerivo
