#pragma once

// The application icon, drawn here rather than shipped as pictures: a survey vehicle under a
// sonar ping on deep water, at 16, 32 and 48 pixels.

#include <QIcon>
#include <QImage>

namespace nerivo {

constexpr int ICON_EXTENT = 32; // the large icon, also painted while minimised
constexpr int ICON_SIZES[] = {16, 32, 48};

QImage draw_application_icon(int size);
QIcon application_icon();

// Where an icon of `icon_extent` pixels starts so that it sits centred in `client_extent`;
// odd leftovers go to the far side, and the division truncates toward zero.
constexpr int icon_origin(int client_extent, int icon_extent) {
    return (client_extent - icon_extent + 1) / 2;
}

} // namespace nerivo
