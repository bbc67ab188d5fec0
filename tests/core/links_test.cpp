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

// Connect means the port the field names: the same number keeps the open port, another moves
// the link there, and one that will not open leaves the link down, said and shown.
TEST(StationLinks, ConnectMeansThePortTheFieldNames) {
    for (const LinkCase& link : LINKS) {
        const bool vehicle = link.button == IDC_AUV_BUTTON;
        LinkedStation s;
        s.start_relay(0);
        s.clock.advance_seconds(3);
        (s.station.*link.connect)();
        EXPECT_EQ(s.newest_status(), link.message) << link.name;

        nerivo::testing::FarEnd& other = s.com.plug(11);
        s.view.set_field_text(link.field, "11");
        s.clock.advance_seconds(3);
        (s.station.*link.connect)();
        EXPECT_EQ(s.newest_status(), link.message) << link.name;
        EXPECT_EQ(s.view.face_colour(link.button), STATE_GREEN) << link.name;
        // The link listens to the new port.
        if (vehicle) {
            ASSERT_TRUE(other.write(nerivo::testing::status_record({1, 2, 3, 4, 5, 6, 7, 1, 0})));
            ASSERT_TRUE(other.wait_pending_at_device(SMAC_STATUS_RECORD_SIZE));
            s.station.on_tick();
            EXPECT_EQ(s.view.field(IDC_HEADING), "3.000000");
        } else {
            const std::string fix = LinkedStation::sentence(51, 10.0, 'N', 1, 45.5, 'W');
            ASSERT_TRUE(other.write(fix));
            ASSERT_TRUE(other.wait_pending_at_device(fix.size()));
            s.station.on_tick();
            const auto records = nerivo::testing::nav_records_in(s.vehicle.drain(20));
            ASSERT_EQ(records.size(), 1u);
            EXPECT_EQ(records[0].fix.latitude, static_cast<float>(51 + 10.0f / 60.0));
        }

        s.view.set_field_text(link.field, "9");
        (s.station.*link.connect)();
        const std::vector<std::string> messages = s.view.status_messages();
        const std::string told = messages[vehicle ? 1 : 0];
        EXPECT_EQ(told.rfind("Cannot open COM9", 0), 0u) << told;
        EXPECT_EQ(s.view.face_colour(link.button), STATE_RED) << link.name;
        // Without the vehicle link the relay cannot run; without the navigation link it has
        // nothing to send, as when that link is lost.
        EXPECT_EQ(messages[0], vehicle ? "Stop transmitting Nav packets" : told) << link.name;
    }
}

// A device that goes away (an adapter pulled, the far end of a pty closed) is shown lost and
// let go; its COM number is tried again about once a second, quietly, and the link comes back
// by itself once a device is there again, or when the operator connects it. A relay that the
// lost vehicle link stopped starts again.
TEST(StationLinks, LostDeviceIsShownAndComesBack) {
    struct Case {
        const char* name;
        bool vehicle; // else the navigation link
        bool relay_on;
        bool by_itself; // else by Connect
    };
    for (const Case c :
         {Case{"vehicle", true, false, true}, Case{"vehicle, relay on", true, true, true},
          Case{"vehicle, relay on, by Connect", true, true, false},
          Case{"navigation, by Connect", false, false, false},
          Case{"navigation, relay on", false, true, true}}) {
        LinkedStation s;
        s.start_relay(0);
        if (!c.relay_on) {
            s.station.toggle_relay();
        }
        const std::size_t lines = s.status_count();
        (c.vehicle ? s.vehicle : s.usbl).close_master();
        for (int tick = 0; tick < 4; ++tick) {
            s.clock.advance_ms(1000);
            s.station.on_tick(); // said once; tried again, without a line
        }

        const int button = c.vehicle ? IDC_AUV_BUTTON : IDC_WINFROG_BUTTON;
        std::vector<std::string> said = {c.vehicle ? "AUV link lost" : "WinFrog link lost"};
        if (c.vehicle && c.relay_on) {
            said.insert(said.begin(), "Stop transmitting Nav packets");
        }
        std::vector<std::string> messages = s.view.status_messages();
        EXPECT_EQ(std::vector<std::string>(messages.begin(), messages.begin() + said.size()), said)
            << c.name;
        EXPECT_EQ(s.status_count(), lines + said.size()) << c.name;
        EXPECT_EQ(s.view.face_colour(button), STATE_RED) << c.name;
        // Losing the navigation link leaves the relay as it was: it just has nothing to send.
        EXPECT_EQ(s.view.field(IDC_XMIT_BUTTON),
                  c.relay_on && !c.vehicle ? "Stop Packet Xmit" : "Start Packet Xmit")
            << c.name;

        // A new device under the same number.
        nerivo::testing::FarEnd& replacement = s.com.plug(c.vehicle ? 5 : 1);
        const std::string name = c.vehicle ? "AUV" : "WinFrog";
        if (c.by_itself) {
            s.clock.advance_ms(1000);
            s.station.on_tick();
        } else {
            (s.station.*(c.vehicle ? &Station::connect_auv : &Station::connect_winfrog))();
        }
        said = {name + (c.by_itself ? " link back...Connected" : " responding...Connected")};
        if (c.vehicle && c.relay_on) {
            said.insert(said.begin(), "Start transmitting Nav packets");
        }
        messages = s.view.status_messages();
        EXPECT_EQ(std::vector<std::string>(messages.begin(), messages.begin() + said.size()), said)
            << c.name;
        EXPECT_EQ(s.view.face_colour(button), STATE_GREEN) << c.name;
        EXPECT_EQ(s.view.field(IDC_XMIT_BUTTON),
                  c.relay_on ? "Stop Packet Xmit" : "Start Packet Xmit")
            << c.name;
        if (c.vehicle) {
            ASSERT_TRUE(
                replacement.write(nerivo::testing::status_record({1, 2, 3, 4, 5, 6, 7, 1, 0})));
            ASSERT_TRUE(replacement.wait_pending_at_device(SMAC_STATUS_RECORD_SIZE));
            s.station.on_tick();
            EXPECT_EQ(s.view.field(IDC_HEADING), "3.000000") << c.name;
        } else {
            s.view.set_field_text(IDC_XMIT_PERIOD, "0");
            if (!c.relay_on) {
                s.station.toggle_relay();
            }
            const std::string fix = LinkedStation::sentence(50, 10.0, 'N', 1, 45.5, 'W');
            ASSERT_TRUE(replacement.write(fix));
            ASSERT_TRUE(replacement.wait_pending_at_device(fix.size()));
            s.station.on_tick();
            EXPECT_EQ(nerivo::testing::nav_records_in(s.vehicle.drain(20)).size(), 1u) << c.name;
        }
    }
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
