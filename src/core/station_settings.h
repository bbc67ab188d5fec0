#pragma once

namespace nerivo {

// The times the operator may set at start (--status-timeout, --stale-after); the defaults are
// what a station without options uses.
struct StationSettings {
    // A status request with no status record this long after it is reported, once.
    int status_timeout_s = 10;
    // The vehicle fields are drawn as stale once the last status record is this old.
    int stale_after_s = 60;
};

} // namespace nerivo
