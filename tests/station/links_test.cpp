#include "linked_station.h"

#include <QtTest/QTest>
#include <gtest/gtest.h>

namespace {

using nerivo::testing::LinkedStation;

struct LinkCase {
    const char* name;
    int button;
    int field;
    int32_t StationWindow::*flag;
    const char* message;
};

const LinkCase LINKS[] = {
    {"navigation", IDC_WINFROG_BUTTON, IDC_WINFROG_COM, &StationWindow::winfrog_connected,
     "WinFrog responding...Connected"},
    {"vehicle", IDC_AUV_BUTTON, IDC_AUV_COM, &StationWindow::auv_connected,
     "AUV responding...Connected"},
};

StateButton* button(const StationWindow& window, int id) {
    return qobject_cast<StateButton*>(window.control(id));
}

TEST(StationLinks, ClickingConnectOpensTheLinkTurnsItGreenAndLogs) {
    for (const LinkCase& link : LINKS) {
        LinkedStation station;
        StationWindow& window = *station.window;
        QTest::mouseClick(window.control(link.button), Qt::LeftButton);
        EXPECT_EQ(window.*link.flag, 1) << link.name;
        EXPECT_EQ(button(window, link.button)->face_colour, STATE_GREEN) << link.name;
        EXPECT_EQ(station.status_lines().value(0),
                  QStringLiteral("[000 09:05:07] ") + QString::fromLatin1(link.message));
        EXPECT_EQ(station.status_count(), 2) << link.name;
    }
}

TEST(StationLinks, SecondClickLogsAgainAndKeepsTheOpenPort) {
    LinkedStation station;
    StationWindow& window = *station.window;
    window.connect_auv();
    window.set_field_text(IDC_AUV_COM, QStringLiteral("9"));
    window.connect_auv();
    EXPECT_EQ(station.status_messages().mid(0, 2),
              QStringList({"AUV responding...Connected", "AUV responding...Connected"}));
    // Still the first device: what the vehicle end writes reaches the station.
    station.vehicle_sends({1, 2, 3});
    EXPECT_EQ(window.auv_port.bytes_waiting(), 3u);
}

TEST(StationLinks, PortNumberThatOpensNothingChangesNothing) {
    for (const char* text : {"", "0", "9", "-5", "x1"}) {
        LinkedStation station;
        StationWindow& window = *station.window;
        window.set_field_text(IDC_WINFROG_COM, QString::fromLatin1(text));
        window.set_field_text(IDC_AUV_COM, QString::fromLatin1(text));
        window.connect_winfrog();
        window.connect_auv();
        EXPECT_EQ(window.winfrog_connected, 0) << text;
        EXPECT_EQ(window.auv_connected, 0) << text;
        EXPECT_EQ(button(window, IDC_WINFROG_BUTTON)->face_colour, STATE_RED) << text;
        EXPECT_EQ(button(window, IDC_AUV_BUTTON)->face_colour, STATE_RED) << text;
        EXPECT_EQ(station.status_count(), 1) << text;
    }
}

TEST(StationLinks, GpsLinkOpensSilently) {
    LinkedStation station;
    StationWindow& window = *station.window;
    station.com.map(7, station.usbl.device_path());
    window.connect_gps();
    EXPECT_EQ(window.gps_connected, 1);
    EXPECT_TRUE(window.gps_port.is_open());
    EXPECT_EQ(button(window, IDC_GPS_BUTTON)->face_colour, STATE_GREEN);
    EXPECT_EQ(station.status_count(), 1);
}

TEST(StationRelay, RefusesToStartWithALinkMissing) {
    struct Case {
        bool winfrog, auv;
    };
    for (const Case c : {Case{false, false}, Case{true, false}, Case{false, true}}) {
        LinkedStation station;
        StationWindow& window = *station.window;
        if (c.winfrog) {
            window.connect_winfrog();
        }
        if (c.auv) {
            window.connect_auv();
        }
        QTest::mouseClick(window.control(IDC_XMIT_BUTTON), Qt::LeftButton);
        EXPECT_EQ(window.transmitting, 0);
        EXPECT_EQ(station.newest_status(), QStringLiteral("WinFrog-USBL|AUV not connected"));
        EXPECT_EQ(window.field_text(IDC_XMIT_BUTTON), QStringLiteral("Start Nav Packets"));
        EXPECT_EQ(button(window, IDC_XMIT_BUTTON)->face_colour, STATE_RED);
    }
}

TEST(StationRelay, StartsWithBothLinksAndFollowsWithCaptionAndColour) {
    LinkedStation station;
    StationWindow& window = *station.window;
    station.connect_both(); // the GPS link is never touched
    StateButton* toggle = button(window, IDC_XMIT_BUTTON);

    QTest::mouseClick(toggle, Qt::LeftButton);
    EXPECT_EQ(window.transmitting, 1);
    EXPECT_EQ(station.newest_status(), QStringLiteral("Start transmitting Nav packets"));
    EXPECT_EQ(window.field_text(IDC_XMIT_BUTTON), QStringLiteral("Stop Packet Xmit"));
    EXPECT_EQ(toggle->face_colour, STATE_GREEN);

    window.last_xmit_time = 1234;
    QTest::mouseClick(toggle, Qt::LeftButton);
    EXPECT_EQ(window.transmitting, 0);
    EXPECT_EQ(window.last_xmit_time, 0);
    EXPECT_EQ(station.newest_status(), QStringLiteral("Stop transmitting Nav packets"));
    EXPECT_EQ(window.field_text(IDC_XMIT_BUTTON), QStringLiteral("Start Packet Xmit"));
    EXPECT_EQ(toggle->face_colour, STATE_RED);

    QTest::mouseClick(toggle, Qt::LeftButton);
    EXPECT_EQ(window.field_text(IDC_XMIT_BUTTON), QStringLiteral("Stop Packet Xmit"));
}

TEST(StationRelay, TransmitPeriodIsReadWhenTheRelayStarts) {
    struct Case {
        const char* text;
        int32_t period;
    };
    for (const Case c : {Case{"", 0}, Case{"5", 5}, Case{"007", 7}, Case{"12x", 12},
                         Case{"1234567890", 123456789}}) {
        LinkedStation station;
        StationWindow& window = *station.window;
        station.connect_both();
        window.set_field_text(IDC_XMIT_PERIOD, QString::fromLatin1(c.text));
        window.toggle_relay();
        EXPECT_EQ(window.xmit_period, c.period) << c.text;
        // Typing while the relay runs changes nothing until it starts again.
        window.set_field_text(IDC_XMIT_PERIOD, QStringLiteral("99"));
        EXPECT_EQ(window.xmit_period, c.period) << c.text;
    }
}

} // namespace
