#include "fake_clock.h"

#include <ctime>

namespace nerivo::testing {

namespace {

int64_t total_ms(WallTime time) {
    return time.seconds * 1000 + time.milliseconds;
}

} // namespace

// The monotonic clock starts at the wall clock's reading, so whole-second periods fall as
// they would on the wall clock until the wall clock is stepped.
FakeClock::FakeClock(int64_t seconds, int32_t milliseconds)
    : now_{seconds, milliseconds}, monotonic_ms_(total_ms(now_)) {
    set_wall_clock([this] { return now_; });
    set_monotonic_clock([this] { return monotonic_ms_; });
}

FakeClock::~FakeClock() {
    set_wall_clock({});
    set_monotonic_clock({});
}

void FakeClock::set(int64_t seconds, int32_t milliseconds) {
    const WallTime next{seconds, milliseconds};
    const int64_t passed = total_ms(next) - total_ms(now_);
    if (passed > 0) {
        monotonic_ms_ += passed;
    }
    now_ = next;
}

void FakeClock::advance_ms(int64_t milliseconds) {
    const WallTime next = wall_time_of_ms(total_ms(now_) + milliseconds);
    set(next.seconds, next.milliseconds);
}

void FakeClock::step_wall_seconds(int64_t seconds) {
    now_ = wall_time_of_ms(total_ms(now_) + seconds * 1000);
}

int64_t local_seconds(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    return static_cast<int64_t>(std::mktime(&t));
}

} // namespace nerivo::testing
