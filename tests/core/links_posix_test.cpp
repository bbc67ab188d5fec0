// What the station says and does with links on POSIX systems: its COM numbers lead through
// the COM folder, and a port held by one opener is refused to the next.
#include "linked_station.h"

#include <gtest/gtest.h>

namespace {

using nerivo::testing::LinkedStation;
using namespace nerivo;

TEST(StationLinks, PortThatWillNotOpenSaysWhyAndChangesNothing) {
    struct Case {
        const char* text;
        const char* line; // DIR stands for the COM folder
    };
    const Case cases[] = {
        {"", "Cannot open COM0: No such device"},
        {"x1", "Cannot open COM0: No such device"},
        {"-5", "Cannot open COM-5: No such device"},
        {"9", "Cannot open COM9 (DIR/com9): No such file or directory"},
        {"5", "Cannot open COM5 (DIR/com5): Device or resource busy"}, // held by the vehicle link
    };
    for (const Case& c : cases) {
        LinkedStation s;
        s.station.connect_auv();
        s.view.set_field_text(IDC_WINFROG_COM, c.text);
        s.station.connect_winfrog();
        std::string line = c.line;
        if (const std::size_t dir = line.find("DIR"); dir != std::string::npos) {
            line.replace(dir, 3, s.com.path());
        }
        EXPECT_EQ(s.newest_status(), line) << c.text;
        EXPECT_EQ(s.status_count(), 3u) << c.text;
        EXPECT_EQ(s.view.face_colour(IDC_WINFROG_BUTTON), STATE_RED) << c.text;
        s.station.toggle_relay();
        EXPECT_EQ(s.newest_status(), "WinFrog-USBL|AUV not connected") << c.text;
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

} // namespace
