// Draws the station's icon with the window's own drawing code, at each size asked for, as a
// hicolor icon tree: OUT/NxN/apps/nerivo.png.
#include "app_icon.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>

#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    if (argc < 3) {
        std::fputs("usage: nerivo-render-icons OUT SIZE...\n", stderr);
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    for (int i = 2; i < argc; ++i) {
        const int size = QByteArray(argv[i]).toInt();
        if (size < 1) {
            std::fprintf(stderr, "nerivo-render-icons: not a size: %s\n", argv[i]);
            return 2;
        }
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(out).arg(size);
        const QString file = folder + QStringLiteral("/nerivo.png");
        if (!QDir().mkpath(folder) || !nerivo::draw_application_icon(size).save(file, "PNG")) {
            std::fprintf(stderr, "nerivo-render-icons: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
