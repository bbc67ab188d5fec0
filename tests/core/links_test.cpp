#include "linked_station.h"

#include <gtest/gtest.h>

namespace {

using nerivo::Station;
using nerivo::testing::LinkedStation;
using namespace nerivo;

struct LinkCase {
    const char* name;
    void (Station::*connect)();
    int button;
    int field;
    const char* message;
};

const LinkCase LINKS[] = {
    {"navigation", &Station::connect_winfrog, IDC_WINFROG_BUTTON, IDC_WINFROG_COM,
     "WinFrog responding...Connected"},
    {"vehicle", &Station::connect_auv, IDC_AUV_BUTTON, IDC_AUV_COM, "AUV responding...Connected"},
};

TEST(StationStart, FieldsButtonsAndTheFirstLine) {
    LinkedStation s;
    struct Row {
        int id;
        const char* text;
    };
    const Row rows[] = {
        {IDC_WINFROG_COM, "1"}, {IDC_AUV_COM, "5"},           {IDC_GPS_COM, "7"},
        {IDC_XMIT_PERIOD, "5"}, {IDC_LATITUDE, "---"},        {IDC_LONGITUDE, "---"},
        {IDC_HEADING, "---"},   {IDC_DEPTH, "---"},           {IDC_ALTITUDE, "---"},
        {IDC_BEHAVIOUR, "N/A"}, {IDC_BATTERY_VOLTAGE, "---"}, {IDC_HUMIDITY, ""},
        {IDC_ABORT, ""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(s.view.field(row.id), row.text) << row.id;
    }
    for (const int id : {IDC_WINFROG_BUTTON, IDC_GPS_BUTTON, IDC_AUV_BUTTON, IDC_XMIT_BUTTON}) {
        EXPECT_EQ(s.view.face_colour(id), STATE_RED) << id;
        EXPECT_EQ(s.view.caption_colour(id), STATE_CAPTION) << id;
    }
    EXPECT_EQ(s.view.status_lines(),
              std::vector<std::string>{"[000 09:05:07] Nerivo Started...ready"});
    EXPECT_TRUE(s.view.nav_lines().empty());
}

TEST(StationStart, TicksWithNoLinkConnectedReadNothing) {
    LinkedStation s;
    s.vehicle_sends(nerivo::testing::status_record({}));
    s.usbl_sends("$NVPOS,093005.25\r\n");
    for (int tick = 0; tick < 3; ++tick) {
        s.station.on_tick();
    }
    EXPECT_EQ(s.vehicle.pending_at_device(), 68u);
    EXPECT_EQ(s.usbl.pending_at_device(), 18u);
    EXPECT_EQ(s.status_count(), 1u);
}

TEST(StationLinks, ConnectOpensTheLinkTurnsItGreenAndLogs) {
    for (const LinkCase& link : LINKS) {
        LinkedStation s;
        (s.station.*link.connect)();
        EXPECT_EQ(s.view.face_colour(link.button), STATE_GREEN) << link.name;
        EXPECT_EQ(s.view.status_lines().front(), std::string("[000 09:05:07] ") + link.message);
        EXPECT_EQ(s.status_count(), 2u) << link.name;
    }
}

TEST(StationLinks, SecondConnectLogsAgainAndKeepsTheOpenPort) {
    for (const LinkCase& link : LINKS) {
        LinkedStation s;
        (s.station.*link.connect)();
        s.view.set_field_text(link.field, "9");
        (s.station.*link.connect)();
        const std::vector<std::string> messages = s.view.status_messages();
        EXPECT_EQ(std::vector<std::string>(messages.begin(), messages.begin() + 2),
                  std::vector<std::string>(2, link.message));
    }
    // Still the first device: the relay starts and what the navigation end writes goes out.
    LinkedStation s;
    s.start_relay(0);
    s.view.set_field_text(IDC_WINFROG_COM, "9");
    s.station.connect_winfrog();
    s.usbl_sends(LinkedStation::sentence(50, 10.0, 'N', 1, 45.5, 'W'));
    s.station.on_tick();
    EXPECT_EQ(nerivo::testing::nav_records_in(s.vehicle.drain(20)).size(), 1u);
}

TEST(StationLinks, PortNumberThatOpensNothingChangesNothing) {
    for (const char* text : {"", "0", "9", "-5", "x1"}) {
        LinkedStation s;
        s.view.set_field_text(IDC_WINFROG_COM, text);
        s.view.set_field_text(IDC_AUV_COM, text);
        s.station.connect_winfrog();
        s.station.connect_auv();
        EXPECT_EQ(s.view.face_colour(IDC_WINFROG_BUTTON), STATE_RED) << text;
        EXPECT_EQ(s.view.face_colour(IDC_AUV_BUTTON), STATE_RED) << text;
        EXPECT_EQ(s.status_count(), 1u) << text;
        s.station.toggle_relay();
        EXPECT_EQ(s.newest_status(), "WinFrog-USBL|AUV not connected") << text;
    }
}

TEST(StationLinks, GpsLinkOpensSilently) {
    LinkedStation s;
    s.com.map(7, s.usbl.device_path());
    s.station.connect_gps();
    EXPECT_EQ(s.view.face_colour(IDC_GPS_BUTTON), STATE_GREEN);
    EXPECT_EQ(s.status_count(), 1u);
    // It holds the line now: the navigation link cannot have it too.
    s.station.connect_winfrog();
    EXPECT_EQ(s.view.face_colour(IDC_WINFROG_BUTTON), STATE_RED);
}

TEST(StationRelay, RefusesToStartWithALinkMissing) {
    struct Case {
        bool winfrog, auv;
    };
    for (const Case c : {Case{false, false}, Case{true, false}, Case{false, true}}) {
        LinkedStation s;
        if (c.winfrog) {
            s.station.connect_winfrog();
        }
        if (c.auv) {
            s.station.connect_auv();
        }
        s.station.toggle_relay();
        EXPECT_EQ(s.newest_status(), "WinFrog-USBL|AUV not connected");
        EXPECT_EQ(s.view.field(IDC_XMIT_BUTTON), "");
        EXPECT_EQ(s.view.face_colour(IDC_XMIT_BUTTON), STATE_RED);
    }
}

TEST(StationRelay, StartsWithBothLinksAndFollowsWithCaptionAndColour) {
    LinkedStation s;
    s.connect_both(); // the GPS link is never touched
    s.station.toggle_relay();
    EXPECT_EQ(s.newest_status(), "Start transmitting Nav packets");
    EXPECT_EQ(s.view.field(IDC_XMIT_BUTTON), "Stop Packet Xmit");
    EXPECT_EQ(s.view.face_colour(IDC_XMIT_BUTTON), STATE_GREEN);

    s.station.toggle_relay();
    EXPECT_EQ(s.newest_status(), "Stop transmitting Nav packets");
    EXPECT_EQ(s.view.field(IDC_XMIT_BUTTON), "Start Packet Xmit");
    EXPECT_EQ(s.view.face_colour(IDC_XMIT_BUTTON), STATE_RED);

    s.station.toggle_relay();
    EXPECT_EQ(s.view.field(IDC_XMIT_BUTTON), "Stop Packet Xmit");
}

// The period shows in when the second of two new fixes may go out.
TEST(StationRelay, TransmitPeriodIsReadWhenTheRelayStarts) {
    struct Case {
        const char* text;
        int64_t period;
    };
    for (const Case c : {Case{"", 0}, Case{"3", 3}, Case{"007", 7}, Case{"12x", 12},
                         Case{"0000000045", 4} /* cut to nine characters */}) {
        LinkedStation s;
        s.connect_both();
        s.view.set_field_text(IDC_XMIT_PERIOD, c.text);
        s.station.toggle_relay();
        // Typing while the relay runs changes nothing until it starts again.
        s.view.set_field_text(IDC_XMIT_PERIOD, "99");
        double minutes = 10.0;
        const auto fix_goes_out = [&] {
            minutes += 0.01;
            s.usbl_sends(LinkedStation::sentence(50, minutes, 'N', 1, 45.5, 'W'));
            s.station.on_tick();
            return !s.vehicle.drain(20).empty();
        };
        ASSERT_TRUE(fix_goes_out()) << c.text;
        if (c.period > 0) {
            s.clock.advance_seconds(c.period - 1);
            EXPECT_FALSE(fix_goes_out()) << c.text;
            s.clock.advance_seconds(1);
        }
        EXPECT_TRUE(fix_goes_out()) << c.text;
    }
}

} // namespace
