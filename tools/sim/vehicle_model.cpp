#include "vehicle_model.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace nerivo::sim {
namespace {

constexpr double SEABED_DEPTH_M = 60.0;

// A gently rolling seabed, so altitude changes along the legs.
double seabed_depth(LocalPoint p) {
    return SEABED_DEPTH_M + 4.0 * std::sin(p.north_m / 90.0) + 2.5 * std::cos(p.east_m / 70.0);
}

} // namespace

VehicleModel::VehicleModel(const LawnMowerTrack& track, SimRandom& random, int64_t start_ms,
                           double nav_drift_mps)
    : track_(track), random_(random), start_ms_(start_ms), nav_drift_mps_(nav_drift_mps),
      last_step_ms_(start_ms), behaviour_since_ms_(start_ms) {
    const TrackPoint start = track_.at(0);
    estimate_ = start.position;
    heading_deg_ = start.heading_deg;
}

void VehicleModel::set_behaviour(uint32_t behaviour, int64_t now_ms) {
    behaviour_ = behaviour;
    behaviour_since_ms_ = now_ms;
}

void VehicleModel::step(int64_t now_ms) {
    if (now_ms <= last_step_ms_) {
        last_step_ms_ = std::min(last_step_ms_, now_ms);
        return;
    }
    const double dt = static_cast<double>(now_ms - last_step_ms_) / 1000.0;
    last_step_ms_ = now_ms;

    if (behaviour_ == SMAC_BEHAVIOUR_ABORT && now_ms - behaviour_since_ms_ >= ABORT_HOLD_MS) {
        set_behaviour(SMAC_BEHAVIOUR_ASCENDING, now_ms);
    }
    const bool under_way =
        behaviour_ == SMAC_BEHAVIOUR_DIVING || behaviour_ == SMAC_BEHAVIOUR_SURVEY;
    if (under_way) {
        depth_m_ = std::min(depth_m_ + DESCENT_RATE_MPS * dt, SURVEY_DEPTH_M);
        heading_deg_ = track_.at(static_cast<double>(now_ms - start_ms_) / 1000.0).heading_deg;
        // Dead reckoning between fixes: the vehicle's own speed along its heading.
        const double distance = track_.config().speed_mps * dt;
        const double h = heading_deg_ * std::numbers::pi / 180.0;
        estimate_.north_m += distance * std::cos(h);
        estimate_.east_m += distance * std::sin(h);
    } else if (behaviour_ == SMAC_BEHAVIOUR_ASCENDING) {
        depth_m_ = std::max(depth_m_ - ASCENT_RATE_MPS * dt, 0.0);
    }
    if (nav_drift_mps_ > 0) {
        const double b = NAV_DRIFT_BEARING_DEG * std::numbers::pi / 180.0;
        estimate_.north_m += nav_drift_mps_ * dt * std::cos(b);
        estimate_.east_m += nav_drift_mps_ * dt * std::sin(b);
    }
    if (depth_m_ > 0) {
        battery_v_ = std::max(battery_v_ - BATTERY_DRAIN_V_PER_S * dt, BATTERY_EMPTY_V);
    }
    humidity_pct_ = std::min(humidity_pct_ + 0.0002 * dt, 60.0);
}

void VehicleModel::apply_fix(const NavFix& fix, int64_t now_ms) {
    step(now_ms);
    if (!std::isfinite(fix.latitude) || !std::isfinite(fix.longitude)) {
        return;
    }
    const LocalPoint at = track_.to_local({fix.latitude, fix.longitude});
    if (nav_drift_mps_ > 0) {
        // A navigation filter that trusts its own reckoning over any one fix.
        estimate_.north_m += FIX_PULL * (at.north_m - estimate_.north_m);
        estimate_.east_m += FIX_PULL * (at.east_m - estimate_.east_m);
    } else {
        estimate_ = at;
    }
    ++fixes_;
}

CommandOutcome VehicleModel::command(uint32_t code, int64_t now_ms) {
    step(now_ms);
    switch (code) {
    case SMAC_COMMAND_REQUEST_STATUS:
        return CommandOutcome::STATUS_REQUESTED;
    case SMAC_COMMAND_ABORT:
        if (abort_flag_ != 0) {
            return CommandOutcome::ALREADY_ABORTED;
        }
        abort_flag_ = 1;
        set_behaviour(SMAC_BEHAVIOUR_ABORT, now_ms);
        return CommandOutcome::ABORTED;
    case SMAC_COMMAND_START_SURVEY:
        // An aborted vehicle is on its way up and stays so.
        if (abort_flag_ != 0) {
            return CommandOutcome::SURVEY_REFUSED;
        }
        set_behaviour(SMAC_BEHAVIOUR_SURVEY, now_ms);
        return CommandOutcome::SURVEY_STARTED;
    default:
        return CommandOutcome::UNKNOWN;
    }
}

VehicleStatus VehicleModel::status() const {
    const GeoPoint where = track_.to_geo(estimate_);
    const TrackPoint truth = track_.at(static_cast<double>(last_step_ms_ - start_ms_) / 1000.0);
    VehicleStatus s{};
    s.latitude = static_cast<float>(where.latitude);
    s.longitude = static_cast<float>(where.longitude);
    s.heading = static_cast<float>(normalise_heading(heading_deg_ + random_.normal(0.3)));
    s.depth = static_cast<float>(std::max(depth_m_ + random_.normal(0.05), 0.0));
    s.altitude = static_cast<float>(
        std::max(seabed_depth(truth.position) - depth_m_ + random_.normal(0.1), 0.0));
    s.battery_voltage = static_cast<float>(battery_v_ + random_.normal(0.01));
    s.humidity = static_cast<float>(humidity_pct_ + random_.normal(0.05));
    s.behaviour = behaviour_;
    s.abort_flag = abort_flag_;
    return s;
}

} // namespace nerivo::sim
