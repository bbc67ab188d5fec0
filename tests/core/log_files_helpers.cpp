#include "log_files_helpers.h"

namespace nerivo::testing {

LoggingStation::LoggingStation(const std::string& folder) : files(view, folder) {
    files.report_problems_to(
        [this](const std::string& problem) { station.add_status_message(problem); });
    station.init_station();
}

} // namespace nerivo::testing
