// Draws the station's icon with the window's own drawing code, at each size asked for, either
// as a hicolor icon tree, OUT/NxN/apps/nerivo.png, or as one Windows icon file (--ico FILE).
#include "app_icon.h"

#include <QBuffer>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QList>
#include <QSaveFile>

#include <cstdio>

namespace {

QByteArray png_of(int size) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    nerivo::draw_application_icon(size).save(&buffer, "PNG");
    return png;
}

void append_le(QByteArray& out, quint32 value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.append(char(value >> (8 * i) & 0xff));
    }
}

// Every image stored as a PNG, which Windows reads in icons since Vista and needs at 256 pixels:
// a 6-byte header, a 16-byte entry per image, then the images.
bool write_ico(const QString& file, const QList<int>& sizes) {
    QByteArray ico;
    append_le(ico, 0, 2);
    append_le(ico, 1, 2); // an icon, not a cursor
    append_le(ico, quint32(sizes.size()), 2);
    QByteArray images;
    for (const int size : sizes) {
        const QByteArray png = png_of(size);
        if (png.isEmpty()) {
            return false;
        }
        append_le(ico, quint32(size % 256), 1); // 256 is written as 0
        append_le(ico, quint32(size % 256), 1);
        append_le(ico, 0, 2);  // no palette
        append_le(ico, 1, 2);  // planes
        append_le(ico, 32, 2); // bits per pixel
        append_le(ico, quint32(png.size()), 4);
        append_le(ico, quint32(6 + 16 * sizes.size() + images.size()), 4);
        images += png;
    }
    QSaveFile out(file);
    return out.open(QIODevice::WriteOnly) &&
           out.write(ico + images) == ico.size() + images.size() && out.commit();
}

bool write_tree(const QString& out, const QList<int>& sizes) {
    for (const int size : sizes) {
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(out).arg(size);
        const QString file = folder + QStringLiteral("/nerivo.png");
        if (!QDir().mkpath(folder) || !nerivo::draw_application_icon(size).save(file, "PNG")) {
            std::fprintf(stderr, "nerivo-render-icons: cannot write %s\n", qPrintable(file));
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    const bool ico = argc > 1 && QByteArray(argv[1]) == "--ico";
    const int first = ico ? 2 : 1;
    if (argc < first + 2) {
        std::fputs("usage: nerivo-render-icons OUT SIZE...\n"
                   "       nerivo-render-icons --ico FILE SIZE...\n",
                   stderr);
        return 2;
    }
    QList<int> sizes;
    for (int i = first + 1; i < argc; ++i) {
        const int size = QByteArray(argv[i]).toInt();
        if (size < 1 || (ico && size > 256)) {
            std::fprintf(stderr, "nerivo-render-icons: not a size: %s\n", argv[i]);
            return 2;
        }
        sizes.append(size);
    }
    const QString out = QString::fromLocal8Bit(argv[first]);
    if (!ico) {
        return write_tree(out, sizes) ? 0 : 1;
    }
    if (!write_ico(out, sizes)) {
        std::fprintf(stderr, "nerivo-render-icons: cannot write %s\n", qPrintable(out));
        return 1;
    }
    return 0;
}
