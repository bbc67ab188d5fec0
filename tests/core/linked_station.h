#pragma once

#include "com_cables.h"
#include "control_ids.h"
#include "fake_clock.h"
#include "log_files_view.h"
#include "recording_view.h"
#include "smac_records.h"
#include "station.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace nerivo::testing {

// A started station at 09:05:07 on 1 January 2023 (UTC), whose COM 1 and COM 5 lead to cables
// the test holds: `usbl` is the navigation package's end, `vehicle` the vehicle's. What the
// operator sees is in `view`; the record dumps are in `dump`.
struct LinkedStation {
    // `dump_to` takes the record dumps instead of `dump`.
    explicit LinkedStation(DumpOutput* dump_to = nullptr, const StationSettings& settings = {});
    // Keeps its logs and its track in `log_folder` as well, as a run with --log-dir does.
    explicit LinkedStation(const std::string& log_folder);

    ScopedTimeZone zone{"UTC0"};
    FakeClock clock{local_seconds(2023, 1, 1, 9, 5, 7)};
    ComCables com;
    FarEnd& usbl = com.plug(1);
    FarEnd& vehicle = com.plug(5);
    RecordingView view;
    RecordedDump dump;
    std::unique_ptr<LogFilesView> files;
    Station station;

    void connect_both();
    // Connects both links and starts the relay with this transmit period.
    void start_relay(int period_s);

    // Puts the bytes at the station's end of a link and waits until they are queued there.
    void usbl_sends(const std::string& text);
    void vehicle_sends(const std::vector<uint8_t>& bytes);

    // A sentence at this position (degrees, minutes, hemisphere), time and last number.
    static std::string sentence(int lat_deg, double lat_min, char ns, int lon_deg, double lon_min,
                                char ew, const char* time = "120000.00", double sl = 10.0);

    std::string newest_status() const { return view.newest_status(); }
    std::size_t status_count() const { return view.status_count(); }
};

// A whole status record as the vehicle sends it.
std::vector<uint8_t> status_record(const VehicleStatus& status);

// Splits what arrived at the vehicle end into nav records: each must be 48 bytes and "Done".
struct SentNav {
    SmacHeader header;
    NavFix fix;
};
std::vector<SentNav> nav_records_in(const std::vector<uint8_t>& bytes);

} // namespace nerivo::testing
