#include "station_app.h"

#include "app_icon.h"
#include "station_window.h"

#include <QApplication>

#include <memory>

bool StationApp::init_instance() {
    QApplication::setWindowIcon(nerivo::application_icon());
    auto window = std::make_unique<StationWindow>(nullptr, nullptr, options_);
    window->exec();
    window.reset();
    return false;
}
