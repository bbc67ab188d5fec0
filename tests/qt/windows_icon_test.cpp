#include "app_icon.h"

#include <QFile>
#include <QImage>
#include <gtest/gtest.h>

#include <iterator>

namespace {

// The Windows build has no Qt and takes its icon from a committed file: it must stay what the
// drawing code draws now, image for image.
TEST(WindowsIcon, CommittedFileHoldsTheIconAsDrawnNow) {
    const char* redraw = "redraw it with: cmake --preset debug -DNERIVO_PACKAGING=ON && "
                         "cmake --build --preset debug --target nerivo-windows-icon";
    QFile file(QStringLiteral(NERIVO_WINDOWS_ICON));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << NERIVO_WINDOWS_ICON;
    const QByteArray ico = file.readAll();
    const auto u16 = [&](qsizetype at) {
        return quint8(ico[at]) | quint8(ico[at + 1]) << 8;
    };
    const auto u32 = [&](qsizetype at) {
        return quint32(u16(at)) | quint32(u16(at + 2)) << 16;
    };

    const int sizes[] = {16, 24, 32, 48, 64, 128, 256};
    ASSERT_GE(ico.size(), 6 + 16 * qsizetype(std::size(sizes)));
    ASSERT_EQ(u16(2), 1) << "not an icon file";
    ASSERT_EQ(u16(4), int(std::size(sizes))) << redraw;
    for (qsizetype i = 0; i < qsizetype(std::size(sizes)); ++i) {
        const qsizetype entry = 6 + 16 * i;
        const int size = sizes[i];
        EXPECT_EQ(quint8(ico[entry]), size % 256) << size << " px: " << redraw;
        EXPECT_EQ(u16(entry + 6), 32) << size << " px: " << redraw;
        const QImage stored = QImage::fromData(ico.mid(u32(entry + 12), u32(entry + 8)), "PNG");
        const QImage drawn = nerivo::draw_application_icon(size);
        EXPECT_TRUE(stored.convertToFormat(QImage::Format_ARGB32) ==
                    drawn.convertToFormat(QImage::Format_ARGB32))
            << size << " px differs from the drawing: " << redraw;
    }
}

} // namespace
