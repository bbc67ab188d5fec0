#pragma once

// The logs kept as files as well as on screen, when the operator asks for it: a view in front
// of the window's view. Every line is appended to its log's file with its full local date and
// time, flushed at once, and passed on unchanged; everything else is passed on untouched.
// The track goes to a CSV file of the same run, a row at a time.

#include "log_file.h"
#include "station_view.h"
#include "track_csv.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

namespace nerivo {

class LogFilesView final : public StationView, public TrackSink {
public:
    // Runs that start within the same second get ".01" to ".99" after the time in their names.
    static constexpr int MAX_RUNS_PER_SECOND = 100;

    // The files go in `folder` (UTF-8), made with its parents when the first line comes; that
    // line's time names them: nerivo-2026-12-08T20-45-07-status.log, -nav.log and -track.csv.
    LogFilesView(StationView& next, std::string folder);

    // Where a problem with the files is told, once, right after the line that met it: the
    // station's status log, stamped like any other message. The station runs on without files.
    void report_problems_to(std::function<void(const std::string&)> report);

    void add_status_line(WallTime time, const std::string& line) override;
    void add_nav_line(WallTime time, const std::string& line) override;
    std::string field_text(int id) const override;
    void set_field_text(int id, const std::string& text) override;
    void set_button_colours(int id, uint32_t text_colour, uint32_t face_colour) override;
    void set_field_stale(int id, bool stale) override;
    void set_field_tooltip(int id, const std::string& text) override;
    bool ask_yes_no(const std::string& text, const std::string& caption) override;

    // Appended to the track file as a CSV line; a problem with it is told once, and the logs
    // go on without it.
    void add_track_row(const TrackRow& row) override;

private:
    struct File {
        std::filesystem::path path;
        LogFile file;
    };

    void open_files(WallTime start);
    void append(File& file, WallTime time, const std::string& line);
    void stop(std::string problem);
    // The track file alone failed: the logs go on.
    void stop_tracking();
    void report_problem();

    StationView& next_;
    std::string folder_;
    std::function<void(const std::string&)> report_;
    bool started_ = false;
    bool writing_ = false;
    File status_;
    File nav_;
    File track_;
    bool tracking_ = false;
    std::string problem_; // not told yet
};

// The local date and time of a wall-clock second with its offset from UTC, ISO 8601:
// "2026-12-08T20:45:07+01:00".
std::string iso_local_time(int64_t seconds);

} // namespace nerivo
