#pragma once

// What the simulator's peers share: counters, the fault plan, a seeded random source and
// the sink their readable lines go to.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace nerivo::sim {

struct SimCounters {
    uint64_t sentences_sent = 0;
    uint64_t sentences_dropped = 0; // the station's line would not take them
    uint64_t records_good = 0;      // received from the station
    uint64_t records_bad = 0;
    uint64_t garbage_bytes = 0; // received bytes that belonged to no record
    uint64_t status_sent = 0;   // written to the last byte
    uint64_t status_dropped = 0;
    uint64_t faults_injected = 0;
};

// "every N" counts items from 1: N = 3 hits the 3rd, 6th, ...; 0 never.
struct FaultPlan {
    uint32_t bad_header_every = 0;
    uint32_t bad_trailer_every = 0;
    uint32_t garbage_every = 0;
    uint32_t bad_sentence_every = 0;
    bool split_writes = false;
    // Not damage: the navigation package repeating its last position, with a new time, when
    // the USBL had no new fix to give.
    uint32_t repeat_fix_every = 0;
};

inline bool fault_due(uint32_t every, uint64_t index) {
    return every != 0 && index != 0 && index % every == 0;
}

// Our own generator and distributions, so a seed gives the same run with any library.
class SimRandom {
public:
    explicit SimRandom(uint64_t seed) : state_(seed) {}
    uint64_t next_u64();
    double uniform();                               // [0, 1)
    double uniform(double low, double high);        // [low, high)
    int64_t uniform_int(int64_t low, int64_t high); // [low, high]
    double normal(double sigma);                    // mean 0

private:
    uint64_t state_;
    bool have_spare_ = false;
    double spare_ = 0;
};

// One readable line (without the time stamp) at a moment of the simulation.
using LineSink = std::function<void(int64_t now_ms, const std::string& line)>;

// Bytes as a line took them from a peer, or as a peer read them, at a moment of the
// simulation: what a capture records and what a test's model of the line is built from.
using ByteTap = std::function<void(int64_t now_ms, const uint8_t* bytes, std::size_t count)>;

// "hh:mm:ss.mmm" of a moment in milliseconds since 1970, UTC.
std::string clock_text(int64_t now_ms);

// Milliseconds since midnight UTC, 0 to 86,399,999, also for moments before 1970.
int64_t ms_of_day(int64_t now_ms);

} // namespace nerivo::sim
