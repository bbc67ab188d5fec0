#include "track_csv.h"

#include "c_text.h"

#include <cmath>

namespace nerivo {
namespace {

// The civil date of a day counted from 1970-01-01 (proleptic Gregorian), worked out here
// rather than by the C library so that it reads the same on every platform and every year.
void civil_date(int64_t days, int64_t& year, int& month, int& day) {
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t day_of_era = days - era * 146097;
    const int64_t year_of_era =
        (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
    const int64_t day_of_year =
        day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
    const int64_t shifted_month = (5 * day_of_year + 2) / 153;
    day = static_cast<int>(day_of_year - (153 * shifted_month + 2) / 5 + 1);
    month = static_cast<int>(shifted_month < 10 ? shifted_month + 3 : shifted_month - 9);
    year = year_of_era + era * 400 + (month <= 2 ? 1 : 0);
}

std::string optional_number(const char* format, const std::optional<double>& value) {
    return value ? c_format(format, *value) : std::string();
}

// A bearing a hair under 360 is north, not "360.0".
double tenths_below_360(double bearing) {
    const double tenths = std::round(bearing * 10.0) / 10.0;
    return tenths >= 360.0 ? 0.0 : tenths;
}

} // namespace

std::string iso_utc_time_ms(WallTime time) {
    const int64_t days = (time.seconds >= 0 ? time.seconds : time.seconds - 86399) / 86400;
    const int64_t second_of_day = time.seconds - days * 86400;
    int64_t year = 0;
    int month = 0, day = 0;
    civil_date(days, year, month, day);
    return c_format("%04lld-%02d-%02dT%02d:%02d:%02d.%03dZ", static_cast<long long>(year), month,
                    day, static_cast<int>(second_of_day / 3600),
                    static_cast<int>(second_of_day / 60 % 60), static_cast<int>(second_of_day % 60),
                    time.milliseconds);
}

std::string track_csv_line(const TrackRow& row) {
    const auto widened = [](const std::optional<float>& value) {
        return value ? std::optional<double>(*value) : std::nullopt;
    };
    const std::optional<Drift>& drift = row.drift;
    return iso_utc_time_ms(row.time) + ',' +
           (row.source == TrackRow::Source::USBL ? "usbl" : "vehicle") + ',' +
           c_format("%.7f,%.7f", row.latitude, row.longitude) + ',' +
           optional_number("%.2f", widened(row.depth_m)) + ',' +
           optional_number("%.2f", widened(row.heading_deg)) + ',' +
           optional_number("%.2f", drift ? std::optional(drift->distance_m) : std::nullopt) + ',' +
           optional_number("%.1f", drift ? std::optional(tenths_below_360(drift->bearing_deg))
                                         : std::nullopt);
}

} // namespace nerivo
