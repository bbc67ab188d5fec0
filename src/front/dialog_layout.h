#pragma once

// Window layouts as tables: one row per control, in layout order (which is also the tab
// order), with positions in dialog units.

#include <span>

namespace nerivo {

enum class ControlKind {
    PUSH_BUTTON,
    STATE_BUTTON, // owner-drawn: draws its own face colour
    GROUP_BOX,
    LABEL,
    EDIT,
    LIST_VIEW, // a log: one column, newest line on top
    ICON,      // the application icon as a picture
};

// Style bits of a control.
constexpr unsigned STYLE_TAB_STOP = 1u << 0;
constexpr unsigned STYLE_GROUP = 1u << 1;
constexpr unsigned STYLE_HIDDEN = 1u << 2;
constexpr unsigned STYLE_DEFAULT_BUTTON = 1u << 3;
constexpr unsigned STYLE_READ_ONLY = 1u << 4;
constexpr unsigned STYLE_DIGITS_ONLY = 1u << 5;
constexpr unsigned STYLE_BORDER = 1u << 6;
constexpr unsigned STYLE_AUTO_HSCROLL = 1u << 7;
constexpr unsigned STYLE_FLAT = 1u << 8;
constexpr unsigned STYLE_CLIENT_EDGE = 1u << 9;
constexpr unsigned STYLE_NO_PREFIX = 1u << 10;

struct ControlTemplate {
    int id;
    ControlKind kind;
    const char* text;
    unsigned style;
    int x, y, width, height;
};

struct DialogTemplate {
    int id;
    const char* caption;
    int width, height; // client area
    std::span<const ControlTemplate> controls;
};

const DialogTemplate& station_template(); // layout 102
const DialogTemplate& about_template();   // layout 100

} // namespace nerivo
