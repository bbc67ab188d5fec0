// The window as the station's view: the operator's clicks reach the station, and what the
// station says shows in the window's own widgets.
#include "com_dir.h"
#include "modal_answer.h"
#include "pty_pair.h"
#include "state_button.h"
#include "station_helpers.h"
#include "track_plot.h"

#include <QApplication>
#include <QImage>
#include <QMessageBox>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <poll.h>

namespace {

using nerivo::testing::answer_next_modal;
using nerivo::testing::ComDir;
using nerivo::testing::exec_and;
using nerivo::testing::on_screen;
using nerivo::testing::PtyPair;
using nerivo::testing::shown_windows_titled;
using nerivo::testing::StartedStation;
using namespace nerivo;

const std::string EXAMPLE = "$NVPOS,093005.25,4542.3456,S,00330.0000,W,25.0,221.7,264.3,1.09,"
                            "0.36,12.5\r\n";

struct WiredStation : StartedStation {
    WiredStation() {
        com.map(1, usbl.device_path());
        com.map(5, vehicle.device_path());
        com.map(7, gps.device_path());
    }
    void click(int id) { QTest::mouseClick(window().control(id), Qt::LeftButton); }
    QString newest_status() const { return window().status_log()->line(0).mid(15); }
    uint32_t face(int id) const {
        return qobject_cast<StateButton*>(window().control(id))->face_colour;
    }
    // One tick with the status record and the example sentence waiting at the devices.
    void tick_with(const VehicleStatus& status) {
        uint8_t record[SMAC_STATUS_RECORD_SIZE];
        SmacHeader header{};
        uint32_t size = 0;
        smac_build_status(&header, &status, clock.now(), record, &size);
        ASSERT_TRUE(vehicle.write(record, size));
        ASSERT_TRUE(usbl.write(EXAMPLE));
        ASSERT_TRUE(vehicle.wait_pending_at_device(size));
        ASSERT_TRUE(usbl.wait_pending_at_device(EXAMPLE.size()));
        window().on_tick();
    }

    ComDir com;
    PtyPair usbl;
    PtyPair vehicle;
    PtyPair gps;
};

TEST(WindowBindings, EachButtonRunsItsOperation) {
    struct Row {
        int id;
        const char* status; // newest status line afterwards; null: none added
        int turns_green;    // a state button, or 0
    };
    const Row rows[] = {
        {IDC_XMIT_BUTTON, "WinFrog-USBL|AUV not connected", 0},
        {IDC_REQUEST_STATUS, "Not connected to AUV", 0},
        {IDC_ABORT_MISSION, "Not connected to AUV", 0},
        {IDC_START_SURVEY, "Not connected to AUV", 0},
        {IDC_WINFROG_BUTTON, "WinFrog responding...Connected", IDC_WINFROG_BUTTON},
        {IDC_AUV_BUTTON, "AUV responding...Connected", IDC_AUV_BUTTON},
        {IDC_GPS_BUTTON, nullptr, IDC_GPS_BUTTON},
    };
    for (const Row& row : rows) {
        WiredStation s;
        // The GPS button is hidden: no mouse reaches it, but it is bound all the same.
        qobject_cast<QAbstractButton*>(s.window().control(row.id))->click();
        EXPECT_EQ(s.window().status_log()->line_count(), row.status != nullptr ? 2 : 1) << row.id;
        if (row.status != nullptr) {
            EXPECT_EQ(s.newest_status(), QString::fromLatin1(row.status)) << row.id;
        }
        if (row.turns_green != 0) {
            EXPECT_EQ(s.face(row.turns_green), STATE_GREEN) << row.id;
        }
    }
}

TEST(WindowBindings, WhatTheStationShowsLandsInTheWindow) {
    WiredStation s;
    s.click(IDC_WINFROG_BUTTON);
    s.click(IDC_AUV_BUTTON);
    s.window().set_field_text(IDC_XMIT_PERIOD, QStringLiteral("0"));
    s.click(IDC_XMIT_BUTTON);
    EXPECT_EQ(s.window().field_text(IDC_XMIT_BUTTON), QStringLiteral("Stop Packet Xmit"));
    EXPECT_EQ(s.face(IDC_XMIT_BUTTON), STATE_GREEN);

    const VehicleStatus status{-45.5f, 170.25f, 270.25f, 12.5f, 3.75f, 24.1f, 31.0f, 3, 1};
    ASSERT_NO_FATAL_FAILURE(s.tick_with(status));

    EXPECT_EQ(s.window().field_text(IDC_HEADING), QStringLiteral("270.250000"));
    EXPECT_EQ(s.window().field_text(IDC_BEHAVIOUR), QStringLiteral("Ascending"));
    EXPECT_EQ(s.window().field_text(IDC_ABORT), QStringLiteral("Yes"));
    ASSERT_EQ(s.window().nav_log()->line_count(), 1);
    EXPECT_EQ(s.window().nav_log()->line(0),
              QStringLiteral("09:30:5.250   LT:-45.70576   LG:-3.50000   SL:12.50"));
    EXPECT_EQ(s.dump.text().rfind("packet_size = 48\n", 0), 0u) << "the record was dumped";
}

TEST(WindowBindings, ConfirmationIsAYesNoBoxWithYesTheDefault) {
    struct Row {
        int button;
        const char* caption;
        const char* question;
        int key;
        bool sends;
    };
    const Row rows[] = {
        {IDC_ABORT_MISSION, "Abort Mission", "Abort mission and return to surface?", Qt::Key_Return,
         true},
        {IDC_START_SURVEY, "Start Survey", "Start mapping survey now?", Qt::Key_Y, true},
        {IDC_ABORT_MISSION, "Abort Mission", "Abort mission and return to surface?", Qt::Key_N,
         false},
        {IDC_START_SURVEY, "Start Survey", "Start mapping survey now?", Qt::Key_Escape, false},
    };
    for (const Row& row : rows) {
        WiredStation s;
        s.click(IDC_AUV_BUTTON);
        bool no_icon = false;
        bool yes_is_default = false;
        const auto seen = answer_next_modal(row.key, [&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            no_icon = box->icon() == QMessageBox::NoIcon;
            yes_is_default = box->defaultButton() == box->button(QMessageBox::Yes) &&
                             box->button(QMessageBox::No) != nullptr;
        });
        s.click(row.button);
        ASSERT_TRUE(seen->answered) << row.caption;
        EXPECT_EQ(seen->title, QString::fromLatin1(row.caption));
        EXPECT_EQ(seen->text, QString::fromLatin1(row.question));
        EXPECT_TRUE(no_icon) << row.caption;
        EXPECT_TRUE(yes_is_default) << row.caption;
        EXPECT_EQ(s.vehicle.drain(20).size(), row.sends ? SMAC_COMMAND_RECORD_SIZE : 0u)
            << row.caption << " " << row.key;
    }
}

TEST(WindowBindings, TheWindowsOwnTimerTicksWhileTheBoxWaitsForAnAnswer) {
    WiredStation s;
    s.click(IDC_WINFROG_BUTTON);
    s.click(IDC_AUV_BUTTON);
    s.window().set_field_text(IDC_XMIT_PERIOD, QStringLiteral("0"));
    s.click(IDC_XMIT_BUTTON);
    ASSERT_TRUE(s.usbl.write(EXAMPLE));
    bool record_while_open = false;
    answer_next_modal(Qt::Key_N, [&](QWidget*) {
        pollfd p{s.vehicle.master_fd(), POLLIN, 0};
        for (int waited = 0; waited < 1500 && !record_while_open; waited += 10) {
            QTest::qWait(10);
            record_while_open = poll(&p, 1, 0) == 1;
        }
    });
    s.click(IDC_ABORT_MISSION);
    EXPECT_TRUE(record_while_open);
    EXPECT_EQ(s.window().nav_log()->line_count(), 1);
}

TEST(WindowBindings, TheTrackWindowShowsWhatEachTickBringsAndComesBackAsItWasLeft) {
    WiredStation s;
    s.click(IDC_WINFROG_BUTTON);
    s.click(IDC_AUV_BUTTON);
    const auto open_track = [&s] {
        QTest::keyClick(s.window().focusWidget(), Qt::Key_T, Qt::ControlModifier);
    };
    open_track();
    QWidget* track = shown_windows_titled(QStringLiteral("Track plot - Nerivo")).value(0);
    ASSERT_NE(track, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(track));
    const QImage empty = on_screen(*track);

    // The vehicle 50 m north of the fix.
    const VehicleStatus status{-45.70531f, -3.5f, 0, 12.5f, 3.75f, 24.1f, 31.0f, 2, 0};
    ASSERT_NO_FATAL_FAILURE(s.tick_with(status));

    const QImage shown = on_screen(*track);
    TrackPlot plot;
    const TrackScene scene = plot.scene(s.station().track(), track->width(), track->height(), 1);
    ASSERT_TRUE(scene.usbl_latest && scene.vehicle_latest);
    const auto at = [](const QImage& image, PlotPoint point) {
        return image.pixel(static_cast<int>(point.x), static_cast<int>(point.y)) & 0xFFFFFF;
    };
    EXPECT_EQ(at(shown, *scene.usbl_latest), USBL_TRACK_COLOUR);
    EXPECT_EQ(at(shown, *scene.vehicle_latest), VEHICLE_TRACK_COLOUR);
    EXPECT_NE(at(empty, *scene.usbl_latest), USBL_TRACK_COLOUR);

    // The station window runs modally, as in the program; the track window takes keys all the
    // same (the key goes the way a real one does, past the modal check).
    QImage zoomed;
    s.window().hide(); // so that exec() shows it modally
    const int result = exec_and(s.window(), [&] {
        QTest::keyClick(track->windowHandle(), Qt::Key_Minus);
        zoomed = on_screen(*track);
        s.window().done(0);
    });
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(zoomed != shown);
    s.window().show();
    track->close();
    EXPECT_FALSE(track->isVisible());
    open_track();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(track));
    EXPECT_TRUE(on_screen(*track) == zoomed) << "not as it was left";
}

// The nine fields of the vehicle status.
constexpr int STATUS_FIELDS[] = {IDC_LATITUDE, IDC_LONGITUDE, IDC_HEADING,
                                 IDC_DEPTH,    IDC_ALTITUDE,  IDC_BATTERY_VOLTAGE,
                                 IDC_HUMIDITY, IDC_BEHAVIOUR, IDC_ABORT};

// The colour a field's text is drawn in: the darkest of the pixels the text changes.
QColor text_colour(const QImage& blank, const QImage& shown) {
    QColor darkest = Qt::white;
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x) {
            const QColor pixel = shown.pixelColor(x, y);
            if (pixel != blank.pixelColor(x, y) && pixel.lightness() < darkest.lightness()) {
                darkest = pixel;
            }
        }
    }
    return darkest;
}

TEST(WindowView, AStaleFieldIsDrawnInTheDisabledTextColourAndStaysUsable) {
    StartedStation s;
    StationView& view = s.window().view();
    const QColor normal = QApplication::palette().color(QPalette::Active, QPalette::Text);
    const QColor grey = QApplication::palette().color(QPalette::Disabled, QPalette::Text);
    ASSERT_NE(normal, grey);
    for (const int id : STATUS_FIELDS) {
        QWidget* field = s.window().control(id);
        const QRect place = field->geometry();
        view.set_field_text(id, "");
        const QImage blank = field->grab().toImage();
        view.set_field_text(id, "-45.705760");
        for (const bool stale : {true, false, true}) {
            view.set_field_stale(id, stale);
            EXPECT_EQ(text_colour(blank, field->grab().toImage()).name().toStdString(),
                      (stale ? grey : normal).name().toStdString())
                << id << " stale " << stale;
        }
        EXPECT_EQ(view.field_text(id), "-45.705760") << id;
        EXPECT_EQ(field->geometry(), place) << id;
        EXPECT_TRUE(field->isEnabled()) << id;
        EXPECT_TRUE(field->focusPolicy() & Qt::TabFocus) << id;
    }
}

TEST(WindowView, AFieldsTipIsWhatTheStationSaysAndEmptyMeansNone) {
    StartedStation s;
    for (const char* tip : {"Status of 14:02:33, 2 min 10 s ago", ""}) {
        for (const int id : STATUS_FIELDS) {
            s.window().view().set_field_tooltip(id, tip);
            EXPECT_EQ(s.window().control(id)->toolTip().toStdString(), tip) << id;
        }
    }
}

} // namespace
