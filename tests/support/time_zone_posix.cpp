#include "fake_clock.h"

#include <cstdlib>
#include <ctime>

namespace nerivo::testing {

ScopedTimeZone::ScopedTimeZone(const char* zone) {
    if (const char* previous = std::getenv("TZ")) {
        had_previous_ = true;
        previous_ = previous;
    }
    setenv("TZ", zone, 1);
    tzset();
}

ScopedTimeZone::~ScopedTimeZone() {
    if (had_previous_) {
        setenv("TZ", previous_.c_str(), 1);
    } else {
        unsetenv("TZ");
    }
    tzset();
}

} // namespace nerivo::testing
