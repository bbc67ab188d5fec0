#include "app_icon.h"
#include "station_helpers.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <functional>

namespace {

using nerivo::testing::BuiltStation;
using nerivo::testing::exec_and;
using nerivo::testing::Opened;
using nerivo::testing::run_answering;
using nerivo::testing::shown_windows_titled;
using nerivo::testing::StartedStation;
using namespace nerivo;

const QString ABOUT = QStringLiteral("About Nerivo");

TEST(SystemCommand, EveryIdFrom0x10To0x1FOpensTheAboutBox) {
    StartedStation station;
    for (unsigned id = 0x0010; id <= 0x001F; ++id) {
        const Opened opened = run_answering([&] { station.window().on_system_command(id); });
        EXPECT_EQ(opened.boxes, QStringList{ABOUT}) << std::hex << id;
    }
    EXPECT_EQ(ABOUT_COMMAND, 0x0010u);
}

TEST(SystemCommand, OtherIdsOpenNothing) {
    StartedStation station;
    for (const unsigned id : {0x0000u, 0x000Fu, 0x0030u, 0x0110u, 0xF010u, 0xF100u}) {
        const Opened opened = run_answering([&] { station.window().on_system_command(id); });
        EXPECT_TRUE(opened.boxes.isEmpty()) << std::hex << id;
        EXPECT_TRUE(station.window().isVisible()) << std::hex << id;
        EXPECT_FALSE(station.window().isMinimized()) << std::hex << id;
    }
}

TEST(SystemCommand, MinimiseAndRestoreActOnTheWindow) {
    StartedStation station;
    StationWindow& window = station.window();
    window.on_system_command(nerivo::SYSTEM_MINIMIZE);
    EXPECT_TRUE(window.isMinimized());
    window.on_system_command(nerivo::SYSTEM_RESTORE);
    EXPECT_FALSE(window.isMinimized());
}

TEST(SystemCommand, CloseIsMaskedLikeEveryOtherCommand) {
    BuiltStation station;
    StationWindow& window = station.window();
    const int result = exec_and(window, [&] { window.on_system_command(0xF063); });
    EXPECT_EQ(result, QDialog::Rejected);
}

// Right-clicks the window at `point`: the event goes to whatever is there, as a click would.
Opened right_click(StationWindow& window, QPoint point, int menu_choice = 0) {
    return run_answering(
        [&] {
            QWidget* target = window.childAt(point);
            if (target == nullptr) {
                target = &window;
            }
            const QPoint local = target->mapFrom(&window, point);
            QContextMenuEvent event(QContextMenuEvent::Mouse, local, target->mapToGlobal(local));
            QApplication::sendEvent(target, &event);
        },
        menu_choice);
}

QPoint centre_of(const StationWindow& window, int id) {
    const QWidget* control = window.control(id);
    return control->mapTo(&window, control->rect().center());
}

TEST(ContextMenu, BackgroundOffersAboutFirstThenTheTrackPlot) {
    StartedStation station;
    StationWindow& window = station.window();
    const QPoint places[] = {
        QPoint(4, 4),    // bare window
        QPoint(20, 210), // inside the "USBL-Aided Navigation" group, under the nav log
        window.controls().in_layout_order()[5]->geometry().center(), // the "Depth" label
    };
    for (const QPoint place : places) {
        const Opened opened = right_click(window, place);
        EXPECT_EQ(opened.menu_items, (QStringList{"&About Nerivo...", "&Track plot..."}))
            << place.x() << "," << place.y();
        EXPECT_EQ(opened.boxes, QStringList{ABOUT}) << place.x() << "," << place.y();
    }
}

TEST(ContextMenu, ButtonsDoNotOfferIt) {
    StartedStation station;
    StationWindow& window = station.window();
    for (const int id : {IDC_EXIT, IDC_XMIT_BUTTON}) {
        const Opened opened = right_click(window, centre_of(window, id));
        EXPECT_TRUE(opened.menu_items.isEmpty()) << id;
        EXPECT_TRUE(opened.boxes.isEmpty()) << id;
    }
}

TEST(ContextMenu, LogsOfferOnlyCopyWhichPutsTheSelectedLinesOnTheClipboard) {
    StartedStation station;
    StationWindow& window = station.window();
    station.station().add_status_message("WinFrog responding...Connected");
    station.station().add_nav_line("09:30:5.250   LT:-45.70576   LG:-3.50000   SL:12.50");
    struct Row {
        int id;
        const char* copied;
    };
    const Row rows[] = {
        {IDC_STATUS_LOG,
         "[000 09:05:07] WinFrog responding...Connected\n[000 09:05:07] Nerivo Started...ready"},
        {IDC_NAV_LOG, "09:30:5.250   LT:-45.70576   LG:-3.50000   SL:12.50"},
    };
    for (const Row& row : rows) {
        qobject_cast<LogView*>(window.control(row.id))->selectAll();
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        const Opened opened = right_click(window, centre_of(window, row.id));
        EXPECT_EQ(opened.menu_items, QStringList{"Copy"}) << row.id;
        EXPECT_TRUE(opened.boxes.isEmpty()) << row.id;
        EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8(row.copied)) << row.id;
    }
}

TEST(TrackWindowOpening, CtrlTTheMenuEntryAndTheCommandEachShowTheOneTrackWindow) {
    struct Row {
        const char* how;
        std::function<void(StationWindow&)> open;
    };
    const Row rows[] = {
        {"Ctrl+T",
         [](StationWindow& w) {
             QTest::keyClick(w.focusWidget(), Qt::Key_T, Qt::ControlModifier);
         }},
        {"context menu",
         [](StationWindow& w) {
             right_click(w, QPoint(4, 4), 1);
         }},
        {"masked command",
         [](StationWindow& w) {
             w.on_system_command(TRACK_COMMAND | 0xF);
         }},
    };
    for (const Row& row : rows) {
        StartedStation station;
        row.open(station.window());
        row.open(station.window());
        const QWidgetList opened = shown_windows_titled(QStringLiteral("Track plot - Nerivo"));
        ASSERT_EQ(opened.size(), 1) << row.how;
        // Owned: it goes with the station window and takes input while that runs modally.
        EXPECT_EQ(opened[0]->parentWidget(), &station.window()) << row.how;
    }
}

QImage window_only(StationWindow& window) {
    QImage image(window.size(), QImage::Format_RGB32);
    image.fill(Qt::magenta);
    window.render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    return image;
}

TEST(MinimisedWindow, PaintsTheIconCentred) {
    StartedStation station;
    StationWindow& window = station.window();
    const QColor background = window.palette().window().color();
    EXPECT_EQ(QColor(window_only(window).pixel(480, 180)), background); // no icon when normal

    window.showMinimized();
    ASSERT_TRUE(window.isMinimized());
    QImage expected(window.size(), QImage::Format_RGB32);
    expected.fill(background);
    {
        QPainter painter(&expected);
        // 961 x 359 client, 32-pixel icon: (961 - 32 + 1) / 2 = 465, (359 - 32 + 1) / 2 = 164.
        painter.drawPixmap(465, 164, window.windowIcon().pixmap(nerivo::ICON_EXTENT));
    }
    EXPECT_EQ(window_only(window), expected);
}

} // namespace
