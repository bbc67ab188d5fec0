#pragma once

// The station: the three links, the connection and relay flags, the last fix and the last
// vehicle status, and the operations the operator's buttons and the 500 ms tick run. It
// decides everything and tells its view what to show; it knows nothing of widgets.

#include "dump_output.h"
#include "record_framer.h"
#include "serial_port.h"
#include "smac_records.h"
#include "station_settings.h"
#include "station_view.h"
#include "usbl_intake.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace nerivo {

class Station {
public:
    // Every link runs at 9600 baud, 8 data bits, no parity, one stop bit.
    static constexpr uint32_t LINK_BAUD = 9600;
    static constexpr uint8_t LINK_BYTE_SIZE = 8;

    // The transmit period field is read cut to this many characters.
    static constexpr std::size_t XMIT_PERIOD_MAX_CHARS = 9;

    // A status line is at most this many characters, its stamp included.
    static constexpr std::size_t STATUS_LINE_MAX = 255;

    static constexpr int32_t USBL_READ_LIMIT = 256;
    // What one tick takes off a link at most, in reads of the limits above: far more than
    // either peer sends in a tick, so the station keeps up with a fast one, yet a flood
    // cannot hold the tick.
    static constexpr std::size_t TICK_READ_BOUND = 4096;
    // A status read starts once this many bytes wait, counting those kept from earlier
    // reads: the header and payload of a status record (28 + 36), the part its trailer
    // vouches for. Fewer cannot hold a record; a record short of its trailer is kept until
    // the trailer comes.
    static constexpr uint32_t STATUS_READ_THRESHOLD = SMAC_HEADER_SIZE + SMAC_STATUS_PAYLOAD_SIZE;
    static constexpr int32_t STATUS_READ_LIMIT = 100;

    // Room each status value has on screen; a longer text is shown in the short general form.
    static constexpr std::size_t VALUE_TEXT_MAX = 31;

    // The same message from the links again within this time of the last is counted, not shown; the
    // count is shown once the burst has been quiet this long, or has gone on for
    // REPEAT_REPORT_MS.
    static constexpr int64_t REPEAT_WINDOW_MS = 2000;
    static constexpr int64_t REPEAT_REPORT_MS = 30000;

    // `dump` receives the dump of every nav record built; null means standard output.
    explicit Station(StationView& view, DumpOutput* dump = nullptr,
                     const StationSettings& settings = {});
    ~Station();
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    // Fills the fields with their first texts, logs the start, sets the flags and turns the
    // four state buttons red. Run once, when the window's controls exist.
    void init_station();
    // The status poll first, then the USBL intake; and news of the record dump.
    void on_tick();

    // Stamps the message with the local day and time and puts it on top of the status log; a
    // burst of the same message from the links, while ticking, gives one line, then one with
    // its count.
    void add_status_message(const std::string& message);
    void add_nav_line(const std::string& line);

    // The operator's buttons.
    void connect_winfrog();
    void connect_auv();
    void connect_gps();
    void toggle_relay();
    void request_status();
    void abort_mission();
    void start_survey();

    // Navigation relay: one USBL read per tick, at most one nav record per period.
    void process_usbl_input();
    // False when the vehicle link did not take the whole record and its terminator.
    bool send_nav_record();

    // Vehicle status monitor: one status read per tick.
    bool poll_vehicle_status();
    void store_vehicle_status(const VehicleStatus& status);
    void show_vehicle_status();

private:
    struct LastSentFix {
        int32_t lat_degrees = 0;
        float lat_minutes = 0;
        int32_t lon_degrees = 0;
        float lon_minutes = 0;
    };

    // A burst of one message: shown once, then counted.
    struct RepeatedMessage {
        std::string text;
        int64_t reported_ms = 0; // when its line or its last count was shown
        int64_t last_ms = 0;
        int count = 0; // not yet shown
    };

    void connect_link(int field_id, SerialPort& port, int32_t& port_number, int32_t& connected,
                      int button_id, const char* message);
    // A link whose port has just been closed: nothing of the old device's input is kept.
    void forget_link_input(const SerialPort& port);
    void write_status_line(const std::string& message);
    void report_repeats();
    // After a call on a link's port: false, with the link shown lost and closed, when the
    // device has gone.
    bool still_there(SerialPort& port);
    void lose_auv_link();
    void lose_winfrog_link();
    void report_dump_state();
    void handle_usbl_sentence(const std::string& text);
    void handle_status_events(const std::vector<FrameEvent>& events, bool& have_status,
                              VehicleStatus& newest);
    void send_command(uint32_t code);
    void send_confirmed_command(const char* question, const char* caption, const char* log_line,
                                uint32_t code);

    StationView& view_;
    StationSettings settings_;
    std::unique_ptr<DumpOutput> own_dump_;
    DumpOutput& dump_;

    int32_t gps_connected = 1;
    int32_t winfrog_connected = 0;
    int32_t auv_connected = 0;
    int32_t transmitting = 0;
    // Declared in this order so the vehicle link closes first, then WinFrog, then GPS.
    SerialPort gps_port;
    SerialPort winfrog_port;
    SerialPort auv_port;
    // The COM number each port was opened with.
    int32_t gps_port_number_ = 0;
    int32_t winfrog_port_number_ = 0;
    int32_t auv_port_number_ = 0;

    float auv_latitude = 0, auv_longitude = 0, auv_heading = 0, auv_depth = 0, auv_altitude = 0,
          auv_battery_voltage = 0, auv_humidity = 0;
    float fix_latitude = 0, fix_longitude = 0, fix_sl = 0;
    int32_t fix_hours = 0, fix_minutes = 0;
    float fix_seconds = 0;
    std::string behaviour_text;
    std::string abort_text;
    // Whole seconds on the monotonic clock, so that a wall clock set back never silences the
    // relay; none until a record has gone out since the relay started.
    std::optional<int64_t> last_xmit_time;
    int32_t xmit_period = 0; // whole seconds
    // Only a change of position is relayed; this survives stopping and restarting the relay,
    // for the life of the station (of the run).
    LastSentFix last_sent_fix;

    // Status bytes read but not yet a whole record.
    RecordFramer status_framer_;
    // USBL text read but not yet handled.
    UsblIntake usbl_intake_;
    // Whether the operator has been told that record dumps are being dropped.
    bool dump_dropping_told_ = false;
    RepeatedMessage last_message_;
    bool ticking_ = false; // what is logged now comes from the links, not the operator
};

} // namespace nerivo
