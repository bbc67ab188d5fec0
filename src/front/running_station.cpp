#include "running_station.h"

namespace nerivo {

RunningStation::RunningStation(StationView& window_view, const StationOptions& options,
                               DumpOutput* dump)
    : log_files_(options.log_dir.empty()
                     ? nullptr
                     : std::make_unique<LogFilesView>(window_view, options.log_dir)),
      station_(log_files_ ? static_cast<StationView&>(*log_files_) : window_view, dump,
               options.settings) {
    if (log_files_) {
        log_files_->report_problems_to(
            [this](const std::string& problem) { station_.add_status_message(problem); });
        station_.write_track_to(log_files_.get());
    }
}

} // namespace nerivo
