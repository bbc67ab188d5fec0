#include "station_app.h"

#include "app_icon.h"

#include <QApplication>

namespace nerivo {

StationParts::StationParts(const StationOptions& options, DumpOutput* dump)
    : behind_(window_.view(), options, dump) {
    window_.show_station(behind_.station());
}

void StationApp::run() {
    QApplication::setWindowIcon(application_icon());
    StationParts parts(options_);
    parts.window().exec();
}

} // namespace nerivo
