#include "station_app.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    StationApp station;
    station.init_instance();
    return 0;
}
