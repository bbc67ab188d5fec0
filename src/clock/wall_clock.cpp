#include "wall_clock.h"

#include <chrono>
#include <utility>

namespace nerivo {
namespace {

WallTime system_now() {
    using namespace std::chrono;
    const auto since_epoch = duration_cast<milliseconds>(system_clock::now().time_since_epoch());
    const int64_t ms = since_epoch.count();
    // Floor division, so a clock before 1970 still gives milliseconds in 0..999.
    int64_t seconds = ms / 1000;
    int64_t rest = ms % 1000;
    if (rest < 0) {
        rest += 1000;
        --seconds;
    }
    return WallTime{seconds, static_cast<int32_t>(rest)};
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
