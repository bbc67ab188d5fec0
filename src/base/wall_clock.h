#pragma once

#include <cstdint>
#include <ctime>
#include <functional>

namespace nerivo {

// One reading of the wall clock: seconds since 1970-01-01 00:00 UTC, and the milliseconds
// within that second. Seconds are 64-bit so nothing in the station stops in January 2038.
struct WallTime {
    int64_t seconds = 0;
    int32_t milliseconds = 0; // 0 to 999
};

using WallClock = std::function<WallTime()>;

// Milliseconds since 1970 as seconds and the milliseconds within them.
WallTime wall_time_of_ms(int64_t ms);

// Every part of the program that needs the time (record time stamps, log stamps, the
// transmit period) reads it here, so tests can fix it to the millisecond.
WallTime wall_clock_now();

// Replaces the clock; an empty function brings back the system clock.
void set_wall_clock(WallClock clock);

// Milliseconds on a clock that only moves forward, whatever is done to the wall clock (an NTP
// step, a GPS time source, an operator): periods are timed on it, never on the wall clock.
// Its zero is arbitrary; only differences mean anything.
using MonotonicClock = std::function<int64_t()>;
int64_t monotonic_ms();
// Replaces it; an empty function brings back the system's.
void set_monotonic_clock(MonotonicClock clock);

// Local calendar time of a wall-clock second, in the process's time zone (TZ).
std::tm local_time(int64_t seconds);

// How far local time is ahead of UTC at that second, in seconds (west of Greenwich: negative).
int32_t local_utc_offset(int64_t seconds);

} // namespace nerivo
