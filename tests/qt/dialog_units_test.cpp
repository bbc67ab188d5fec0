#include "dialog_layout.h"
#include "dialog_units.h"

#include <QFontInfo>
#include <gtest/gtest.h>

#include <climits>

namespace {

using nerivo::base_units_from_metrics;
using nerivo::mul_div;

TEST(MulDiv, RoundsHalvesAwayFromZero) {
    struct Row {
        int a, b, c, expected;
    };
    const Row rows[] = {
        {549, 7, 4, 961},                   // 960.75
        {221, 13, 8, 359},                  // 359.125
        {2, 7, 4, 4},                       // 3.5
        {6, 7, 4, 11},                      // 10.5
        {-2, 7, 4, -4},                     // -3.5
        {-549, 7, 4, -961}, {3, 5, -2, -8}, // -7.5
        {0, 7, 4, 0},       {1, 1, 3, 0},   // 0.33
    };
    for (const Row& row : rows) {
        EXPECT_EQ(mul_div(row.a, row.b, row.c), row.expected)
            << row.a << " * " << row.b << " / " << row.c;
    }
}

TEST(MulDiv, DivisionByZeroAndOverflowGiveMinusOne) {
    EXPECT_EQ(mul_div(5, 7, 0), -1);
    EXPECT_EQ(mul_div(INT_MAX, 4, 1), -1);
    EXPECT_EQ(mul_div(INT_MAX, 4, 4), INT_MAX); // the product itself may exceed an int
}

TEST(DialogUnits, BaseWidthRoundsTheHalfAverageUp) {
    struct Row {
        int letters_width, height, base_x;
    };
    const Row rows[] = {
        {353, 13, 7}, // DejaVu Sans 8 pt: 6.79 px a letter
        {338, 13, 7}, // 6.5
        {311, 13, 6}, // 5.98: 311 / 26 = 11, (11 + 1) / 2 = 6
        {364, 13, 7}, // exactly 7
        {390, 16, 8}, // 7.5
    };
    for (const Row& row : rows) {
        const nerivo::DialogUnits units = base_units_from_metrics(row.letters_width, row.height);
        EXPECT_EQ(units.base_x, row.base_x) << row.letters_width;
        EXPECT_EQ(units.base_y, row.height);
    }
}

TEST(DialogUnits, ConvertsEachCoordinateOnItsOwn) {
    const nerivo::DialogUnits units{7, 13};
    // x 15 -> 26.25, y 190 -> 308.75, 50 -> 87.5, 16 -> 26
    EXPECT_EQ(units.to_pixels(15, 190, 50, 16), QRect(26, 309, 88, 26));
}

TEST(DialogUnits, StationFontHereIsDejaVuWithSevenByThirteenUnits) {
    // "MS Shell Dlg" is not installed here, so the UI font family stands in at 8 pt.
    const QFont font = nerivo::dialog_font();
    EXPECT_EQ(font.pointSize(), 8);
    EXPECT_EQ(QFontInfo(font).family(), QStringLiteral("DejaVu Sans"));
    const nerivo::DialogUnits units = nerivo::dialog_units_for(font);
    EXPECT_EQ(units.base_x, 7);
    EXPECT_EQ(units.base_y, 13);
    const nerivo::DialogTemplate& station = nerivo::station_template();
    EXPECT_EQ(units.to_pixels_x(station.width), 961);
    EXPECT_EQ(units.to_pixels_y(station.height), 359);
}

} // namespace
