#pragma once

// Colours as 32-bit COLORREF values (0x00BBGGRR: red in the low byte), and the system
// colours the owner-drawn buttons sample, taken from the widget palette.
//
// System colour      palette role (QPalette::Active)
// COLOR_BTNTEXT      ButtonText
// COLOR_BTNFACE      Button
// COLOR_3DLIGHT      Midlight
// COLOR_BTNHIGHLIGHT Light
// COLOR_BTNSHADOW    Dark
// COLOR_3DDKSHADOW   Shadow

#include <QColor>
#include <QPalette>

#include <cstdint>

namespace nerivo {

enum class SystemColour {
    BUTTON_TEXT,
    BUTTON_FACE,
    LIGHT_3D,
    BUTTON_HIGHLIGHT,
    BUTTON_SHADOW,
    DARK_SHADOW_3D,
};

constexpr uint32_t rgb(int red, int green, int blue) {
    return static_cast<uint32_t>(red & 0xFF) | (static_cast<uint32_t>(green & 0xFF) << 8) |
           (static_cast<uint32_t>(blue & 0xFF) << 16);
}

QColor colour_from_ref(uint32_t colour);
uint32_t colour_ref(const QColor& colour);

uint32_t system_colour(const QPalette& palette, SystemColour which);

} // namespace nerivo
