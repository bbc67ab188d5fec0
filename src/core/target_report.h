#pragma once

// The vehicle as a target on a chart that also shows the ship (--target-out): a TLL for every
// status the station shows and, with an MMSI, an AIS class B position report, its static data
// (name and type) with the first report and every STATIC_EVERY_MS after. When the picture
// goes stale or the vehicle link is lost, one TLL marks the last position lost; the next
// status shown tracks it again.

#include "smac_records.h"
#include "wall_clock.h"

#include <cstdint>
#include <optional>
#include <string>

namespace nerivo {

class TargetReport {
public:
    static constexpr int TARGET_NUMBER = 1;
    static constexpr int64_t STATIC_EVERY_MS = 6 * 60 * 1000;

    // `mmsi` 0: no AIS, TLL only.
    TargetReport(uint32_t mmsi, std::string name) : mmsi_(mmsi), name_(std::move(name)) {}

    // The sentences for a status shown, which arrived at `arrived`; `now_ms` on the monotonic
    // clock. Empty for a status that is no position.
    [[nodiscard]] std::string tracking(const VehicleStatus& status, WallTime arrived,
                                       int64_t now_ms);
    // Once after a status: the TLL that marks its position lost, as of `now`; empty otherwise.
    [[nodiscard]] std::string lost(WallTime now);

private:
    uint32_t mmsi_;
    std::string name_;
    std::optional<VehicleStatus> last_;     // tracked, not yet marked lost
    std::optional<int64_t> static_sent_ms_; // when the static data last went with a report
};

} // namespace nerivo
