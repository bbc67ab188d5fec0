#include "app_icon.h"

#include <QImage>
#include <gtest/gtest.h>

namespace {

using nerivo::icon_origin;

TEST(IconOrigin, CentresAndTruncatesTowardZero) {
    struct Row {
        int client, icon, expected;
    };
    const Row rows[] = {
        {36, 32, 2}, {31, 32, 0}, {28, 32, -1}, // -3 / 2 truncates to -1, not -2
        {32, 32, 0}, {33, 32, 1}, {961, 32, 465}, {359, 32, 164}, {0, 32, -15},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(icon_origin(row.client, row.icon), row.expected) << row.client;
    }
}

TEST(ApplicationIcon, HasTheThreeSizes) {
    const QIcon icon = nerivo::application_icon();
    const QList<QSize> sizes = icon.availableSizes();
    for (const int size : {16, 32, 48}) {
        EXPECT_TRUE(sizes.contains(QSize(size, size))) << size;
    }
}

TEST(ApplicationIcon, EachSizeIsAPictureWithATransparentCorner) {
    for (const int size : nerivo::ICON_SIZES) {
        const QImage image = nerivo::draw_application_icon(size);
        ASSERT_EQ(image.size(), QSize(size, size));
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << size; // rounded corner
        const QRgb middle = image.pixel(size / 2, size / 2);
        EXPECT_EQ(qAlpha(middle), 255) << size;
        // The vehicle's hull is yellow: much more red than blue somewhere on the midline.
        bool hull = false;
        for (int x = 0; x < size; ++x) {
            const QRgb p = image.pixel(x, size * 31 / 48);
            hull = hull || (qRed(p) > 200 && qBlue(p) < 100);
        }
        EXPECT_TRUE(hull) << size;
    }
}

} // namespace
