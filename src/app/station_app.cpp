#include "station_app.h"

#include "app_icon.h"

#include <QApplication>

using namespace nerivo;

StationParts::StationParts(const StationOptions& options, DumpOutput* dump)
    : behind_(window_.view(), options, dump) {
    window_.show_station(behind_.station());
}

bool StationApp::init_instance() {
    QApplication::setWindowIcon(application_icon());
    StationParts parts(options_);
    parts.window().exec();
    return false;
}
