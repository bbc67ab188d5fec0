#include "linked_station.h"
#include "log_files_helpers.h"
#include "track_csv.h"

#include <gtest/gtest.h>

namespace {

using namespace nerivo;
using namespace nerivo::testing;
using Lines = std::vector<std::string>;

Lines lines_of(const std::string& text) {
    Lines lines;
    std::size_t from = 0;
    for (std::size_t end; (end = text.find('\n', from)) != std::string::npos; from = end + 1) {
        lines.push_back(text.substr(from, end - from));
    }
    EXPECT_EQ(from, text.size()) << "the last line has no line end";
    return lines;
}

// About 100 m north of the fix below: 0.054' of latitude, and 50.5 and -1.25 are exact floats.
const VehicleStatus NORTH_OF_FIX{50.5f, -1.25f, 270.25f, 12.5f, 3.75f, 24.1f, 31.0f, 2, 0};

TEST(TrackCsv, FixesAndShownStatusesGoToTheRunsTrackFileWithTheirDrift) {
    TempFolder folder;
    LinkedStation s(folder.path());
    s.connect_both();
    s.clock.advance_ms(250);
    s.usbl_sends(LinkedStation::sentence(50, 29.946, 'N', 1, 15.0, 'W'));
    s.station.on_tick();
    s.clock.advance_ms(1000);
    s.vehicle_sends(status_record(NORTH_OF_FIX));
    s.station.on_tick();
    // Eleven seconds from the fix: too far for a drift.
    s.clock.advance_ms(10000);
    s.vehicle_sends(status_record(NORTH_OF_FIX));
    s.station.on_tick();

    EXPECT_EQ(folder.names(),
              (Lines{"nerivo-2023-01-01T09-05-07-nav.log", "nerivo-2023-01-01T09-05-07-status.log",
                     "nerivo-2023-01-01T09-05-07-track.csv"}));
    EXPECT_EQ(
        lines_of(read_text(folder.path() + "/nerivo-2023-01-01T09-05-07-track.csv")),
        (Lines{"utc,source,latitude,longitude,depth_m,heading_deg,drift_m,drift_bearing_deg",
               "2023-01-01T09:05:07.250Z,usbl,50.4991000,-1.2500000,,,,",
               "2023-01-01T09:05:08.250Z,vehicle,50.5000000,-1.2500000,12.50,270.25,100.08,0.0",
               "2023-01-01T09:05:18.250Z,vehicle,50.5000000,-1.2500000,12.50,270.25,,"}));
    // The window's model holds the same points.
    EXPECT_EQ(s.station.track().usbl().size(), 1u);
    EXPECT_EQ(s.station.track().vehicle().size(), 2u);
}

TEST(TrackCsv, RowsReadTheSameInEveryLocaleAndCalendarCorner) {
    struct Row {
        const char* what;
        TrackRow row;
        const char* line;
    };
    const Row rows[] = {
        {"a fix south and west",
         {{1'700'000'000, 7}, TrackRow::Source::USBL, -45.5, -170.25, {}, {}, {}},
         "2023-11-14T22:13:20.007Z,usbl,-45.5000000,-170.2500000,,,,"},
        {"a leap day",
         {{951'782'400, 999}, TrackRow::Source::VEHICLE, 0, 0, 3.5f, 0.0f, std::nullopt},
         "2000-02-29T00:00:00.999Z,vehicle,0.0000000,0.0000000,3.50,0.00,,"},
        {"a bearing that rounds to north",
         {{0, 0}, TrackRow::Source::VEHICLE, 1, 2, 3.0f, 4.0f, Drift{1.005, 359.97}},
         "1970-01-01T00:00:00.000Z,vehicle,1.0000000,2.0000000,3.00,4.00,1.00,0.0"},
        {"before 1970",
         {{-1, 500}, TrackRow::Source::USBL, 1, 2, {}, {}, {}},
         "1969-12-31T23:59:59.500Z,usbl,1.0000000,2.0000000,,,,"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(track_csv_line(row.row), row.line) << row.what;
    }
}

} // namespace
