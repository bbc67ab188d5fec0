// What the station says and does with links on Windows, under Wine: its COM numbers are the
// system's own ports, and the reasons are in Wine's words. Wine lets a second opener have a
// held COM port, so that a held port is refused is not tested here.
#include "linked_station.h"

#include <gtest/gtest.h>

namespace {

using nerivo::testing::LinkedStation;
using namespace nerivo;

TEST(StationLinks, PortThatWillNotOpenSaysWhyAndChangesNothing) {
    struct Case {
        const char* text;
        const char* line;
    };
    const Case cases[] = {
        {"", "Cannot open COM0: File not found."},
        {"x1", "Cannot open COM0: File not found."},
        {"-5", "Cannot open COM-5: File not found."},
        {"9", "Cannot open COM9 (\\\\.\\COM9): File not found."},
    };
    for (const Case& c : cases) {
        LinkedStation s;
        s.station.connect_auv();
        s.view.set_field_text(IDC_WINFROG_COM, c.text);
        s.station.connect_winfrog();
        EXPECT_EQ(s.newest_status(), c.line) << c.text;
        EXPECT_EQ(s.status_count(), 3u) << c.text;
        EXPECT_EQ(s.view.face_colour(IDC_WINFROG_BUTTON), STATE_RED) << c.text;
        s.station.toggle_relay();
        EXPECT_EQ(s.newest_status(), "WinFrog-USBL|AUV not connected") << c.text;
    }
}

TEST(StationLinks, GpsLinkOpensSilently) {
    LinkedStation s;
    s.com.plug(7);
    s.station.connect_gps();
    EXPECT_EQ(s.view.face_colour(IDC_GPS_BUTTON), STATE_GREEN);
    EXPECT_EQ(s.status_count(), 1u);
}

} // namespace
