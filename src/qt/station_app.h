#pragma once

#include "dump_output.h"
#include "running_station.h"
#include "station_options.h"
#include "station_window.h"

#include <utility>

namespace nerivo {

// What a run is made of, built in the order each needs the one before: the window, the log
// files in front of its view (with --log-dir), and the station over them, shown by the window.
// They go in the reverse order: the station, which may still log a line as it closes its
// links, before the views it writes to.
class StationParts {
public:
    // `dump` receives the dump of every nav record; null means standard output.
    explicit StationParts(const StationOptions& options = {}, DumpOutput* dump = nullptr);
    StationParts(const StationParts&) = delete;
    StationParts& operator=(const StationParts&) = delete;

    StationWindow& window() { return window_; }
    Station& station() { return behind_.station(); }

private:
    StationWindow window_;
    RunningStation behind_;
};

// The application object: builds the station, runs its window modally and takes it all down.
class StationApp {
public:
    explicit StationApp(StationOptions options = {}) : options_(std::move(options)) {}

    // Runs the station to its end: returns when the operator has closed the window.
    void run();

private:
    StationOptions options_;
};

} // namespace nerivo
