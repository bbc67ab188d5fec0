#pragma once

#include "com_dir.h"
#include "pty_pair.h"
#include "smac_records.h"
#include "station_helpers.h"

#include <QStringList>

#include <cstdint>
#include <string>
#include <vector>

namespace nerivo::testing {

// A started station whose COM 1 and COM 5 lead to cables the test holds: `usbl` is the
// navigation package's end, `vehicle` the vehicle's.
struct LinkedStation : StartedStation {
    LinkedStation();

    ComDir com;
    PtyPair usbl;
    PtyPair vehicle;

    void connect_both();
    // Connects both links and starts the relay with this transmit period.
    void start_relay(int period_s);

    // Puts the bytes at the station's end of a link and waits until they are queued there.
    void usbl_sends(const std::string& text);
    void vehicle_sends(const std::vector<uint8_t>& bytes);

    // A sentence at this position (degrees, minutes, hemisphere), time and last number.
    static std::string sentence(int lat_deg, double lat_min, char ns, int lon_deg, double lon_min,
                                char ew, const char* time = "120000.00", double sl = 10.0);

    QStringList status_lines() const;    // newest first, stamps included
    QStringList status_messages() const; // newest first, stamps cut off
    QString newest_status() const;
    int status_count() const;
};

// A whole status record built now (the encoder is pinned by the record tests).
std::vector<uint8_t> status_record(const VehicleStatus& status);

// Splits what arrived at the vehicle end into nav records: each must be 48 bytes and "Done".
struct SentNav {
    SmacHeader header;
    NavFix fix;
};
std::vector<SentNav> nav_records_in(const std::vector<uint8_t>& bytes);

} // namespace nerivo::testing
