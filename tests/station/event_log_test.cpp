#include "station_helpers.h"

#include <gtest/gtest.h>

namespace {

using nerivo::testing::FakeClock;
using nerivo::testing::local_seconds;
using nerivo::testing::ScopedTimeZone;
using nerivo::testing::StartedStation;

QStringList lines_of(const nerivo::LogView* log) {
    QStringList lines;
    for (int row = 0; row < log->line_count(); ++row) {
        lines << log->line(row);
    }
    return lines;
}

TEST(StatusLog, StampIsLocalDayOfYearFromZeroAndTimeOnTheTwentyFourHourClock) {
    StartedStation station;
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
        station.clock.set(
            local_seconds(row.year, row.month, row.day, row.hour, row.minute, row.second));
        station.window->add_status_message(QStringLiteral("Requesting status from AUV"));
        EXPECT_EQ(station.window->status_log->line(0),
                  QString::fromUtf8(row.stamp) + QStringLiteral(" Requesting status from AUV"))
            << row.zone << " " << row.stamp;
    }
}

TEST(StatusLog, NewestMessageIsOnTopAndRepeatsAreNotMerged) {
    StartedStation station;
    StationWindow& window = *station.window;
    window.add_status_message(QStringLiteral("WinFrog responding...Connected"));
    station.clock.advance_seconds(1);
    window.add_status_message(QStringLiteral("AUV responding...Connected"));
    station.clock.advance_seconds(1);
    window.add_status_message(QStringLiteral("Start transmitting Nav packets"));
    for (int tick = 0; tick < 3; ++tick) {
        window.add_status_message(QStringLiteral("received too few tokens in USBL string"));
    }
    EXPECT_EQ(lines_of(window.status_log),
              (QStringList{"[000 09:05:09] received too few tokens in USBL string",
                           "[000 09:05:09] received too few tokens in USBL string",
                           "[000 09:05:09] received too few tokens in USBL string",
                           "[000 09:05:09] Start transmitting Nav packets",
                           "[000 09:05:08] AUV responding...Connected",
                           "[000 09:05:07] WinFrog responding...Connected",
                           "[000 09:05:07] Nerivo Started...ready"}));
    EXPECT_EQ(window.nav_log->line_count(), 0);
}

TEST(StatusLog, MessageWithInnerQuotesIsKeptByteForByte) {
    StartedStation station;
    station.window->add_status_message(QStringLiteral("Sending \"Abort\" message to AUV"));
    EXPECT_EQ(station.window->status_log->line(0),
              QStringLiteral("[000 09:05:07] Sending \"Abort\" message to AUV"));
}

TEST(StatusLog, OverlongMessageIsCutAtTheLineLimit) {
    StartedStation station;
    station.window->add_status_message(QString(300, QLatin1Char('x')));
    const QString line = station.window->status_log->line(0);
    EXPECT_EQ(line.size(), 255);
    EXPECT_EQ(line, QStringLiteral("[000 09:05:07] ") + QString(240, QLatin1Char('x')));
}

TEST(EventLogs, LinesOfferedBeforeInitialisationAreDropped) {
    ScopedTimeZone zone("UTC0");
    FakeClock clock(local_seconds(2023, 1, 1, 9, 5, 7));
    StationWindow window;
    window.add_status_message(QStringLiteral("too early"));
    window.add_nav_line(QStringLiteral("too early"));
    window.show();
    EXPECT_EQ(lines_of(window.status_log), QStringList{"[000 09:05:07] Nerivo Started...ready"});
    EXPECT_EQ(window.nav_log->line_count(), 0);
}

TEST(NavLog, LinesGoInUnchangedAtTheTop) {
    StartedStation station;
    StationWindow& window = *station.window;
    const QString first = QStringLiteral("09:30:05.250   LT:-45.70576   LG:-3.50000   SL:7.00");
    const QString second = QStringLiteral("09:30:10.000   LT:-45.70600   LG:-3.50010   SL:7.00");
    window.add_nav_line(first);
    window.add_nav_line(second);
    window.add_nav_line(second);
    EXPECT_EQ(lines_of(window.nav_log), (QStringList{second, second, first}));
    EXPECT_EQ(window.status_log->line_count(), 1);
}

} // namespace
