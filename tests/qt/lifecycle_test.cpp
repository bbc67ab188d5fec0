#include "station_helpers.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QLineEdit>
#include <QTimerEvent>
#include <QtTest/QTest>
#include <gtest/gtest.h>

namespace {

using nerivo::testing::BuiltStation;
using nerivo::testing::exec_and;
using nerivo::testing::screen_of;
using nerivo::testing::StartedStation;
using namespace nerivo;

bool has_timers(StationWindow& window) {
    return !QAbstractEventDispatcher::instance()->registeredTimers(&window).isEmpty();
}

TEST(StationLifecycle, ExitEndsWithOkAndStopsTheTimer) {
    BuiltStation station;
    StationWindow& window = station.window();
    const int result =
        exec_and(window, [&] { QTest::mouseClick(window.control(IDC_EXIT), Qt::LeftButton); });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_FALSE(has_timers(window));
}

TEST(StationLifecycle, EnterOrSpaceRightAfterStartEndsWithOk) {
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}) {
        BuiltStation station;
        StationWindow& window = station.window();
        const int result = exec_and(window, [&] { QTest::keyClick(window.focusWidget(), key); });
        EXPECT_EQ(result, QDialog::Accepted) << key;
        EXPECT_FALSE(has_timers(window)) << key;
    }
}

TEST(StationLifecycle, EnterInAnEditFieldEndsWithOk) {
    for (const int id : {IDC_XMIT_PERIOD, IDC_AUV_COM, IDC_LATITUDE}) {
        BuiltStation station;
        StationWindow& window = station.window();
        const int result = exec_and(window, [&] {
            auto* field = qobject_cast<QLineEdit*>(window.control(id));
            field->setFocus();
            QTest::keyClick(field, Qt::Key_Return);
        });
        EXPECT_EQ(result, QDialog::Accepted) << id;
        EXPECT_FALSE(has_timers(window)) << id;
    }
}

TEST(StationLifecycle, EscAndTheCloseBoxEndWithCancelAndLeaveTheTimerToTheWindow) {
    struct Row {
        const char* how;
        std::function<void(StationWindow&)> end;
    };
    const Row rows[] = {
        {"Esc",
         [](StationWindow& w) {
             QTest::keyClick(w.focusWidget(), Qt::Key_Escape);
         }},
        {"close box",
         [](StationWindow& w) {
             w.close();
         }},
        {"system Close",
         [](StationWindow& w) {
             w.on_system_command(nerivo::SYSTEM_CLOSE);
         }},
    };
    for (const Row& row : rows) {
        BuiltStation station;
        StationWindow& window = station.window();
        const int result = exec_and(window, [&] { row.end(window); });
        EXPECT_EQ(result, QDialog::Rejected) << row.how;
        EXPECT_TRUE(has_timers(window)) << row.how;
    }
}

TEST(StationLifecycle, TicksWithNoLinkConnectedChangeNothing) {
    StartedStation station;
    StationWindow& window = station.window();
    const QStringList before = screen_of(window);
    const auto timers = QAbstractEventDispatcher::instance()->registeredTimers(&window);
    ASSERT_EQ(timers.size(), 1);
    const int timer = timers[0].timerId;
    for (int tick = 0; tick < 5; ++tick) {
        station.clock.advance_ms(500);
        QTimerEvent expiry(timer);
        QApplication::sendEvent(&window, &expiry);
        window.on_tick();
    }
    EXPECT_EQ(screen_of(window), before);
}

} // namespace
