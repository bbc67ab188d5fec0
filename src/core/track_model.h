#pragma once

// The two tracks a track window draws: the USBL fixes as they were read, and the vehicle's own
// positions from its status records, on a local east/north grid in metres, with how far the
// vehicle is from the USBL track at each of its positions (the drift). Each track keeps the
// newest day at one point a second; older points are dropped.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace nerivo {

// Metres east and north of the grid's origin.
struct GridPoint {
    double east_m = 0;
    double north_m = 0;
};

// From the USBL track to the vehicle: metres, and degrees true from 0 to below 360.
struct Drift {
    double distance_m = 0;
    double bearing_deg = 0;
};

struct UsblPoint {
    int64_t time_ms; // arrival, wall clock, ms since 1970
    float east_m;
    float north_m;
};

struct VehiclePoint {
    int64_t time_ms;
    float east_m;
    float north_m;
    float depth_m;
    float heading_deg;
    // From the fixes stored now; NaN when there is none (see TrackModel).
    float drift_m;
    float drift_bearing_deg;

    bool has_drift() const { return !std::isnan(drift_m); }
};

struct GeoPosition {
    double latitude = 0;
    double longitude = 0;
};

// A fixed number of points, oldest first; a point past that drops the oldest. The room is
// taken when the first point comes, and never grows.
template <typename Point> class TrackRing {
public:
    explicit TrackRing(std::size_t capacity) : capacity_(capacity) {}

    void push(const Point& point) {
        if (points_.empty()) {
            points_.reserve(capacity_);
        }
        if (points_.size() < capacity_) {
            points_.push_back(point);
            return;
        }
        points_[first_] = point;
        first_ = (first_ + 1) % capacity_;
    }
    std::size_t size() const { return points_.size(); }
    bool empty() const { return points_.empty(); }
    // 0 is the oldest.
    const Point& operator[](std::size_t index) const {
        return points_[(first_ + index) % points_.size()];
    }
    const Point& back() const { return (*this)[size() - 1]; }
    Point& mutable_point(std::size_t index) { return points_[(first_ + index) % points_.size()]; }

private:
    std::size_t capacity_;
    std::vector<Point> points_;
    std::size_t first_ = 0;
};

class TrackModel {
public:
    // A day at one point a second.
    static constexpr std::size_t POINTS_PER_TRACK = 86400;
    // Fixes at most this far apart are interpolated between.
    static constexpr int64_t INTERPOLATE_WITHIN_MS = 10000;
    // Otherwise the nearest fix, when it is at most this far from the vehicle's moment.
    static constexpr int64_t NEAREST_WITHIN_MS = 5000;

    explicit TrackModel(std::size_t points_per_track = POINTS_PER_TRACK)
        : usbl_(points_per_track), vehicle_(points_per_track) {}

    // A position the grid can hold: finite, latitude within ±90 and longitude within ±180.
    // Anything else is not a point of either track.
    static bool valid_position(double latitude, double longitude);

    void add_usbl_fix(int64_t time_ms, double latitude, double longitude);
    // The vehicle's drift from the USBL track as far as it is known now (the fixes read so far).
    std::optional<Drift> add_vehicle_position(int64_t time_ms, double latitude, double longitude,
                                              float depth_m, float heading_deg);

    const TrackRing<UsblPoint>& usbl() const { return usbl_; }
    const TrackRing<VehiclePoint>& vehicle() const { return vehicle_; }
    // The drift of a stored vehicle position, from the fixes stored now: a fix that came after
    // it may interpolate where none could when it arrived.
    [[nodiscard]] std::optional<Drift> drift_of(std::size_t vehicle_index) const;
    [[nodiscard]] std::optional<Drift> drift_at(int64_t time_ms, GridPoint vehicle) const;

    // The grid's origin, fixed by the first point of either track.
    bool has_origin() const { return has_origin_; }
    [[nodiscard]] GridPoint to_grid(double latitude, double longitude);
    // Back from the grid, for a point of either track; only once there is an origin.
    [[nodiscard]] GeoPosition to_position(GridPoint point) const;

    // Counts the points added, so that a window redraws only when there is something new.
    uint64_t revision() const { return revision_; }

private:
    std::optional<GridPoint> usbl_at(int64_t time_ms) const;
    void refresh_drift_since(int64_t time_ms);

    TrackRing<UsblPoint> usbl_;
    TrackRing<VehiclePoint> vehicle_;
    bool has_origin_ = false;
    double origin_latitude_ = 0;
    double origin_longitude_ = 0;
    double metres_per_degree_east_ = 0;
    uint64_t revision_ = 0;
};

} // namespace nerivo
