#include "fake_clock.h"

#include <ctime>

namespace nerivo::testing {

FakeClock::FakeClock(int64_t seconds, int32_t milliseconds) : now_{seconds, milliseconds} {
    set_wall_clock([this] { return now_; });
}

FakeClock::~FakeClock() {
    set_wall_clock({});
}

void FakeClock::set(int64_t seconds, int32_t milliseconds) {
    now_ = WallTime{seconds, milliseconds};
}

void FakeClock::advance_ms(int64_t milliseconds) {
    const int64_t total = now_.seconds * 1000 + now_.milliseconds + milliseconds;
    now_.seconds = total / 1000;
    now_.milliseconds = static_cast<int32_t>(total % 1000);
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
