#pragma once

// The survey the vehicle flies: parallel legs joined by short cross lines, flown out and
// then back along the same lines, for ever. Positions are metres north and east of the
// origin, turned into degrees on a flat earth (good over a few kilometres).

#include <vector>

namespace nerivo::sim {

struct TrackConfig {
    double origin_latitude = 50.5; // decimal degrees, north positive
    double origin_longitude = -1.75;
    double leg_length_m = 400;
    double leg_spacing_m = 50;
    double speed_mps = 1.5;
    int legs = 8;
};

struct LocalPoint {
    double north_m = 0;
    double east_m = 0;
};

struct TrackPoint {
    LocalPoint position;
    double heading_deg = 0; // true, 0 north, 90 east
};

struct GeoPoint {
    double latitude = 0;
    double longitude = 0;
};

constexpr double METRES_PER_DEGREE_LATITUDE = 111'320.0;

class LawnMowerTrack {
public:
    explicit LawnMowerTrack(const TrackConfig& config);

    // Where the vehicle is `seconds` after the start of the survey.
    TrackPoint at(double seconds) const;

    GeoPoint to_geo(LocalPoint point) const;
    LocalPoint to_local(GeoPoint point) const;

    // The boat holds station over the middle of the survey box.
    LocalPoint boat() const { return boat_; }
    double cycle_length_m() const { return cycle_length_m_; }
    const TrackConfig& config() const { return config_; }

private:
    TrackConfig config_;
    std::vector<LocalPoint> waypoints_;
    double cycle_length_m_ = 0;
    double metres_per_degree_longitude_ = 0;
    LocalPoint boat_;
};

// Heading in degrees, 0 to below 360.
double normalise_heading(double degrees);

// Longitude in degrees, -180 to below 180: a survey may cross the date line.
double wrap_longitude(double degrees);

} // namespace nerivo::sim
