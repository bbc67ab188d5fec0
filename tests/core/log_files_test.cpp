#include "log_files_helpers.h"

#include "control_ids.h"

#include <gtest/gtest.h>

namespace {

using namespace nerivo;
using namespace nerivo::testing;
using Lines = std::vector<std::string>;

TEST(LogFilesView, EveryLineGoesToItsFileWithItsDateAndOnToTheScreenUnchanged) {
    TempFolder folder;
    LoggingStation s(folder.path());
    s.clock.advance_seconds(1);
    s.station.add_status_message("WinFrog responding...Connected");
    s.station.add_nav_line("Nav: 50 30.0901 N  1 45.1623 W");
    s.clock.set(local_seconds(2023, 1, 2, 0, 0, 1));
    s.station.add_status_message("Start transmitting Nav packets");
    s.station.add_nav_line("Nav: 50 30.1000 N  1 45.2000 W");

    EXPECT_EQ(folder.names(),
              (Lines{"nerivo-2023-01-01T09-05-07-nav.log", "nerivo-2023-01-01T09-05-07-status.log",
                     "nerivo-2023-01-01T09-05-07-track.csv"}));
    EXPECT_EQ(read_text(folder.path() + "/nerivo-2023-01-01T09-05-07-status.log"),
              "2023-01-01T09:05:07+00:00 [000 09:05:07] Nerivo Started...ready\n"
              "2023-01-01T09:05:08+00:00 [000 09:05:08] WinFrog responding...Connected\n"
              "2023-01-02T00:00:01+00:00 [001 00:00:01] Start transmitting Nav packets\n");
    EXPECT_EQ(read_text(folder.path() + "/nerivo-2023-01-01T09-05-07-nav.log"),
              "2023-01-01T09:05:08+00:00 Nav: 50 30.0901 N  1 45.1623 W\n"
              "2023-01-02T00:00:01+00:00 Nav: 50 30.1000 N  1 45.2000 W\n");

    EXPECT_EQ(s.view.status_lines(), (Lines{"[001 00:00:01] Start transmitting Nav packets",
                                            "[000 09:05:08] WinFrog responding...Connected",
                                            "[000 09:05:07] Nerivo Started...ready"}));
    EXPECT_EQ(s.view.nav_lines(),
              (Lines{"Nav: 50 30.1000 N  1 45.2000 W", "Nav: 50 30.0901 N  1 45.1623 W"}));
    // Fields, buttons and questions still reach the screen.
    EXPECT_EQ(s.view.field(IDC_AUV_COM), "5");
    EXPECT_EQ(s.view.face_colour(IDC_XMIT_BUTTON), STATE_RED);
    s.view.answer({true});
    EXPECT_TRUE(s.files.ask_yes_no("Start the survey?", "Start Survey"));
    ASSERT_EQ(s.view.questions().size(), 1u);
    EXPECT_EQ(s.view.questions()[0].caption, "Start Survey");
}

TEST(LogFilesView, DateAndTimeAreLocalWithTheirOffsetFromUtc) {
    struct Row {
        const char* zone;
        int year, month, day, hour, minute, second;
        const char* text;
    };
    const Row rows[] = {
        {"UTC0", 2023, 1, 1, 9, 5, 7, "2023-01-01T09:05:07+00:00"},
        {"CET-1CEST,M3.5.0,M10.5.0/3", 2026, 12, 8, 20, 45, 7, "2026-12-08T20:45:07+01:00"},
        {"CET-1CEST,M3.5.0,M10.5.0/3", 2026, 7, 1, 0, 0, 0, "2026-07-01T00:00:00+02:00"},
        {"<-0330>3:30", 2024, 2, 29, 23, 59, 59, "2024-02-29T23:59:59-03:30"},
        {"<+0545>-5:45", 2038, 1, 19, 9, 14, 8, "2038-01-19T09:14:08+05:45"},
        {"<-10>10", 1999, 12, 31, 14, 0, 0, "1999-12-31T14:00:00-10:00"},
    };
    for (const Row& row : rows) {
        ScopedTimeZone zone(row.zone);
        const int64_t seconds =
            local_seconds(row.year, row.month, row.day, row.hour, row.minute, row.second);
        EXPECT_EQ(iso_local_time(seconds), row.text) << row.zone;
    }
}

TEST(LogFilesView, RunsStartedInTheSameSecondKeepApartAndListInTheOrderTheyStarted) {
    TempFolder folder;
    for (const char* message : {"first run", "second run", "third run"}) {
        LoggingStation s(folder.path());
        s.station.add_status_message(message);
    }
    const Lines names = folder.names();
    EXPECT_EQ(
        names,
        (Lines{"nerivo-2023-01-01T09-05-07-nav.log", "nerivo-2023-01-01T09-05-07-status.log",
               "nerivo-2023-01-01T09-05-07-track.csv", "nerivo-2023-01-01T09-05-07.01-nav.log",
               "nerivo-2023-01-01T09-05-07.01-status.log",
               "nerivo-2023-01-01T09-05-07.01-track.csv", "nerivo-2023-01-01T09-05-07.02-nav.log",
               "nerivo-2023-01-01T09-05-07.02-status.log",
               "nerivo-2023-01-01T09-05-07.02-track.csv"}));
    const char* const runs[] = {"first run", "second run", "third run"};
    for (std::size_t run = 0; run < 3; ++run) {
        const std::string text = read_text(folder.path() + "/" + names[3 * run + 1]);
        EXPECT_EQ(text, "2023-01-01T09:05:07+00:00 [000 09:05:07] Nerivo Started...ready\n"
                        "2023-01-01T09:05:07+00:00 [000 09:05:07] " +
                            std::string(runs[run]) + "\n");
    }
}

TEST(LogFilesView, AFolderThatCannotBeMadeIsToldOnceAfterTheStartLineAndTheStationRunsOn) {
    TempFolder folder;
    write_text(folder.path() + "/notes.txt", "not a folder\n");
    const std::string unusable = folder.path() + "/notes.txt/logs";
    LoggingStation s(unusable);
    s.station.add_status_message("WinFrog responding...Connected");
    s.station.add_nav_line("Nav: 50 30.0901 N  1 45.1623 W");

    const Lines lines = s.view.status_lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2], "[000 09:05:07] Nerivo Started...ready");
    const std::string told = "[000 09:05:07] Cannot write log files in " + unusable + ": ";
    EXPECT_EQ(lines[1].substr(0, told.size()), told);
    EXPECT_GT(lines[1].size(), told.size()); // the system's reason follows
    EXPECT_EQ(lines[0], "[000 09:05:07] WinFrog responding...Connected");
    EXPECT_EQ(s.view.nav_lines(), Lines{"Nav: 50 30.0901 N  1 45.1623 W"});
    EXPECT_EQ(folder.names(), Lines{"notes.txt"});
    EXPECT_EQ(read_text(folder.path() + "/notes.txt"), "not a folder\n");
}

} // namespace
