#include "control_ids.h"
#include "fake_clock.h"
#include "linked_station.h"
#include "recording_view.h"
#include "station.h"

#include <gtest/gtest.h>

namespace {

using nerivo::testing::FakeClock;
using nerivo::testing::LinkedStation;
using nerivo::testing::local_seconds;
using nerivo::testing::RecordedDump;
using nerivo::testing::RecordingView;
using nerivo::testing::ScopedTimeZone;
using Lines = std::vector<std::string>;

struct StartedStation {
    StartedStation() { station.init_station(); }
    ScopedTimeZone zone{"UTC0"};
    FakeClock clock{local_seconds(2023, 1, 1, 9, 5, 7)};
    RecordingView view;
    RecordedDump dump;
    nerivo::Station station{view, &dump};
};

TEST(StatusLog, StampIsLocalDayOfYearFromZeroAndTimeOnTheTwentyFourHourClock) {
    StartedStation s;
    struct Row {
        const char* zone;
        int year, month, day, hour, minute, second;
        const char* stamp;
    };
    const Row rows[] = {
        {"UTC0", 2023, 1, 1, 9, 5, 7, "[000 09:05:07]"},
        {"UTC0", 2023, 2, 2, 23, 59, 59, "[032 23:59:59]"},
        {"UTC0", 2023, 12, 31, 7, 0, 0, "[364 07:00:00]"},
        {"UTC0", 2024, 12, 31, 0, 0, 0, "[365 00:00:00]"}, // leap year
        // Local, not UTC: UTC is still in the old year, or already in the new one.
        {"<+03>-3", 2023, 1, 1, 1, 2, 3, "[000 01:02:03]"},
        {"<-05>5", 2023, 12, 31, 23, 30, 0, "[364 23:30:00]"},
    };
    for (const Row& row : rows) {
        ScopedTimeZone zone(row.zone);
        s.clock.set(local_seconds(row.year, row.month, row.day, row.hour, row.minute, row.second));
        s.station.add_status_message(std::string("Requested at ") + row.stamp);
        EXPECT_EQ(s.view.status_lines().front(),
                  std::string(row.stamp) + " Requested at " + row.stamp)
            << row.zone;
        EXPECT_EQ(s.view.status_log().back().first.seconds, s.clock.now().seconds);
    }
}

// A fault that comes with every byte or every tick gives its line, then its count once the
// burst is over: when the links have been quiet of it for a while, or when another line comes.
// A burst that goes on is counted as it goes. The operator's own actions show every time.
TEST(StatusLog, ABurstOfOneFaultIsCountedNotRepeated) {
    LinkedStation s;
    s.connect_both();
    // 800 bytes of damaged status-shaped headers: every 8-byte step reads as one.
    const std::vector<uint8_t> record = nerivo::testing::status_record({});
    std::vector<uint8_t> flood;
    for (int i = 0; i < 100; ++i) {
        flood.insert(flood.end(), record.begin(), record.begin() + 8);
    }
    s.vehicle_sends(flood);
    s.station.on_tick();
    s.clock.advance_ms(1999);
    s.station.on_tick();
    EXPECT_EQ(s.status_count(), 4u) << "not quiet long enough yet";
    s.clock.advance_ms(1);
    s.station.on_tick();
    s.station.connect_winfrog();
    s.station.connect_winfrog();
    for (int tick = 0; tick < 80; ++tick) {
        s.usbl_sends("no sentence at all\n");
        s.clock.advance_ms(500);
        s.station.on_tick();
    }
    s.clock.advance_ms(2000);
    s.station.on_tick();

    const std::string header = "Checksum failed in Auv Status header";
    const std::string usbl = "received too few tokens in USBL string";
    const Lines lines = s.view.status_lines();
    EXPECT_EQ(Lines(lines.begin(), lines.begin() + 8),
              (Lines{"[000 09:05:51] " + usbl + " (repeated 19 times)",
                     "[000 09:05:39] " + usbl + " (repeated 60 times)", "[000 09:05:09] " + usbl,
                     "[000 09:05:09] WinFrog responding...Connected",
                     "[000 09:05:09] WinFrog responding...Connected",
                     "[000 09:05:09] " + header + " (repeated 96 times)",
                     "[000 09:05:07] " + header, "[000 09:05:07] AUV responding...Connected"}));
    EXPECT_EQ(s.status_count(), 10u);
}

TEST(StatusLog, MessagesAreKeptByteForByteAndCutAtTheLineLimit) {
    struct Row {
        std::string message;
        std::string line;
    };
    const Row rows[] = {
        {"Sending \"Abort\" message to AUV", "[000 09:05:07] Sending \"Abort\" message to AUV"},
        {std::string(300, 'x'), "[000 09:05:07] " + std::string(240, 'x')},
        // Characters, not bytes; and none is split.
        {std::string(239, 'x') + "\xC3\xA9\xC3\xA9",
         "[000 09:05:07] " + std::string(239, 'x') + "\xC3\xA9"},
    };
    for (const Row& row : rows) {
        StartedStation s;
        s.station.add_status_message(row.message);
        EXPECT_EQ(s.view.status_lines().front(), row.line);
    }
}

TEST(NavLog, LinesGoInUnchangedAtTheTop) {
    StartedStation s;
    const std::string first = "09:30:05.250   LT:-45.70576   LG:-3.50000   SL:7.00";
    const std::string second = "09:30:10.000   LT:-45.70600   LG:-3.50010   SL:7.00";
    s.station.add_nav_line(first);
    s.station.add_nav_line(second);
    s.station.add_nav_line(second);
    EXPECT_EQ(s.view.nav_lines(), (Lines{second, second, first}));
    EXPECT_EQ(s.view.status_count(), 1u);
}

} // namespace
