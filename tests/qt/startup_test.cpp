#include "state_button.h"
#include "station_helpers.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QtTest/QTest>
#include <gtest/gtest.h>

namespace {

using nerivo::testing::BuiltStation;
using nerivo::testing::StartedStation;
using namespace nerivo;

bool timer_runs_every(const StationWindow& window, int interval_ms) {
    const auto timers =
        QAbstractEventDispatcher::instance()->registeredTimers(const_cast<StationWindow*>(&window));
    return timers.size() == 1 && timers[0].interval == interval_ms &&
           timers[0].timerType == Qt::PreciseTimer;
}

TEST(StationStartUp, StatusLogHoldsOnlyTheStartLineAndNavLogIsEmpty) {
    StartedStation station;
    const StationWindow& window = station.window();
    ASSERT_NE(window.status_log(), nullptr);
    ASSERT_NE(window.nav_log(), nullptr);
    EXPECT_EQ(window.status_log(), window.control(IDC_STATUS_LOG));
    EXPECT_EQ(window.nav_log(), window.control(IDC_NAV_LOG));
    ASSERT_EQ(window.status_log()->line_count(), 1);
    EXPECT_EQ(window.status_log()->line(0),
              QStringLiteral("[000 09:05:07] Nerivo Started...ready"));
    EXPECT_EQ(window.nav_log()->line_count(), 0);
}

TEST(StationStartUp, LogsHaveTheirOneColumn) {
    StartedStation station;
    const StationWindow& window = station.window();
    struct Row {
        const nerivo::LogView* log;
        const char* heading;
    };
    for (const Row& row : {Row{window.status_log(), "Status Message"},
                           Row{window.nav_log(), "Transmitted Nav Records"}}) {
        EXPECT_EQ(row.log->header()->count(), 1);
        EXPECT_EQ(row.log->header()->sectionSize(0), 400);
        EXPECT_EQ(row.log->log_model()->headerData(0, Qt::Horizontal).toString(),
                  QString::fromUtf8(row.heading));
        EXPECT_TRUE(row.log->header()->isVisible());
    }
}

TEST(StationStartUp, FieldsShowTheirInitialTexts) {
    StartedStation station;
    struct Row {
        int id;
        const char* text;
    };
    const Row rows[] = {
        {IDC_WINFROG_COM, "1"}, {IDC_AUV_COM, "5"},
        {IDC_GPS_COM, "7"},     {IDC_XMIT_PERIOD, "5"},
        {IDC_LATITUDE, "---"},  {IDC_LONGITUDE, "---"},
        {IDC_HEADING, "---"},   {IDC_DEPTH, "---"},
        {IDC_ALTITUDE, "---"},  {IDC_BATTERY_VOLTAGE, "---"},
        {IDC_BEHAVIOUR, "N/A"}, {IDC_HUMIDITY, ""},
        {IDC_ABORT, ""},        {IDC_XMIT_BUTTON, "Start Nav Packets"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(station.window().field_text(row.id), QString::fromUtf8(row.text)) << row.id;
    }
}

TEST(StationStartUp, TimerTicksEveryHalfSecond) {
    StartedStation station;
    EXPECT_TRUE(timer_runs_every(station.window(), 500));
}

TEST(StationStartUp, AllFourStateButtonsAreBoundAndRed) {
    StartedStation station;
    const StationWindow& window = station.window();
    for (const int id : {IDC_WINFROG_BUTTON, IDC_GPS_BUTTON, IDC_AUV_BUTTON, IDC_XMIT_BUTTON}) {
        auto* button = qobject_cast<StateButton*>(window.control(id));
        ASSERT_NE(button, nullptr) << id;
        EXPECT_EQ(button->face_colour, STATE_RED) << id;
        EXPECT_EQ(button->text_colour, STATE_CAPTION) << id;
        const QImage face = button->grab().toImage();
        EXPECT_EQ(QColor(face.pixel(3, face.height() / 2)), QColor(255, 65, 65)) << id;
    }
}

TEST(StationStartUp, FocusIsOnExit) {
    StartedStation station;
    StationWindow& window = station.window();
    EXPECT_EQ(window.focusWidget(), window.control(IDC_EXIT));
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    EXPECT_EQ(QApplication::focusWidget(), window.control(IDC_EXIT));
}

TEST(StationStartUp, InitialisationRunsOnceBeforeTheWindowFirstShows) {
    BuiltStation station;
    StationWindow& window = station.window();
    EXPECT_EQ(window.status_log(), nullptr);
    EXPECT_TRUE(QAbstractEventDispatcher::instance()->registeredTimers(&window).isEmpty());
    EXPECT_EQ(window.field_text(IDC_XMIT_PERIOD), QString());

    struct ShowWatch : QObject {
        int lines_at_show = -1;
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() == QEvent::Show && lines_at_show < 0) {
                const auto* station = static_cast<StationWindow*>(watched);
                lines_at_show = station->status_log() ? station->status_log()->line_count() : 0;
            }
            return false;
        }
    } watch;
    window.installEventFilter(&watch);
    window.show();
    EXPECT_EQ(watch.lines_at_show, 1);

    const auto timers = QAbstractEventDispatcher::instance()->registeredTimers(&window);
    window.hide();
    window.show();
    EXPECT_TRUE(window.init_station());
    EXPECT_EQ(window.status_log()->line_count(), 1);
    const auto after = QAbstractEventDispatcher::instance()->registeredTimers(&window);
    ASSERT_EQ(after.size(), 1);
    ASSERT_EQ(timers.size(), 1);
    EXPECT_EQ(after[0].timerId, timers[0].timerId);
}

TEST(StationStartUp, WindowIsFixedSizeWithMinimiseBoxAndIcon) {
    StartedStation station;
    const StationWindow& window = station.window();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Nerivo"));
    EXPECT_EQ(window.size(), QSize(961, 359));
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    const Qt::WindowFlags flags = window.windowFlags();
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
    EXPECT_TRUE(flags & Qt::WindowTitleHint);
    const QList<QSize> sizes = window.windowIcon().availableSizes();
    for (const int size : {16, 32, 48}) {
        EXPECT_TRUE(sizes.contains(QSize(size, size))) << size;
    }
}

} // namespace
