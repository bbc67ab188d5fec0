#include "system_colours.h"

namespace nerivo {

QColor colour_from_ref(uint32_t colour) {
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

uint32_t colour_ref(const QColor& colour) {
    return rgb(colour.red(), colour.green(), colour.blue());
}

uint32_t system_colour(const QPalette& palette, SystemColour which) {
    QPalette::ColorRole role = QPalette::Button;
    switch (which) {
    case SystemColour::BUTTON_TEXT:
        role = QPalette::ButtonText;
        break;
    case SystemColour::BUTTON_FACE:
        role = QPalette::Button;
        break;
    case SystemColour::LIGHT_3D:
        role = QPalette::Midlight;
        break;
    case SystemColour::BUTTON_HIGHLIGHT:
        role = QPalette::Light;
        break;
    case SystemColour::BUTTON_SHADOW:
        role = QPalette::Dark;
        break;
    case SystemColour::DARK_SHADOW_3D:
        role = QPalette::Shadow;
        break;
    }
    return colour_ref(palette.color(QPalette::Active, role));
}

} // namespace nerivo
