#include "state_button.h"
#include "station_view.h"
#include "system_colours.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <algorithm>

using namespace nerivo;

namespace {

using nerivo::colour_ref;
using nerivo::rgb;
using nerivo::STATE_CAPTION;
using nerivo::system_colour;
using nerivo::SystemColour;
using State = StateButton::ItemState;

// Distinct ring colours, so every pixel tells which step drew it.
constexpr uint32_t HIGHLIGHT = rgb(255, 255, 0);
constexpr uint32_t LIGHT = rgb(0, 255, 255);
constexpr uint32_t SHADOW = rgb(0, 0, 255);
constexpr uint32_t DARK = rgb(128, 0, 128);
constexpr uint32_t BLACK = rgb(0, 0, 0);
constexpr uint32_t RED_INVERTED = rgb(0, 190, 190); // STATE_RED with every bit flipped

struct Box {
    int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1; // inclusive
    bool empty() const { return right < left; }
    bool operator==(const Box&) const = default;
};

Box moved(Box b, int dx, int dy) {
    return Box{b.left + dx, b.top + dy, b.right + dx, b.bottom + dy};
}

class StateButtonPixels : public ::testing::Test {
protected:
    StateButtonPixels() : button(QStringLiteral("Start Nav Packets")) {
        button.resize(W, H); // 68 x 14 dialog units
        QFont font = button.font();
        font.setStyleStrategy(QFont::NoAntialias); // caption pixels in exactly one colour
        button.setFont(font);
        button.set_colours(STATE_CAPTION, STATE_RED);
        button.highlight_colour = HIGHLIGHT;
        button.light_colour = LIGHT;
        button.shadow_colour = SHADOW;
        button.dark_shadow_colour = DARK;
    }

    QImage draw(const State& state) const {
        QImage image(W, H, QImage::Format_RGB32);
        image.fill(Qt::magenta);
        QPainter painter(&image);
        button.draw_item(painter, state, nerivo::Rect{0, 0, W, H});
        return image;
    }

    static uint32_t at(const QImage& image, int x, int y) {
        return colour_ref(QColor(image.pixel(x, y)));
    }

    // Pixels of one colour inside the rings and the focus rectangle.
    static Box box_of(const QImage& image, uint32_t colour) {
        Box box;
        for (int y = 5; y < H - 5; ++y) {
            for (int x = 5; x < W - 5; ++x) {
                if (at(image, x, y) == colour) {
                    box.left = std::min(box.left, x);
                    box.top = std::min(box.top, y);
                    box.right = std::max(box.right, x);
                    box.bottom = std::max(box.bottom, y);
                }
            }
        }
        return box;
    }

    static constexpr int W = 119;
    static constexpr int H = 23;
    StateButton button;
};

TEST_F(StateButtonPixels, RaisedHasTwoRingsAndLinesStopShortOfTheirEnds) {
    const QImage image = draw(State{});
    // Outer ring: highlight top and left, dark shadow bottom and right.
    EXPECT_EQ(at(image, 0, 0), HIGHLIGHT);
    EXPECT_EQ(at(image, W - 2, 0), HIGHLIGHT);
    EXPECT_EQ(at(image, 0, H - 2), HIGHLIGHT);
    EXPECT_EQ(at(image, W - 1, 0), DARK); // the right line owns the top-right corner
    EXPECT_EQ(at(image, 0, H - 1), DARK); // the bottom line owns the bottom-left corner
    EXPECT_EQ(at(image, W - 1, H - 1), DARK);
    // The inner ring's top and left lines end before the outer ring's right and bottom.
    EXPECT_EQ(at(image, W - 1, 1), DARK);
    EXPECT_EQ(at(image, 1, H - 1), DARK);
    // Inner ring: light top and left, shadow bottom and right.
    EXPECT_EQ(at(image, 1, 1), LIGHT);
    EXPECT_EQ(at(image, W - 3, 1), LIGHT);
    EXPECT_EQ(at(image, 1, H - 3), LIGHT);
    EXPECT_EQ(at(image, W - 2, 1), SHADOW);
    EXPECT_EQ(at(image, 1, H - 2), SHADOW);
    EXPECT_EQ(at(image, W - 2, H - 2), SHADOW);
    // Face.
    EXPECT_EQ(at(image, 2, 2), STATE_RED);
    EXPECT_EQ(at(image, 4, 4), STATE_RED); // no focus rectangle
    EXPECT_EQ(at(image, W - 3, H - 3), STATE_RED);
}

TEST_F(StateButtonPixels, FocusedGetsBlackOutlineAndDottedFocusRectangle) {
    const QImage image = draw(State{false, false, true, false});
    for (const QPoint p : {QPoint(0, 0), QPoint(W - 1, 0), QPoint(0, H - 1), QPoint(W - 1, H - 1),
                           QPoint(W / 2, 0), QPoint(0, H / 2)}) {
        EXPECT_EQ(at(image, p.x(), p.y()), BLACK) << p.x() << "," << p.y();
    }
    EXPECT_EQ(at(image, 1, 1), HIGHLIGHT);
    EXPECT_EQ(at(image, W - 2, 1), DARK);
    EXPECT_EQ(at(image, 2, 2), LIGHT);
    EXPECT_EQ(at(image, W - 3, H - 3), SHADOW);
    EXPECT_EQ(at(image, 3, 3), STATE_RED);
    // The focus rectangle, 4 pixels in, inverts every other pixel.
    EXPECT_EQ(at(image, 4, 4), RED_INVERTED);
    EXPECT_EQ(at(image, 5, 4), STATE_RED);
    EXPECT_EQ(at(image, 6, 4), RED_INVERTED);
    EXPECT_EQ(at(image, 4, 6), RED_INVERTED);
    EXPECT_EQ(at(image, W - 5, 4), (W - 5 + 4) % 2 == 0 ? RED_INVERTED : STATE_RED);
    EXPECT_EQ(at(image, W - 4, 4), STATE_RED); // just outside it
}

TEST_F(StateButtonPixels, DefaultGetsTheOutlineButNoFocusRectangle) {
    const QImage image = draw(State{false, false, false, true});
    EXPECT_EQ(at(image, 0, 0), BLACK);
    EXPECT_EQ(at(image, 1, 1), HIGHLIGHT);
    EXPECT_EQ(at(image, 4, 4), STATE_RED);
}

TEST_F(StateButtonPixels, PressedIsSunkenWithoutOutlineEvenWhenFocused) {
    const QImage image = draw(State{true, false, true, true});
    EXPECT_EQ(at(image, 0, 0), DARK);
    EXPECT_EQ(at(image, W - 1, 0), DARK);
    EXPECT_EQ(at(image, 0, H - 1), DARK);
    EXPECT_EQ(at(image, W - 1, H - 1), DARK);
    EXPECT_EQ(at(image, 1, 1), SHADOW);
    EXPECT_EQ(at(image, W - 2, H - 2), SHADOW);
    EXPECT_EQ(at(image, 2, 2), STATE_RED);
    EXPECT_EQ(at(image, 4, 4), RED_INVERTED); // still shows the focus
}

TEST_F(StateButtonPixels, PressedCaptionSitsOnePixelRightAndDown) {
    const Box released = box_of(draw(State{}), STATE_CAPTION);
    const Box pressed = box_of(draw(State{true, false, false, false}), STATE_CAPTION);
    ASSERT_FALSE(released.empty());
    EXPECT_EQ(pressed, moved(released, 1, 1));
    // Centred in the button moved up and left by one pixel.
    EXPECT_NEAR((released.left + released.right) / 2.0, (W - 2) / 2.0, 2.0);
    EXPECT_NEAR((released.top + released.bottom) / 2.0, (H - 2) / 2.0, 2.0);
}

TEST_F(StateButtonPixels, DisabledShowsSystemFaceAndEmbossedCaption) {
    const Box released = box_of(draw(State{}), STATE_CAPTION);
    const QImage image = draw(State{false, true, false, false});
    const uint32_t face = system_colour(button.palette(), SystemColour::BUTTON_FACE);
    EXPECT_EQ(at(image, 2, 2), face);
    EXPECT_EQ(at(image, W - 3, H - 3), face);
    EXPECT_TRUE(box_of(image, STATE_CAPTION).empty()); // the caption colour is not used
    const Box grey = box_of(image, rgb(128, 128, 128));
    const Box white = box_of(image, rgb(255, 255, 255));
    EXPECT_EQ(grey, released);
    ASSERT_FALSE(white.empty());
    EXPECT_EQ(white.right, grey.right + 1);
    EXPECT_EQ(white.bottom, grey.bottom + 1);
}

TEST_F(StateButtonPixels, PaintEventDrawsPressedAndDisabledStates) {
    QImage image(W, H, QImage::Format_RGB32);
    button.render(&image);
    EXPECT_EQ(at(image, 0, 0), HIGHLIGHT);
    EXPECT_EQ(at(image, 2, 2), STATE_RED);

    button.setDown(true);
    button.render(&image);
    EXPECT_EQ(at(image, 0, 0), DARK);
    EXPECT_EQ(at(image, 1, 1), SHADOW);
    button.setDown(false);

    button.setEnabled(false);
    button.render(&image);
    EXPECT_EQ(at(image, 2, 2), system_colour(button.palette(), SystemColour::BUTTON_FACE));
}

TEST(StateButton, SamplesTheSystemColoursAtConstruction) {
    const QPalette saved = QApplication::palette();
    QPalette palette = saved;
    palette.setColor(QPalette::ButtonText, QColor(1, 2, 3));
    palette.setColor(QPalette::Button, QColor(10, 20, 30));
    palette.setColor(QPalette::Midlight, QColor(40, 50, 60));
    palette.setColor(QPalette::Light, QColor(70, 80, 90));
    palette.setColor(QPalette::Dark, QColor(100, 110, 120));
    palette.setColor(QPalette::Shadow, QColor(130, 140, 150));
    QApplication::setPalette(palette);
    {
        StateButton button;
        EXPECT_EQ(button.text_colour, rgb(1, 2, 3));
        EXPECT_EQ(button.face_colour, rgb(10, 20, 30));
        EXPECT_EQ(button.disabled_face_colour, rgb(10, 20, 30));
        EXPECT_EQ(button.light_colour, rgb(40, 50, 60));
        EXPECT_EQ(button.highlight_colour, rgb(70, 80, 90));
        EXPECT_EQ(button.shadow_colour, rgb(100, 110, 120));
        EXPECT_EQ(button.dark_shadow_colour, rgb(130, 140, 150));

        // set_colours looks at the system face again for the disabled face.
        palette.setColor(QPalette::Button, QColor(11, 22, 33));
        button.setPalette(palette);
        button.set_colours(STATE_CAPTION, STATE_GREEN);
        EXPECT_EQ(button.text_colour, STATE_CAPTION);
        EXPECT_EQ(button.face_colour, STATE_GREEN);
        EXPECT_EQ(button.disabled_face_colour, rgb(11, 22, 33));
        EXPECT_EQ(button.light_colour, rgb(40, 50, 60));
    }
    QApplication::setPalette(saved);
}

TEST(StateButton, SettingTheSameColoursStillRepaints) {
    StateButton button(QStringLiteral("Connect to AUV"));
    button.resize(109, 23);
    button.set_colours(STATE_CAPTION, STATE_RED);
    button.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&button));
    QApplication::processEvents();

    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            paints += event->type() == QEvent::Paint ? 1 : 0;
            return false;
        }
    } counter;
    button.installEventFilter(&counter);
    button.set_colours(STATE_CAPTION, STATE_RED);
    for (int waited = 0; counter.paints == 0 && waited < 1000; waited += 10) {
        QTest::qWait(10);
    }
    EXPECT_GT(counter.paints, 0);
}

TEST(Colours, ColourRefsAreRedInTheLowByte) {
    EXPECT_EQ(STATE_RED, rgb(255, 65, 65));
    EXPECT_EQ(STATE_GREEN, rgb(20, 255, 20));
    EXPECT_EQ(nerivo::colour_from_ref(STATE_RED), QColor(255, 65, 65));
    EXPECT_EQ(nerivo::colour_from_ref(STATE_GREEN), QColor(20, 255, 20));
    EXPECT_EQ(colour_ref(QColor(0x12, 0x34, 0x56)), 0x00563412u);
}

} // namespace
