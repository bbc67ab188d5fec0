#pragma once

// The vehicle as the station sees it through its status records: where it thinks it is
// (the last relayed fix plus dead reckoning), heading, depth, altitude, battery, humidity,
// behaviour and abort state. Time comes in as milliseconds since 1970.
//
// Its navigation may drift, as in a current it does not know of: then its estimate wanders
// off towards NAV_DRIFT_BEARING_DEG, and a relayed fix only pulls it part of the way back.

#include "lawn_mower_track.h"
#include "sim_support.h"
#include "smac_records.h"

#include <cstdint>
#include <string>

namespace nerivo::sim {

// What a command did to the vehicle, for the readable line.
enum class CommandOutcome {
    STATUS_REQUESTED,
    ABORTED,
    ALREADY_ABORTED,
    SURVEY_STARTED,
    SURVEY_REFUSED,
    UNKNOWN
};

class VehicleModel {
public:
    static constexpr double SURVEY_DEPTH_M = 25.0;
    static constexpr double DESCENT_RATE_MPS = 0.5;
    static constexpr double ASCENT_RATE_MPS = 0.8;
    static constexpr int64_t ABORT_HOLD_MS = 2000; // drops its weight, then rises
    static constexpr double BATTERY_FULL_V = 25.2;
    static constexpr double BATTERY_EMPTY_V = 21.0;
    static constexpr double BATTERY_DRAIN_V_PER_S = 0.0004;
    static constexpr double NAV_DRIFT_BEARING_DEG = 45.0;
    // How far a fix moves a drifting estimate, as a share of the gap between them. At one fix a
    // second the gap settles near 100 s of drift (20 m at 0.2 m/s), two thirds of it in 100 s.
    static constexpr double FIX_PULL = 0.01;

    // `track` is where the vehicle is steering; `random` adds sensor noise; `nav_drift_mps` 0
    // keeps the navigation exact and lets a fix replace the estimate.
    VehicleModel(const LawnMowerTrack& track, SimRandom& random, int64_t start_ms,
                 double nav_drift_mps = 0);

    // Brings the model forward to `now_ms`; a clock that went back is taken as no time.
    void step(int64_t now_ms);
    // A relayed fix replaces the dead-reckoned position, or pulls a drifting one towards it.
    void apply_fix(const NavFix& fix, int64_t now_ms);
    CommandOutcome command(uint32_t code, int64_t now_ms);

    VehicleStatus status() const;

    uint32_t behaviour() const { return behaviour_; }
    bool aborted() const { return abort_flag_ != 0; }
    double depth_m() const { return depth_m_; }
    double heading_deg() const { return heading_deg_; }
    GeoPoint estimate() const { return track_.to_geo(estimate_); }
    bool has_fix() const { return fixes_ > 0; }
    double battery_v() const { return battery_v_; }
    int64_t start_ms() const { return start_ms_; }

private:
    void set_behaviour(uint32_t behaviour, int64_t now_ms);

    const LawnMowerTrack& track_;
    SimRandom& random_;
    int64_t start_ms_;
    double nav_drift_mps_;
    int64_t last_step_ms_;
    uint32_t behaviour_ = SMAC_BEHAVIOUR_DIVING;
    int32_t abort_flag_ = 0;
    int64_t behaviour_since_ms_;
    double depth_m_ = 0;
    double heading_deg_ = 0;
    double battery_v_ = BATTERY_FULL_V;
    double humidity_pct_ = 31.0;
    LocalPoint estimate_;
    uint64_t fixes_ = 0;
};

} // namespace nerivo::sim
