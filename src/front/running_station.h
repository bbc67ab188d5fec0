#pragma once

// What a run puts behind its window's view, the same in both programs: the log files in front
// of the view when the operator asked for them, and the station over them, told the files'
// problems. Built after the window (whose view it takes) and taken down before it: the
// station, which may still log a line as it closes its links, goes first.

#include "dump_output.h"
#include "log_files_view.h"
#include "station.h"
#include "station_options.h"
#include "station_view.h"

#include <memory>

namespace nerivo {

class RunningStation {
public:
    // `dump` receives the dump of every nav record; null means standard output.
    RunningStation(StationView& window_view, const StationOptions& options,
                   DumpOutput* dump = nullptr);
    RunningStation(const RunningStation&) = delete;
    RunningStation& operator=(const RunningStation&) = delete;

    Station& station() { return station_; }

private:
    std::unique_ptr<LogFilesView> log_files_;
    Station station_;
};

} // namespace nerivo
