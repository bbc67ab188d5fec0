#include "track_model.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace nerivo {
namespace {

// The mean Earth radius: the grid is for seeing a dive, metres to a few kilometres from its
// start, where the sphere is as good as the ellipsoid to well under the USBL's own error.
constexpr double EARTH_RADIUS_M = 6371000.0;
constexpr double METRES_PER_DEGREE = EARTH_RADIUS_M * std::numbers::pi / 180.0;

// A longitude difference taken the short way round, so a dive across 180° stays in one piece.
double wrapped_degrees(double difference) {
    const double wrapped = std::remainder(difference, 360.0);
    return wrapped == -180.0 ? 180.0 : wrapped;
}

Drift drift_between(GridPoint from, GridPoint to) {
    const double east = to.east_m - from.east_m;
    const double north = to.north_m - from.north_m;
    double bearing = std::atan2(east, north) * 180.0 / std::numbers::pi;
    if (bearing < 0) {
        bearing += 360.0;
    }
    if (bearing >= 360.0) {
        bearing = 0;
    }
    return {std::hypot(east, north), bearing};
}

GridPoint grid_of(const UsblPoint& point) {
    return {point.east_m, point.north_m};
}

} // namespace

// An equirectangular grid about the first point, longitude scaled by the cosine of its
// latitude: over the few kilometres of a dive it is a tangent plane to centimetres, it is
// cheap enough for every point, and straight lines on it are what the operator expects to see.
GridPoint TrackModel::to_grid(double latitude, double longitude) {
    if (!has_origin_) {
        has_origin_ = true;
        origin_latitude_ = latitude;
        origin_longitude_ = longitude;
        metres_per_degree_east_ = METRES_PER_DEGREE * std::cos(latitude * std::numbers::pi / 180.0);
    }
    return {wrapped_degrees(longitude - origin_longitude_) * metres_per_degree_east_,
            (latitude - origin_latitude_) * METRES_PER_DEGREE};
}

bool TrackModel::valid_position(double latitude, double longitude) {
    return std::isfinite(latitude) && std::isfinite(longitude) && std::fabs(latitude) <= 90.0 &&
           std::fabs(longitude) <= 180.0;
}

GeoPosition TrackModel::to_position(GridPoint point) const {
    return {origin_latitude_ + point.north_m / METRES_PER_DEGREE,
            wrapped_degrees(origin_longitude_ + point.east_m / metres_per_degree_east_)};
}

void TrackModel::add_usbl_fix(int64_t time_ms, double latitude, double longitude) {
    const GridPoint at = to_grid(latitude, longitude);
    const int64_t previous_ms = usbl_.empty() ? INT64_MIN : usbl_.back().time_ms;
    usbl_.push({time_ms, static_cast<float>(at.east_m), static_cast<float>(at.north_m)});
    ++revision_;
    refresh_drift_since(std::min(previous_ms, time_ms));
}

// A new fix changes the drift only of the positions after the fix before it: it may now
// interpolate for them, or be nearer than any was. Positions before that fix keep it as their
// nearer neighbour.
void TrackModel::refresh_drift_since(int64_t time_ms) {
    for (std::size_t i = vehicle_.size(); i-- > 0 && vehicle_[i].time_ms >= time_ms;) {
        VehiclePoint& point = vehicle_.mutable_point(i);
        const std::optional<Drift> drift = drift_at(point.time_ms, {point.east_m, point.north_m});
        point.drift_m = drift ? static_cast<float>(drift->distance_m) : NAN;
        point.drift_bearing_deg = drift ? static_cast<float>(drift->bearing_deg) : NAN;
    }
}

std::optional<Drift> TrackModel::add_vehicle_position(int64_t time_ms, double latitude,
                                                      double longitude, float depth_m,
                                                      float heading_deg) {
    const GridPoint at = to_grid(latitude, longitude);
    vehicle_.push({time_ms, static_cast<float>(at.east_m), static_cast<float>(at.north_m), depth_m,
                   heading_deg, NAN, NAN});
    ++revision_;
    refresh_drift_since(time_ms);
    return drift_of(vehicle_.size() - 1);
}

std::optional<Drift> TrackModel::drift_of(std::size_t vehicle_index) const {
    const VehiclePoint& point = vehicle_[vehicle_index];
    if (!point.has_drift()) {
        return std::nullopt;
    }
    return Drift{point.drift_m, point.drift_bearing_deg};
}

std::optional<Drift> TrackModel::drift_at(int64_t time_ms, GridPoint vehicle) const {
    const std::optional<GridPoint> usbl = usbl_at(time_ms);
    if (!usbl) {
        return std::nullopt;
    }
    return drift_between(*usbl, vehicle);
}

// Fixes come in the order they were read, so their times rise and a binary search finds the
// two around a moment.
std::optional<GridPoint> TrackModel::usbl_at(int64_t time_ms) const {
    std::size_t low = 0;
    std::size_t high = usbl_.size();
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if (usbl_[middle].time_ms < time_ms) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    // `low` is the first fix at or after the moment.
    const UsblPoint* after = low < usbl_.size() ? &usbl_[low] : nullptr;
    const UsblPoint* before = low > 0 ? &usbl_[low - 1] : nullptr;
    if (after != nullptr && after->time_ms == time_ms) {
        return grid_of(*after);
    }
    if (before != nullptr && after != nullptr &&
        after->time_ms - before->time_ms <= INTERPOLATE_WITHIN_MS) {
        const double t = static_cast<double>(time_ms - before->time_ms) /
                         static_cast<double>(after->time_ms - before->time_ms);
        return GridPoint{before->east_m + t * (after->east_m - before->east_m),
                         before->north_m + t * (after->north_m - before->north_m)};
    }
    const int64_t before_gap = before != nullptr ? time_ms - before->time_ms : INT64_MAX;
    const int64_t after_gap = after != nullptr ? after->time_ms - time_ms : INT64_MAX;
    const UsblPoint* nearest = before_gap <= after_gap ? before : after;
    if (nearest == nullptr || std::min(before_gap, after_gap) > NEAREST_WITHIN_MS) {
        return std::nullopt;
    }
    return grid_of(*nearest);
}

} // namespace nerivo
