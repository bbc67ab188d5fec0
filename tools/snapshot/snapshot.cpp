// Renders the station window as it looks after start-up into a PNG, without a display.
//
//   nerivo-snapshot OUTPUT.png
#include "station_app.h"

#include <QApplication>
#include <QImage>
#include <QPixmap>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: nerivo-snapshot OUTPUT.png\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    nerivo::StationParts parts;
    parts.window().show();
    QApplication::processEvents();
    const QImage picture = parts.window().grab().toImage();
    if (!picture.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "nerivo-snapshot: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
