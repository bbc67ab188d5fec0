#pragma once

// Dialog units: positions in a layout are in quarters of the dialog font's average character
// width and eighths of its height, so a layout scales with the font it is shown in.

#include <QFont>
#include <QRect>

namespace nerivo {

// a * b / c rounded to the nearest integer, halves away from zero, in 64-bit arithmetic;
// -1 when c is 0 or the result does not fit an int.
int mul_div(int a, int b, int c);

struct DialogUnits {
    int base_x = 0; // average character width in pixels
    int base_y = 0; // character height in pixels

    int to_pixels_x(int units) const { return mul_div(units, base_x, 4); }
    int to_pixels_y(int units) const { return mul_div(units, base_y, 8); }
    // Each of x, y, width and height is converted on its own.
    QRect to_pixels(int x, int y, int width, int height) const;
};

// The base units from the width of the 52 letters A-Z a-z and the font height, rounded the
// way the platform this layout was drawn for rounds them.
DialogUnits base_units_from_metrics(int letters_width, int font_height);

// Base units of a font as laid out on screen.
DialogUnits dialog_units_for(const QFont& font);

// "MS Shell Dlg" 8 pt where that family exists; otherwise the application's UI font family
// at 8 pt.
QFont dialog_font();

} // namespace nerivo
