#pragma once

#include <cstdint>
#include <string>

#include "wall_clock.h"

namespace nerivo::testing {

// Installs a wall clock and a monotonic clock the test sets by hand, for as long as the object
// lives. Time that passes moves both; a wall clock set back only moves the wall clock, as
// does a step on purpose (an NTP step, an operator), so the monotonic clock never goes back.
class FakeClock {
public:
    explicit FakeClock(int64_t seconds = 1'700'000'000, int32_t milliseconds = 0);
    ~FakeClock();
    FakeClock(const FakeClock&) = delete;
    FakeClock& operator=(const FakeClock&) = delete;

    void set(int64_t seconds, int32_t milliseconds = 0);
    void advance_ms(int64_t milliseconds);
    void advance_seconds(int64_t seconds) { advance_ms(seconds * 1000); }
    // The wall clock jumps; no time passes.
    void step_wall_seconds(int64_t seconds);
    WallTime now() const { return now_; }

private:
    WallTime now_;
    int64_t monotonic_ms_ = 0;
};

// Pins the process's time zone (TZ) for as long as the object lives.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone);
    ~ScopedTimeZone();
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    bool had_previous_ = false;
    std::string previous_;
};

// Wall-clock seconds of a local date and time in the current time zone.
int64_t local_seconds(int year, int month, int day, int hour, int minute, int second);

} // namespace nerivo::testing
