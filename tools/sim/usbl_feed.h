#pragma once

// The navigation package's side of the navigation link: one position sentence per period
// for the vehicle on its survey track, measured from the boat with realistic noise.
//
// "$NVPOS,hhmmss.ss,ddmm.mmmm,N,dddmm.mmmm,W,D,B,H,P,Q,S\r\n"
//   time of the fix (UTC), latitude and longitude with hemispheres, then
//   D vehicle depth (m), B bearing from the boat (degrees true), H horizontal range from
//   the boat (m), P position standard deviation (m), Q depth standard deviation (m), and
//   S slant range from the boat (m), the number the station relays.

#include "lawn_mower_track.h"
#include "sim_support.h"

#include <cstdint>
#include <string>
#include <utility>

namespace nerivo::sim {

class VehicleModel;

inline constexpr const char* USBL_SENTENCE_TAG = "$NVPOS";

struct UsblReading {
    int64_t time_ms = 0;
    GeoPoint position; // measured, noise included
    double depth_m = 0;
    double bearing_deg = 0;
    double horizontal_range_m = 0;
    double position_sd_m = 0;
    double depth_sd_m = 0;
    double slant_range_m = 0;
};

std::string format_usbl_sentence(const UsblReading& reading);

enum class SentenceBreak { CUT_SHORT, GARBLED_NUMBER, MISSING_FIELD };
const char* sentence_break_name(SentenceBreak how);

struct BrokenSentence {
    std::string text;
    SentenceBreak how{};
};

// Damages a well-formed sentence so that it no longer scans in full; it still ends in
// "\r\n" so the sentences after it stay readable.
BrokenSentence break_usbl_sentence(const std::string& sentence, SimRandom& random);

class UsblFeed {
public:
    // Writes to `fd` (non-blocking); the first sentence is due at `start_ms`.
    UsblFeed(int fd, const LawnMowerTrack& track, SimRandom& random, const FaultPlan& faults,
             SimCounters& counters, LineSink sink, int64_t start_ms, int64_t period_ms);

    // The vehicle's depth comes from its model when there is one.
    void set_depth_source(const VehicleModel* model) { depth_source_ = model; }
    // Sees every byte the line takes, when it takes it.
    void set_write_tap(ByteTap tap) { write_tap_ = std::move(tap); }

    // Writes what is left of the last sentence, then a new one when it is due.
    void poll(int64_t now_ms);
    int64_t next_due_ms() const { return next_due_ms_; }
    bool wants_to_write() const { return !pending_.empty(); }

    // One noisy measurement of where the vehicle is.
    UsblReading measure(int64_t now_ms);

    const UsblReading& last_reading() const { return last_reading_; }
    const std::string& last_sentence() const { return last_sentence_; }

private:
    bool write_pending(int64_t now_ms);

    int fd_;
    const LawnMowerTrack& track_;
    SimRandom& random_;
    const FaultPlan& faults_;
    SimCounters& counters_;
    LineSink sink_;
    int64_t start_ms_;
    int64_t period_ms_;
    int64_t next_due_ms_;
    uint64_t sentences_made_ = 0;
    const VehicleModel* depth_source_ = nullptr;
    ByteTap write_tap_;
    std::string pending_;
    UsblReading last_reading_;
    std::string last_sentence_;
};

} // namespace nerivo::sim
