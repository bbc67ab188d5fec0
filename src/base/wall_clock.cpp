#include "wall_clock.h"

#include <chrono>
#include <utility>

namespace nerivo {
namespace {

WallTime system_now() {
    using namespace std::chrono;
    return wall_time_of_ms(
        duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count());
}

WallClock& installed_clock() {
    static WallClock clock;
    return clock;
}

MonotonicClock& installed_monotonic_clock() {
    static MonotonicClock clock;
    return clock;
}

} // namespace

// Floor division, so a time before 1970 still gives milliseconds in 0..999.
WallTime wall_time_of_ms(int64_t ms) {
    int64_t seconds = ms / 1000;
    int64_t rest = ms % 1000;
    if (rest < 0) {
        rest += 1000;
        --seconds;
    }
    return WallTime{seconds, static_cast<int32_t>(rest)};
}

int64_t monotonic_ms() {
    const MonotonicClock& clock = installed_monotonic_clock();
    if (clock) {
        return clock();
    }
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void set_monotonic_clock(MonotonicClock clock) {
    installed_monotonic_clock() = std::move(clock);
}

WallTime wall_clock_now() {
    const WallClock& clock = installed_clock();
    return clock ? clock() : system_now();
}

void set_wall_clock(WallClock clock) {
    installed_clock() = std::move(clock);
}

} // namespace nerivo
