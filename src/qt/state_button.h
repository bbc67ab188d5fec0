#pragma once

// A push button that draws its own face in a colour set from outside, so a glance at it
// tells the state of a link or of the nav relay.

#include <QPushButton>

#include <cstdint>

class QPainter;

namespace nerivo {

// A rectangle whose right and bottom edges lie just outside it.
struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;

    Rect inset(int by) const { return Rect{left + by, top + by, right - by, bottom - by}; }
    Rect moved(int dx, int dy) const { return Rect{left + dx, top + dy, right + dx, bottom + dy}; }
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};

class StateButton : public QPushButton {
    Q_OBJECT

public:
    static constexpr unsigned RING_SUNKEN = 1;  // pressed
    static constexpr unsigned RING_RAISED = 2;  // released
    static constexpr unsigned RING_OUTLINE = 4; // black ring around a focused or default one

    static constexpr int MAX_CAPTION = 511;

    // What the button must look like for one drawing.
    struct ItemState {
        bool selected = false; // pressed
        bool disabled = false;
        bool focus = false;
        bool is_default = false;
    };

    explicit StateButton(const QString& text = QString(), QWidget* parent = nullptr);

    // Caption and face colour; the disabled face follows the system button face again.
    void set_colours(uint32_t text, uint32_t face);

    // Draws the whole button into `item`, on whatever `painter` paints on.
    void draw_item(QPainter& painter, const ItemState& state, Rect item) const;

    ItemState item_state() const;

    // Sampled from the system colours once, at construction.
    uint32_t text_colour;
    uint32_t face_colour;
    uint32_t disabled_face_colour;
    uint32_t light_colour;
    uint32_t highlight_colour;
    uint32_t shadow_colour;
    uint32_t dark_shadow_colour;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void draw_frame(QPainter& painter, Rect r, unsigned ring_style) const;
    static void draw_ring(QPainter& painter, Rect r, uint32_t top_left, uint32_t bottom_right);
    static void fill_face(QPainter& painter, Rect r, uint32_t colour);
    static void draw_line(QPainter& painter, int x1, int y1, int x2, int y2, uint32_t colour);
    static void draw_caption(QPainter& painter, Rect r, const QString& text, uint32_t colour);
    static void draw_focus_rect(QPainter& painter, Rect r);
};

} // namespace nerivo
