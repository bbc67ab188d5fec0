#include "fake_clock.h"

#include <cstdlib>
#include <ctime>
#include <string>

namespace nerivo::testing {
namespace {

// The C runtime here reads TZ as a three-letter name and an offset, and has no <NAME> form:
// "<+03>-3" becomes "TZX-3", which keeps the offset and the sign convention.
std::string runtime_zone(const char* zone) {
    std::string text = zone;
    if (!text.empty() && text.front() == '<') {
        const auto end = text.find('>');
        if (end != std::string::npos) {
            text = "TZX" + text.substr(end + 1);
        }
    }
    return text;
}

void set_zone(const std::string& zone) {
    _putenv_s("TZ", zone.c_str()); // an empty value removes the variable
    _tzset();
    // Summer time from TZ is an hour ahead. Wine's runtime keeps instead the shift of the
    // system's zone (none here) once it has read that zone, with TZ unset.
    if (!zone.empty() && _daylight != 0) {
        _dstbias = -3600;
    }
}

} // namespace

ScopedTimeZone::ScopedTimeZone(const char* zone) {
    if (const char* previous = std::getenv("TZ")) {
        had_previous_ = true;
        previous_ = previous;
    }
    set_zone(runtime_zone(zone));
}

ScopedTimeZone::~ScopedTimeZone() {
    set_zone(had_previous_ ? previous_ : std::string());
}

} // namespace nerivo::testing
