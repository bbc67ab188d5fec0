#include "station_app.h"

#include "app_icon.h"

#include <QApplication>

using namespace nerivo;

StationParts::StationParts(const StationOptions& options, DumpOutput* dump)
    : log_files_(options.log_dir.empty()
                     ? nullptr
                     : std::make_unique<LogFiles>(window_.view(), options.log_dir)),
      station_(log_files_ ? static_cast<StationView&>(*log_files_) : window_.view(), dump,
               options.settings) {
    if (log_files_) {
        log_files_->report_problems_to(
            [this](const std::string& problem) { station_.add_status_message(problem); });
    }
    window_.show_station(station_);
}

bool StationApp::init_instance() {
    QApplication::setWindowIcon(application_icon());
    StationParts parts(options_);
    parts.window().exec();
    return false;
}
