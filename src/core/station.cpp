// Start-up and the tick.
#include "station.h"

#include "control_ids.h"

namespace nerivo {

Station::Station(StationView& view, DumpOutput* dump, const StationSettings& settings)
    : view_(view), own_dump_(dump == nullptr ? std::make_unique<StandardOutputDump>() : nullptr),
      dump_(dump == nullptr ? *own_dump_ : *dump), log_(view), relay_(log_, dump_),
      monitor_(view, log_, settings), nmea_(view, log_, settings.nmea_targets),
      target_report_(settings.mmsi, settings.target_name),
      target_out_(view, log_, settings.target_outputs, "Target output"),
      // Nothing is read from the GPS link, but the window keeps its hidden field and button,
      // so the link opens, closes and turns its button as the others do.
      gps_(view, log_, {"GPS", IDC_GPS_COM, IDC_GPS_BUTTON, nullptr}, [] {}),
      winfrog_(view, log_,
               {"WinFrog", IDC_WINFROG_COM, IDC_WINFROG_BUTTON, "WinFrog responding...Connected"},
               [this] { relay_.forget_input(); }),
      auv_(view, log_, {"AUV", IDC_AUV_COM, IDC_AUV_BUTTON, "AUV responding...Connected"},
           [this] { vehicle_link_closed(); }) {
    relay_.on_fix_read([this](WallTime read_at, double latitude, double longitude) {
        track_usbl_fix(read_at, latitude, longitude);
    });
}

void Station::init_station() {
    view_.set_field_text(IDC_XMIT_PERIOD, "5");
    add_status_message("Nerivo Started...ready");
    nmea_.start();
    target_out_.start();

    // The GPS link counts as connected from the start, although its button stays red.
    for (int id : {IDC_WINFROG_BUTTON, IDC_GPS_BUTTON, IDC_AUV_BUTTON, IDC_XMIT_BUTTON}) {
        view_.set_button_colours(id, STATE_CAPTION, STATE_RED);
    }
    gps_.count_as_connected();

    view_.set_field_text(IDC_AUV_COM, "5");
    view_.set_field_text(IDC_GPS_COM, "7");
    view_.set_field_text(IDC_WINFROG_COM, "1");

    for (const int id :
         {IDC_LATITUDE, IDC_LONGITUDE, IDC_HEADING, IDC_DEPTH, IDC_ALTITUDE, IDC_BATTERY_VOLTAGE}) {
        view_.set_field_text(id, "---");
    }
    view_.set_field_text(IDC_BEHAVIOUR, "N/A");
}

void Station::on_tick() {
    log_.begin_tick();
    for (Link* link : {&gps_, &winfrog_, &auv_}) {
        if (link->reopen_if_due()) {
            resume_relay_if_due();
        }
    }
    nmea_.watch();
    target_out_.watch();
    // What the vehicle link has queued goes as far as its device takes it, never waited for.
    if (auv_.connected() && !auv_.pump()) {
        vehicle_send_failed();
    }
    if (auv_.connected() && monitor_.poll_vehicle_status(auv_, TICK_READ_BOUND)) {
        monitor_.show_vehicle_status();
        nmea_.send(monitor_.status(), monitor_.arrived_at());
        track_vehicle_status();
        target_out_.send_sentences(
            target_report_.tracking(monitor_.status(), monitor_.arrived_at(), monotonic_ms()));
    }
    if (winfrog_.connected()) {
        relay_.process_usbl_input(winfrog_, auv_, TICK_READ_BOUND);
    }
    monitor_.watch();
    // A picture gone stale is no longer a tracked target.
    if (monitor_.stale() != target_stale_) {
        target_stale_ = monitor_.stale();
        if (target_stale_) {
            report_target_lost();
        }
    }
    relay_.watch_feed();
    report_dump_state();
    log_.end_tick();
}

namespace {

int64_t ms_of(WallTime time) {
    return time.seconds * 1000 + time.milliseconds;
}

} // namespace

void Station::track_usbl_fix(WallTime read_at, double latitude, double longitude) {
    track_.add_usbl_fix(ms_of(read_at), latitude, longitude);
    if (track_sink_ != nullptr) {
        track_sink_->add_track_row(
            {read_at, TrackRow::Source::USBL, latitude, longitude, {}, {}, {}});
    }
}

void Station::track_vehicle_status() {
    const VehicleStatus& status = monitor_.status();
    const WallTime arrived = monitor_.arrived_at();
    // A vehicle that reports no position (NaN) has no point on the track.
    if (!TrackModel::valid_position(status.latitude, status.longitude)) {
        return;
    }
    const std::optional<Drift> drift = track_.add_vehicle_position(
        ms_of(arrived), status.latitude, status.longitude, status.depth, status.heading);
    if (track_sink_ != nullptr) {
        track_sink_->add_track_row({arrived, TrackRow::Source::VEHICLE, status.latitude,
                                    status.longitude, status.depth, status.heading, drift});
    }
}

void Station::report_target_lost() {
    target_out_.send_sentences(target_report_.lost(wall_clock_now()));
}

// Once when records start to be dropped, once when they go out again.
void Station::report_dump_state() {
    const bool dropping = dump_.dropping();
    if (dropping == dump_dropping_told_) {
        return;
    }
    dump_dropping_told_ = dropping;
    add_status_message(dropping
                           ? "Record dump to standard output is not being read; records dropped"
                           : "Record dump to standard output is being read again");
}

} // namespace nerivo
