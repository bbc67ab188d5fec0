#include "dialog_units.h"

#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>

#include <climits>
#include <cstdint>

namespace nerivo {

namespace {
constexpr const char* TEMPLATE_FONT_FAMILY = "MS Shell Dlg";
constexpr int TEMPLATE_FONT_POINTS = 8;
constexpr const char* LETTERS = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
} // namespace

int mul_div(int a, int b, int c) {
    if (c == 0) {
        return -1;
    }
    const int64_t product = static_cast<int64_t>(a) * b;
    const bool negative = (product < 0) != (c < 0);
    const uint64_t magnitude = product < 0 ? static_cast<uint64_t>(-product) : product;
    const uint64_t divisor = c < 0 ? static_cast<uint64_t>(-static_cast<int64_t>(c)) : c;
    const uint64_t rounded = (magnitude + divisor / 2) / divisor;
    if (rounded > static_cast<uint64_t>(INT_MAX)) {
        return -1;
    }
    return negative ? -static_cast<int>(rounded) : static_cast<int>(rounded);
}

QRect DialogUnits::to_pixels(int x, int y, int width, int height) const {
    return QRect(to_pixels_x(x), to_pixels_y(y), to_pixels_x(width), to_pixels_y(height));
}

DialogUnits base_units_from_metrics(int letters_width, int font_height) {
    return DialogUnits{(letters_width / 26 + 1) / 2, font_height};
}

DialogUnits dialog_units_for(const QFont& font) {
    const QFontMetrics metrics(font);
    return base_units_from_metrics(metrics.horizontalAdvance(QLatin1String(LETTERS)),
                                   metrics.height());
}

QFont dialog_font() {
    QFont font(QLatin1String(TEMPLATE_FONT_FAMILY), TEMPLATE_FONT_POINTS);
    if (QFontInfo(font).family().compare(QLatin1String(TEMPLATE_FONT_FAMILY),
                                         Qt::CaseInsensitive) == 0) {
        return font;
    }
    font = QApplication::font();
    font.setPointSize(TEMPLATE_FONT_POINTS);
    return font;
}

} // namespace nerivo
