#include "lawn_mower_track.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace nerivo::sim {
namespace {

double degrees(double radians) {
    return radians * 180.0 / std::numbers::pi;
}

double radians(double degrees_) {
    return degrees_ * std::numbers::pi / 180.0;
}

} // namespace

double normalise_heading(double value) {
    double h = std::fmod(value, 360.0);
    if (h < 0) {
        h += 360.0;
    }
    return h >= 360.0 ? 0.0 : h;
}

LawnMowerTrack::LawnMowerTrack(const TrackConfig& config) : config_(config) {
    config_.legs = std::max(config_.legs, 1);
    config_.leg_length_m = std::max(config_.leg_length_m, 1.0);
    config_.leg_spacing_m = std::max(config_.leg_spacing_m, 0.0);
    config_.speed_mps = std::max(config_.speed_mps, 0.0);
    std::vector<LocalPoint> out;
    for (int leg = 0; leg < config_.legs; ++leg) {
        const double east = leg * config_.leg_spacing_m;
        const bool northward = leg % 2 == 0;
        out.push_back({northward ? 0.0 : config_.leg_length_m, east});
        out.push_back({northward ? config_.leg_length_m : 0.0, east});
    }
    // Back along the same lines, so the cycle closes without a jump.
    waypoints_ = out;
    for (auto it = out.rbegin() + 1; it != out.rend(); ++it) {
        waypoints_.push_back(*it);
    }
    for (std::size_t i = 1; i < waypoints_.size(); ++i) {
        cycle_length_m_ += std::hypot(waypoints_[i].north_m - waypoints_[i - 1].north_m,
                                      waypoints_[i].east_m - waypoints_[i - 1].east_m);
    }
    metres_per_degree_longitude_ =
        METRES_PER_DEGREE_LATITUDE * std::cos(radians(config_.origin_latitude));
    boat_ = {config_.leg_length_m / 2, (config_.legs - 1) * config_.leg_spacing_m / 2};
}

TrackPoint LawnMowerTrack::at(double seconds) const {
    double along = std::max(seconds, 0.0) * config_.speed_mps;
    along = std::fmod(along, cycle_length_m_);
    for (std::size_t i = 1; i < waypoints_.size(); ++i) {
        const LocalPoint& a = waypoints_[i - 1];
        const LocalPoint& b = waypoints_[i];
        const double dn = b.north_m - a.north_m;
        const double de = b.east_m - a.east_m;
        const double length = std::hypot(dn, de);
        if (length <= 0) {
            continue;
        }
        if (along <= length || i + 1 == waypoints_.size()) {
            const double f = std::min(along / length, 1.0);
            return {{a.north_m + dn * f, a.east_m + de * f},
                    normalise_heading(degrees(std::atan2(de, dn)))};
        }
        along -= length;
    }
    return {waypoints_.front(), 0.0};
}

GeoPoint LawnMowerTrack::to_geo(LocalPoint point) const {
    return {config_.origin_latitude + point.north_m / METRES_PER_DEGREE_LATITUDE,
            wrap_longitude(config_.origin_longitude + point.east_m / metres_per_degree_longitude_)};
}

LocalPoint LawnMowerTrack::to_local(GeoPoint point) const {
    return {(point.latitude - config_.origin_latitude) * METRES_PER_DEGREE_LATITUDE,
            wrap_longitude(point.longitude - config_.origin_longitude) *
                metres_per_degree_longitude_};
}

double wrap_longitude(double degrees_) {
    double d = std::fmod(degrees_ + 180.0, 360.0);
    if (d < 0) {
        d += 360.0;
    }
    return d - 180.0;
}

} // namespace nerivo::sim
