#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace nerivo {

// A place the vehicle's position goes out to as NMEA 0183 (--nmea-out, --target-out): a UDP
// host and port, or a COM port.
struct NmeaTarget {
    // Serial NMEA's usual rate.
    static constexpr uint32_t DEFAULT_BAUD = 4800;

    std::string text; // as the operator wrote it, for the status log
    std::string host; // a name or an address; empty for a COM port
    std::string port; // the UDP port, in digits
    int32_t com_number = 0;
    uint32_t baud = DEFAULT_BAUD;
};

// What the operator may set at start (--status-timeout, --stale-after, --nmea-out,
// --target-out, --mmsi, --target-name); the defaults are what a station without options uses.
struct StationSettings {
    // A status request with no status record this long after it is reported, once.
    int status_timeout_s = 10;
    // The vehicle fields are drawn as stale once the last status record is this old.
    int stale_after_s = 60;
    // Where each status shown also goes out as NMEA 0183; none by default.
    std::vector<NmeaTarget> nmea_targets{};
    // Where each status shown also goes out as a target on a chart that shows the ship too:
    // TLL, and AIS when the vehicle has an MMSI. None by default.
    std::vector<NmeaTarget> target_outputs{};
    // The vehicle's MMSI, 9 digits; 0: none, and no AIS.
    uint32_t mmsi = 0;
    // The vehicle's name on such a chart, in AIS's six-bit characters.
    std::string target_name = "AUV";
};

} // namespace nerivo
