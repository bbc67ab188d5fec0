#pragma once

#include "dump_output.h"
#include "station_behind_view.h"
#include "station_options.h"
#include "station_window.h"

#include <utility>

// What a run is made of, built in the order each needs the one before: the window, the log
// files in front of its view (with --log-dir), and the station over them, shown by the window.
// They go in the reverse order: the station, which may still log a line as it closes its
// links, before the views it writes to.
class StationParts {
public:
    // `dump` receives the dump of every nav record; null means standard output.
    explicit StationParts(const nerivo::StationOptions& options = {},
                          nerivo::DumpOutput* dump = nullptr);
    StationParts(const StationParts&) = delete;
    StationParts& operator=(const StationParts&) = delete;

    StationWindow& window() { return window_; }
    nerivo::Station& station() { return behind_.station(); }

private:
    StationWindow window_;
    nerivo::StationBehindView behind_;
};

// The application object: builds the station, runs its window modally and takes it all down.
class StationApp {
public:
    explicit StationApp(nerivo::StationOptions options = {}) : options_(std::move(options)) {}

    // Runs the station to its end. Returns false: nothing is left to run afterwards.
    bool init_instance();

private:
    nerivo::StationOptions options_;
};
