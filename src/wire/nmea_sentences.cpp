#include "nmea_sentences.h"

#include "c_text.h"

#include <chrono>
#include <cmath>
#include <optional>

namespace nerivo {
namespace {

// Degrees as whole degrees and minutes to four decimals: rounded once, in ten-thousandths of
// a minute, so that minutes which round up to 60 carry into the degree.
std::string degrees_minutes(double degrees, int degree_digits, char positive, char negative) {
    const long long units = std::llround(std::fabs(degrees) * 60 * 10000);
    const long long minutes = units % (60 * 10000);
    return c_format("%0*lld%02lld.%04lld,%c", degree_digits, units / (60 * 10000), minutes / 10000,
                    minutes % 10000, degrees < 0 && units > 0 ? negative : positive);
}

// Latitude and longitude as sent, or nothing for a position no reader could use.
std::optional<std::string> position_fields(double latitude, double longitude) {
    if (!std::isfinite(latitude) || !std::isfinite(longitude) || std::fabs(latitude) > 90 ||
        std::fabs(longitude) > 180) {
        return std::nullopt;
    }
    return degrees_minutes(latitude, 2, 'N', 'S') + "," + degrees_minutes(longitude, 3, 'E', 'W');
}

// hhmmss.ss in UTC.
std::string utc_time_of_day(WallTime at) {
    using namespace std::chrono;
    const sys_days day = floor<days>(sys_seconds(seconds(at.seconds)));
    const hh_mm_ss time(seconds(at.seconds) - day.time_since_epoch());
    return c_format("%02d%02d%02d.%02d", static_cast<int>(time.hours().count()),
                    static_cast<int>(time.minutes().count()),
                    static_cast<int>(time.seconds().count()), at.milliseconds / 10);
}

std::string framed(char start, const std::string& body) {
    unsigned checksum = 0;
    for (const char c : body) {
        checksum ^= static_cast<unsigned char>(c);
    }
    return start + body + c_format("*%02X\r\n", checksum);
}

} // namespace

std::string nmea_sentence(const std::string& body) {
    return framed('$', body);
}

std::string nmea_encapsulated_sentence(const std::string& body) {
    return framed('!', body);
}

std::string nmea_position_sentences(const VehicleStatus& status, WallTime arrived) {
    const double heading = status.heading;
    const double depth = status.depth;
    const std::optional<std::string> fields = position_fields(status.latitude, status.longitude);
    if (!fields || !std::isfinite(heading) || !std::isfinite(depth) || depth > NMEA_DEEPEST_M ||
        depth < -NMEA_HIGHEST_M) {
        return {};
    }
    using namespace std::chrono;
    const year_month_day date(floor<days>(sys_seconds(seconds(arrived.seconds))));
    const std::string utc = utc_time_of_day(arrived);
    const std::string& position = *fields;
    // Heading in hundredths of a degree, into [0, 360) after the rounding too.
    const double true_heading = std::fmod(heading, 360.0);
    long long hundredths =
        std::llround((true_heading < 0 ? true_heading + 360 : true_heading) * 100);
    hundredths %= 360 * 100;

    // Quality 1: the vehicle's own fix. The number of satellites and the HDOP are left empty,
    // since the position is the vehicle's estimate and neither applies; gpsd takes the fix and
    // its mode from the quality and the altitude alone. Altitude above mean sea level is the
    // depth below it, negated; the geoid separation is not known.
    const std::string sentences[] = {
        nmea_sentence("GPGGA," + utc + "," + position + ",1,,," + c_format("%.2f", 0.0 - depth) +
                      ",M,,,,"),
        // Status A, valid, and mode A, autonomous, to agree with it; the vehicle reports no
        // speed, course or magnetic variation.
        nmea_sentence("GPRMC," + utc + ",A," + position + ",,," +
                      c_format("%02u%02u%02d", static_cast<unsigned>(date.day()),
                               static_cast<unsigned>(date.month()),
                               static_cast<int>(date.year()) % 100) +
                      ",,,A"),
        nmea_sentence(c_format("HEHDT,%lld.%02lld,T", hundredths / 100, hundredths % 100)),
    };
    // With every value in range, each sentence is well under NMEA_SENTENCE_MAX.
    return sentences[0] + sentences[1] + sentences[2];
}

std::string nmea_target_sentence(int number, double latitude, double longitude,
                                 const std::string& name, WallTime at, TargetStatus status) {
    const std::optional<std::string> position = position_fields(latitude, longitude);
    if (!position) {
        return {};
    }
    // Talker RA, a radar's target tracker: TLL is its sentence, and chart programs that draw
    // tracked targets take it from there. No reference target: the vehicle fixes nothing of the
    // ship's own position.
    return nmea_sentence(c_format("RATLL,%02d,", number) + *position + "," +
                         name.substr(0, TARGET_NAME_MAX) + "," + utc_time_of_day(at) + "," +
                         static_cast<char>(status) + ",");
}

} // namespace nerivo
