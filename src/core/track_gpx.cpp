#include "track_gpx.h"

#include "track_csv.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>

namespace nerivo {
namespace {

constexpr int64_t TEN_MILLION = 10'000'000;
constexpr float MAX_DEPTH_M = 1e6f;

// Fixed-point text from a count of 10^-decimals: integers only, so no locale and no rounding
// in the printing itself.
void append_fixed(std::string& text, int64_t units, int64_t scale, int decimals) {
    if (units < 0) {
        text += '-';
        units = -units;
    }
    char digits[24];
    auto end = std::to_chars(digits, digits + sizeof digits, units / scale).ptr;
    text.append(digits, end);
    text += '.';
    end = std::to_chars(digits, digits + sizeof digits, units % scale).ptr;
    text.append(static_cast<std::size_t>(decimals - (end - digits)), '0');
    text.append(digits, end);
}

// GPX wants latitude within ±90 and longitude from -180 up to but not including 180, checked
// after the rounding to seven decimals: a point on the date line is written as -180.
void append_position(std::string& text, const GeoPosition& at) {
    const int64_t latitude = std::clamp<int64_t>(std::llround(at.latitude * TEN_MILLION),
                                                 -90 * TEN_MILLION, 90 * TEN_MILLION);
    int64_t longitude = std::llround(at.longitude * TEN_MILLION);
    if (longitude >= 180 * TEN_MILLION) {
        longitude -= 360 * TEN_MILLION;
    }
    text += "<trkpt lat=\"";
    append_fixed(text, latitude, TEN_MILLION, 7);
    text += "\" lon=\"";
    append_fixed(text, longitude, TEN_MILLION, 7);
    text += "\">";
}

void append_time(std::string& text, int64_t time_ms) {
    text += "<time>";
    text += iso_utc_time_ms(wall_time_of_ms(time_ms));
    text += "</time>";
}

// Each point goes out as it is made, so a day of both tracks never sits in memory as text.
template <typename Point, typename AppendRest>
void write_track(const TrackModel& track, const TrackRing<Point>& points, const char* name,
                 std::ostream& out, AppendRest append_rest) {
    out << "  <trk>\n    <name>" << name << "</name>\n";
    if (!points.empty()) {
        out << "    <trkseg>\n";
        std::string line;
        for (std::size_t i = 0; i < points.size(); ++i) {
            const Point& point = points[i];
            line.assign("      ");
            append_position(line, track.to_position({point.east_m, point.north_m}));
            append_rest(line, point);
            line += "</trkpt>\n";
            out.write(line.data(), static_cast<std::streamsize>(line.size()));
        }
        out << "    </trkseg>\n";
    }
    out << "  </trk>\n";
}

} // namespace

void write_track_gpx(const TrackModel& track, std::ostream& out) {
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<gpx version=\"1.1\" creator=\"Nerivo\" xmlns=\"http://www.topografix.com/GPX/1/1\" "
           "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
           "xsi:schemaLocation=\"http://www.topografix.com/GPX/1/1 "
           "http://www.topografix.com/GPX/1/1/gpx.xsd\">\n";
    write_track(
        track, track.usbl(), "USBL fixes", out,
        [](std::string& line, const UsblPoint& point) { append_time(line, point.time_ms); });
    write_track(track, track.vehicle(), "Vehicle positions", out,
                [](std::string& line, const VehiclePoint& point) {
                    // Elevation is height above the sea surface. A depth no vehicle could report
                    // (not a number, or from a broken sensor) is left out: GPX has no text for it.
                    if (std::isfinite(point.depth_m) && std::fabs(point.depth_m) < MAX_DEPTH_M) {
                        line += "<ele>";
                        append_fixed(line, -std::llround(point.depth_m * 100.0), 100, 2);
                        line += "</ele>";
                    }
                    append_time(line, point.time_ms);
                });
    out << "</gpx>\n";
}

} // namespace nerivo
