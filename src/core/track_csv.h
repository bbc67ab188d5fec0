#pragma once

// The track as CSV rows, one a point as it comes, for whoever keeps them (the log files).

#include "track_model.h"
#include "wall_clock.h"

#include <optional>
#include <string>

namespace nerivo {

struct TrackRow {
    enum class Source { USBL, VEHICLE };

    WallTime time;
    Source source = Source::USBL;
    double latitude = 0;
    double longitude = 0;
    // A vehicle position's own; a USBL fix has none of them.
    std::optional<float> depth_m;
    std::optional<float> heading_deg;
    std::optional<Drift> drift;
};

// Where the station hands each track row; a run without log files has none.
class TrackSink {
public:
    virtual ~TrackSink() = default;
    virtual void add_track_row(const TrackRow& row) = 0;
};

inline constexpr const char* TRACK_CSV_HEADER =
    "utc,source,latitude,longitude,depth_m,heading_deg,drift_m,drift_bearing_deg";

// One line, without its line end: every column there, empty where it does not apply.
std::string track_csv_line(const TrackRow& row);

// "2023-01-01T09:05:07.250Z".
std::string iso_utc_time_ms(WallTime time);

} // namespace nerivo
