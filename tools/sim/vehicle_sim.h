#pragma once

// The vehicle's side of the vehicle link: reads what the station sends, frames and checks
// it, keeps the vehicle model up to date, and answers with status records, some of them
// damaged on purpose when the fault plan says so.

#include "record_framer.h"
#include "sim_support.h"
#include "vehicle_model.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace nerivo::sim {

// One status record as it goes on the wire, with what was done to it.
struct StatusBytes {
    std::vector<uint8_t> bytes; // garbage first, if any, then the 68-byte record
    std::size_t garbage = 0;
    bool bad_header = false;
    bool bad_trailer = false;
    VehicleStatus status{}; // the values the record carries
};

class VehicleSim {
public:
    // Records waiting for a station that does not read; more than this are dropped.
    static constexpr std::size_t MAX_QUEUED_RECORDS = 8;
    // The station writes a record in one go; a part still alone after this is given up.
    static constexpr int64_t QUIET_FLUSH_MS = 1000;

    // Talks on `fd` (non-blocking). `status_period_ms` 0 sends status only on request.
    VehicleSim(int fd, VehicleModel& model, SimRandom& random, const FaultPlan& faults,
               SimCounters& counters, LineSink sink, int64_t start_ms, int64_t status_period_ms);

    // Reads and handles the station's bytes, moves the model on, sends what is due.
    void poll(int64_t now_ms);
    // The next moment poll has something to do without new input.
    int64_t next_wakeup_ms(int64_t now_ms) const;
    // True when output is waiting for the line to take it (and not for a split-write gap).
    bool wants_to_write(int64_t now_ms) const;

    // The next status record, numbered for the fault plan; used by poll and by tests.
    StatusBytes make_status(int64_t now_ms);
    // Puts a status record in the output queue; false when the queue was full.
    bool queue_status(int64_t now_ms, const char* why);

    // Sees every byte the line takes from us, when it takes it.
    void set_write_tap(ByteTap tap) { write_tap_ = std::move(tap); }
    // Sees every byte we read from the station, before it is framed.
    void set_read_tap(ByteTap tap) { read_tap_ = std::move(tap); }
    // Sees each status record as it joins the output queue, with what was done to it.
    using StatusTap = std::function<void(int64_t now_ms, const StatusBytes& status)>;
    void set_status_tap(StatusTap tap) { status_tap_ = std::move(tap); }

    std::size_t queued_records() const { return out_.size(); }

private:
    struct Outgoing {
        std::vector<uint8_t> bytes;
        std::size_t written = 0;
    };

    void read_input(int64_t now_ms);
    void handle(const FrameEvent& event, int64_t now_ms);
    void write_output(int64_t now_ms);
    void say(int64_t now_ms, const std::string& line);

    int fd_;
    VehicleModel& model_;
    SimRandom& random_;
    const FaultPlan& faults_;
    SimCounters& counters_;
    LineSink sink_;
    int64_t status_period_ms_;
    int64_t next_status_ms_;
    int64_t last_input_ms_;
    int64_t next_piece_ms_ = 0;
    uint64_t records_made_ = 0;
    uint32_t last_behaviour_;
    RecordFramer framer_;
    std::deque<Outgoing> out_;
    ByteTap write_tap_;
    ByteTap read_tap_;
    StatusTap status_tap_;
};

} // namespace nerivo::sim
