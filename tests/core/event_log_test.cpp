#include "control_ids.h"
#include "fake_clock.h"
#include "recording_view.h"
#include "station.h"

#include <gtest/gtest.h>

namespace {

using nerivo::testing::FakeClock;
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

// A burst of one message gives its line, then its count once the burst is over: when another
// message comes, or when it has been quiet for a while. A burst that goes on is counted as it
// goes.
TEST(StatusLog, NewestMessageIsOnTopAndABurstOfRepeatsIsCounted) {
    StartedStation s;
    const std::string fault = "received too few tokens in USBL string";
    s.station.add_status_message("WinFrog responding...Connected");
    s.clock.advance_seconds(1);
    for (int i = 0; i < 3; ++i) {
        s.station.add_status_message(fault);
    }
    s.station.add_status_message("AUV responding...Connected");
    for (int i = 0; i < 98; ++i) {
        s.clock.advance_ms(500);
        s.station.add_status_message(fault);
        s.station.on_tick();
    }
    s.clock.advance_ms(1999);
    s.station.on_tick();
    EXPECT_EQ(s.view.status_count(), 7u) << "not quiet long enough yet";
    s.clock.advance_ms(1);
    s.station.on_tick();
    s.station.add_status_message(fault);
    EXPECT_EQ(s.view.status_lines(),
              (Lines{"[000 09:05:59] " + fault, "[000 09:05:59] " + fault + " (repeated 37 times)",
                     "[000 09:05:38] " + fault + " (repeated 60 times)", "[000 09:05:08] " + fault,
                     "[000 09:05:08] AUV responding...Connected",
                     "[000 09:05:08] " + fault + " (repeated 2 times)", "[000 09:05:08] " + fault,
                     "[000 09:05:07] WinFrog responding...Connected",
                     "[000 09:05:07] Nerivo Started...ready"}));
    EXPECT_TRUE(s.view.nav_lines().empty());
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
