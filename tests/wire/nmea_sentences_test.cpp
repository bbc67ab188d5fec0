// The sentences a chart plotter reads for each status shown.
#include "nmea_sentences.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace nerivo;

TEST(NmeaSentences, PositionHeadingAndDepthOfAStatusWithTheirChecksums) {
    // A published example's checksums.
    EXPECT_EQ(nmea_sentence("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,"),
              "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n");
    EXPECT_EQ(nmea_sentence("GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W"),
              "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\r\n");
    constexpr int64_t JAN_1_2023 = 1672531200, FEB_29_2024 = 1709164800;
    struct Row {
        float lat, lon, heading, depth;
        int64_t seconds; // arrived (UTC)
        int32_t milliseconds;
        const char* position; // latitude and longitude as sent; null: nothing sent
        const char* altitude = "";
        const char* true_heading = "";
        const char* time = "";
        const char* date = "";
    };
    const Row rows[] = {
        {48.125f, -11.5f, 84.4f, 12.5f, JAN_1_2023 + 32707, 123, "4807.5000,N,01130.0000,W",
         "-12.50", "84.40", "090507.12", "010123"},
        {-45.75f, 170.25f, -90, -2.5f, FEB_29_2024 + 86399, 999, "4545.0000,S,17015.0000,E", "2.50",
         "270.00", "235959.99", "290224"},
        {0, 0, 720.5f, 0, JAN_1_2023, 0, "0000.0000,N,00000.0000,E", "0.00", "0.50", "000000.00",
         "010123"},
        // Minutes that round up to 60 carry into the degree; 89.999999 is 90 as a float. The
        // deepest depth sent.
        {89.999999f, -0.99999994f, 359.999f, 11000, JAN_1_2023, 0, "9000.0000,N,00100.0000,W",
         "-11000.00", "0.00", "000000.00", "010123"},
        {89.99999f, -180, 0, 0, JAN_1_2023, 0, "8959.9995,N,18000.0000,W", "0.00", "0.00",
         "000000.00", "010123"},
        {-0.99999994f, 180, 0, 0, JAN_1_2023, 0, "0100.0000,S,18000.0000,E", "0.00", "0.00",
         "000000.00", "010123"},
        {0, 0, 0, 11000.001f, 0, 0, nullptr},
        {0, 0, 0, -100.001f, 0, 0, nullptr},
        {90.00001f, 0, 0, 0, 0, 0, nullptr},
        {0, -180.00002f, 0, 0, 0, 0, nullptr},
        {NAN, 0, 0, 0, 0, 0, nullptr},
        {0, INFINITY, 0, 0, 0, 0, nullptr},
        {0, 0, NAN, 0, 0, 0, nullptr},
        {0, 0, 0, -INFINITY, 0, 0, nullptr},
    };
    for (const Row& row : rows) {
        const VehicleStatus status{row.lat, row.lon, row.heading, row.depth, 1, 2, 3, 0, 0};
        const std::string sent = nmea_position_sentences(status, {row.seconds, row.milliseconds});
        const std::string label =
            ::testing::PrintToString(std::vector<float>{row.lat, row.lon, row.heading, row.depth});
        if (row.position == nullptr) {
            EXPECT_EQ(sent, "") << label;
            continue;
        }
        const std::string time = row.time, position = row.position;
        EXPECT_EQ(
            sent,
            nmea_sentence("GPGGA," + time + "," + position + ",1,,," + row.altitude + ",M,,,,") +
                nmea_sentence("GPRMC," + time + ",A," + position + ",,," + row.date + ",,,A") +
                nmea_sentence(std::string("HEHDT,") + row.true_heading + ",T"))
            << label;
        for (std::size_t start = 0, end; (end = sent.find('\n', start)) != std::string::npos;
             start = end + 1) {
            EXPECT_LE(end + 1 - start, NMEA_SENTENCE_MAX) << label;
        }
    }
}

TEST(NmeaSentences, TargetPositionAsATrackedTargetWithItsNameAndTime) {
    constexpr int64_t JAN_1_2023 = 1672531200, FEB_29_2024 = 1709164800;
    constexpr TargetStatus T = TargetStatus::TRACKING, L = TargetStatus::LOST;
    struct Row {
        int number;
        double lat, lon;
        const char* name;
        int64_t seconds; // UTC
        int32_t milliseconds;
        TargetStatus status;
        const char* sentence; // as sent, checksum checked with python3-nmea2; "": nothing sent
    };
    const Row rows[] = {
        {1, 48.125, -11.5, "AUV", JAN_1_2023 + 32707, 123, T,
         "$RATLL,01,4807.5000,N,01130.0000,W,AUV,090507.12,T,*7E\r\n"},
        {1, -45.75, 170.25, "AUV 2", FEB_29_2024 + 86399, 999, L,
         "$RATLL,01,4545.0000,S,17015.0000,E,AUV 2,235959.99,L,*7D\r\n"},
        {99, 90, 180, "ABCDEFGHIJKLMNOPQRSTUVWXYZ", JAN_1_2023, 0, T,
         "$RATLL,99,9000.0000,N,18000.0000,E,ABCDEFGHIJKLMNOPQRST,000000.00,T,*3E\r\n"},
        {7, -90, -180, "_ ?09[]\"#%&'()+-./:;", JAN_1_2023, 5, L,
         "$RATLL,07,9000.0000,S,18000.0000,W,_ ?09[]\"#%&'()+-./:;,000000.00,L,*57\r\n"},
        // Minutes that round up to 60 carry into the degree; a position rounded to zero has
        // no hemisphere but the positive one.
        {1, 89.9999999, -0.99999999, "", JAN_1_2023, 0, T,
         "$RATLL,01,9000.0000,N,00100.0000,W,,000000.00,T,*31\r\n"},
        {1, -0.0000000001, -0.0000000001, "AUV", JAN_1_2023, 0, T,
         "$RATLL,01,0000.0000,N,00000.0000,E,AUV,000000.00,T,*69\r\n"},
        {1, 90.000001, 0, "AUV", JAN_1_2023, 0, T, ""},
        {1, 0, -180.000001, "AUV", JAN_1_2023, 0, T, ""},
        {1, NAN, 0, "AUV", JAN_1_2023, 0, T, ""},
        {1, 0, INFINITY, "AUV", JAN_1_2023, 0, T, ""},
    };
    for (const Row& row : rows) {
        const std::string sent = nmea_target_sentence(row.number, row.lat, row.lon, row.name,
                                                      {row.seconds, row.milliseconds}, row.status);
        EXPECT_EQ(sent, row.sentence) << row.lat << " " << row.lon << " " << row.name;
        EXPECT_LE(sent.size(), NMEA_SENTENCE_MAX);
    }
}

} // namespace
