#pragma once

// The station: the three links, the navigation relay and the vehicle status monitor, and the
// operations the operator's buttons and the 500 ms tick run. It decides everything and tells
// its view what to show; it knows nothing of widgets.

#include "dump_output.h"
#include "event_log.h"
#include "link.h"
#include "nav_relay.h"
#include "nmea_output.h"
#include "station_settings.h"
#include "station_view.h"
#include "status_monitor.h"
#include "target_report.h"
#include "track_csv.h"
#include "track_model.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace nerivo {

class Station {
public:
    // The transmit period field is read cut to this many characters.
    static constexpr std::size_t XMIT_PERIOD_MAX_CHARS = 9;
    // What one tick takes off a link at most: far more than either peer sends in a tick, so
    // the station keeps up with a fast one, yet a flood cannot hold the tick.
    static constexpr std::size_t TICK_READ_BOUND = 4096;

    // `dump` receives the dump of every nav record built; null means standard output.
    explicit Station(StationView& view, DumpOutput* dump = nullptr,
                     const StationSettings& settings = {});
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    // Fills the fields with their first texts, logs the start, and turns the four state
    // buttons red. Run once, when the window's controls exist.
    void init_station();
    // Lost links and NMEA targets tried again, the status poll (a status shown also goes out
    // as NMEA), the USBL intake, then what the clock tells:
    // an unanswered request, the age of the status, a quiet feed, the record dump.
    void on_tick();

    // Stamps the message with the local day and time and puts it on top of the status log.
    void add_status_message(const std::string& message) { log_.add_status_message(message); }
    void add_nav_line(const std::string& line) { log_.add_nav_line(line); }

    // The USBL fixes read and the vehicle positions shown, for the track windows.
    const TrackModel& track() const { return track_; }
    // Where each point of the track goes as a row too (the log files); null for none.
    void write_track_to(TrackSink* sink) { track_sink_ = sink; }

    // The operator's buttons.
    void connect_winfrog();
    void connect_auv();
    void connect_gps();
    void toggle_relay();
    void request_status();
    void abort_mission();
    void start_survey();

private:
    void start_relay();
    void stop_relay();
    // The vehicle link let its device go: a relay that cannot send stops, to start again when
    // the link is back if it was lost rather than moved.
    void vehicle_link_closed();
    void resume_relay_if_due();
    void report_dump_state();
    // The target output's TLL for a position no longer tracked, once.
    void report_target_lost();
    // `name` says which command in a line that tells it was not sent.
    void send_command(uint32_t code, const char* name);
    void send_confirmed_command(const char* question, const char* caption, const char* log_line,
                                uint32_t code, const char* name);
    // The vehicle link's device failed a write: told, and the link lost if the device went.
    void vehicle_send_failed();
    void track_usbl_fix(WallTime read_at, double latitude, double longitude);
    void track_vehicle_status();

    StationView& view_;
    std::unique_ptr<DumpOutput> own_dump_;
    DumpOutput& dump_;
    EventLog log_;
    NavRelay relay_;
    StatusMonitor monitor_;
    NmeaOutput nmea_;
    // The vehicle as a target on a chart (--target-out): its sentences, and where they go.
    TargetReport target_report_;
    NmeaOutput target_out_;
    bool target_stale_ = false;
    TrackModel track_;
    TrackSink* track_sink_ = nullptr;
    // Declared in this order so the vehicle link closes first, then WinFrog, then GPS.
    Link gps_;
    Link winfrog_;
    Link auv_;
    // The relay was on when the vehicle link was lost.
    bool resume_relay_ = false;
    // Whether the operator has been told that record dumps are being dropped.
    bool dump_dropping_told_ = false;
};

} // namespace nerivo
