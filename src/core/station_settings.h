#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace nerivo {

// A place the vehicle's position goes out to as NMEA 0183 (--nmea-out): a UDP host and port,
// or a COM port.
struct NmeaTarget {
    // Serial NMEA's usual rate.
    static constexpr uint32_t DEFAULT_BAUD = 4800;

    std::string text; // as the operator wrote it, for the status log
    std::string host; // a name or an address; empty for a COM port
    std::string port; // the UDP port, in digits
    int32_t com_number = 0;
    uint32_t baud = DEFAULT_BAUD;
};

// What the operator may set at start (--status-timeout, --stale-after, --nmea-out); the
// defaults are what a station without options uses.
struct StationSettings {
    // A status request with no status record this long after it is reported, once.
    int status_timeout_s = 10;
    // The vehicle fields are drawn as stale once the last status record is this old.
    int stale_after_s = 60;
    // Where each status shown also goes out as NMEA 0183; none by default.
    std::vector<NmeaTarget> nmea_targets{};
};

} // namespace nerivo
