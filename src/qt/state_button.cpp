#include "state_button.h"

#include "system_colours.h"

#include <QPainter>

#include <cstdlib>

namespace nerivo {
namespace {

constexpr uint32_t EMBOSS_LIGHT = 0x00FFFFFF;
constexpr uint32_t EMBOSS_DARK = 0x00808080;
constexpr uint32_t OUTLINE = 0x00000000;

QRect to_qrect(Rect r) {
    return QRect(r.left, r.top, r.width(), r.height());
}

} // namespace

StateButton::StateButton(const QString& text, QWidget* parent)
    : QPushButton(text, parent), text_colour(system_colour(palette(), SystemColour::BUTTON_TEXT)),
      face_colour(system_colour(palette(), SystemColour::BUTTON_FACE)),
      disabled_face_colour(face_colour),
      light_colour(system_colour(palette(), SystemColour::LIGHT_3D)),
      highlight_colour(system_colour(palette(), SystemColour::BUTTON_HIGHLIGHT)),
      shadow_colour(system_colour(palette(), SystemColour::BUTTON_SHADOW)),
      dark_shadow_colour(system_colour(palette(), SystemColour::DARK_SHADOW_3D)) {}

void StateButton::set_colours(uint32_t text, uint32_t face) {
    text_colour = text;
    face_colour = face;
    disabled_face_colour = system_colour(palette(), SystemColour::BUTTON_FACE);
    update();
}

StateButton::ItemState StateButton::item_state() const {
    return ItemState{isDown(), !isEnabled(), hasFocus(), isDefault()};
}

void StateButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    draw_item(painter, item_state(), Rect{0, 0, width(), height()});
}

void StateButton::draw_item(QPainter& painter, const ItemState& state, Rect item) const {
    const Rect focus = item.inset(4);
    const Rect up = item.moved(-1, -1);
    const QString caption = text().left(MAX_CAPTION);

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setFont(font());

    fill_face(painter, item, state.disabled ? disabled_face_colour : face_colour);

    unsigned rings = RING_RAISED;
    if (state.selected) {
        rings = RING_SUNKEN;
    } else if (state.is_default || state.focus) {
        rings = RING_OUTLINE | RING_RAISED;
    }
    draw_frame(painter, item, rings);

    if (state.disabled) {
        draw_caption(painter, item, caption, EMBOSS_LIGHT);
        draw_caption(painter, up, caption, EMBOSS_DARK);
    } else if (state.selected) {
        draw_caption(painter, item, caption, text_colour);
    } else {
        draw_caption(painter, up, caption, text_colour);
    }

    if (state.focus) {
        draw_focus_rect(painter, focus);
    }
    painter.restore();
}

void StateButton::draw_frame(QPainter& painter, Rect r, unsigned ring_style) const {
    if (ring_style & RING_OUTLINE) {
        draw_ring(painter, r, OUTLINE, OUTLINE);
        r = r.inset(1);
    }
    if (ring_style & RING_RAISED) {
        draw_ring(painter, r, highlight_colour, dark_shadow_colour);
        r = r.inset(1);
        draw_ring(painter, r, light_colour, shadow_colour);
    }
    if (ring_style & RING_SUNKEN) {
        draw_ring(painter, r, dark_shadow_colour, dark_shadow_colour);
        r = r.inset(1);
        draw_ring(painter, r, shadow_colour, shadow_colour);
    }
}

// Top, left, bottom, right: the bottom and right lines come last and own the corners.
void StateButton::draw_ring(QPainter& painter, Rect r, uint32_t top_left, uint32_t bottom_right) {
    draw_line(painter, r.left, r.top, r.right, r.top, top_left);
    draw_line(painter, r.left, r.top, r.left, r.bottom, top_left);
    draw_line(painter, r.left, r.bottom - 1, r.right, r.bottom - 1, bottom_right);
    draw_line(painter, r.right - 1, r.top, r.right - 1, r.bottom, bottom_right);
}

void StateButton::fill_face(QPainter& painter, Rect r, uint32_t colour) {
    painter.fillRect(to_qrect(r), colour_from_ref(colour));
}

// A line covers its start point and not its end point.
void StateButton::draw_line(QPainter& painter, int x1, int y1, int x2, int y2, uint32_t colour) {
    const QColor pen = colour_from_ref(colour);
    if (y1 == y2) {
        const int from = x1 <= x2 ? x1 : x2 + 1;
        painter.fillRect(QRect(from, y1, std::abs(x2 - x1), 1), pen);
        return;
    }
    if (x1 == x2) {
        const int from = y1 <= y2 ? y1 : y2 + 1;
        painter.fillRect(QRect(x1, from, 1, std::abs(y2 - y1)), pen);
        return;
    }
    const int dx = std::abs(x2 - x1), sx = x1 < x2 ? 1 : -1;
    const int dy = -std::abs(y2 - y1), sy = y1 < y2 ? 1 : -1;
    int error = dx + dy;
    while (x1 != x2 || y1 != y2) {
        painter.fillRect(QRect(x1, y1, 1, 1), pen);
        const int twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            x1 += sx;
        }
        if (twice <= dx) {
            error += dx;
            y1 += sy;
        }
    }
}

// One line, centred both ways; "&" underlines the next character.
void StateButton::draw_caption(QPainter& painter, Rect r, const QString& text, uint32_t colour) {
    painter.setPen(colour_from_ref(colour));
    painter.drawText(to_qrect(r), Qt::AlignCenter | Qt::TextSingleLine | Qt::TextShowMnemonic,
                     text);
}

// A dotted ring that inverts every other pixel, so it shows on any face colour.
void StateButton::draw_focus_rect(QPainter& painter, Rect r) {
    if (r.width() <= 0 || r.height() <= 0) {
        return;
    }
    painter.save();
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    const auto dot = [&painter](int x, int y) {
        if (((x + y) & 1) == 0) {
            painter.fillRect(QRect(x, y, 1, 1), Qt::white);
        }
    };
    for (int x = r.left; x < r.right; ++x) {
        dot(x, r.top);
        if (r.bottom - 1 > r.top) {
            dot(x, r.bottom - 1);
        }
    }
    for (int y = r.top + 1; y < r.bottom - 1; ++y) {
        dot(r.left, y);
        if (r.right - 1 > r.left) {
            dot(r.right - 1, y);
        }
    }
    painter.restore();
}

} // namespace nerivo
