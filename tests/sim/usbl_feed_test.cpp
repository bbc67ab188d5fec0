#include "lawn_mower_track.h"
#include "pty_pair.h"
#include "pty_read.h"
#include "usbl_feed.h"
#include "usbl_sentence.h"
#include "vehicle_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

namespace {

using namespace nerivo::sim;
using nerivo::scan_usbl_sentence;
using nerivo::UsblSentence;
using nerivo::testing::PtyPair;
using nerivo::testing::read_line;
using nerivo::testing::read_rest;

constexpr int64_t NOON_MS = 1'700'000'000'000 - 1'700'000'000'000 % 86'400'000 + 43'200'000;

int scan(const std::string& text, UsblSentence& out) {
    return scan_usbl_sentence(reinterpret_cast<const uint8_t*>(text.data()), text.size(), &out);
}

// Signed decimal degrees as the station works them out.
double station_degrees(int degrees, float minutes, char hemisphere, char negative) {
    const double value = degrees + static_cast<double>(minutes) / 60.0;
    return hemisphere == negative ? -value : value;
}

struct ReadingCase {
    const char* name;
    int64_t time_ms;
    double latitude, longitude, slant;
    int hours, minutes;
    float seconds;
};

class SentenceFormat : public ::testing::TestWithParam<ReadingCase> {};

TEST_P(SentenceFormat, ScansToTheValuesItWasMadeFrom) {
    const ReadingCase& c = GetParam();
    UsblReading r;
    r.time_ms = c.time_ms;
    r.position = {c.latitude, c.longitude};
    r.depth_m = 24.96;
    r.bearing_deg = 359.97;
    r.horizontal_range_m = 201.2;
    r.position_sd_m = 0.9;
    r.depth_sd_m = 0.3;
    r.slant_range_m = c.slant;
    const std::string sentence = format_usbl_sentence(r);
    ASSERT_EQ(sentence.substr(sentence.size() - 2), "\r\n");
    ASSERT_LT(sentence.size(), 128u); // one sentence fits a station read with room to spare

    UsblSentence s;
    ASSERT_EQ(scan(sentence, s), 16) << sentence;
    EXPECT_STREQ(s.tag, "$NVPOS");
    EXPECT_EQ(s.hours, c.hours);
    EXPECT_EQ(s.minutes, c.minutes);
    EXPECT_FLOAT_EQ(s.seconds, c.seconds);
    // Four decimals of a minute, then a 32-bit float: well inside a millionth of a degree.
    EXPECT_NEAR(station_degrees(s.lat_degrees, s.lat_minutes, s.lat_hemisphere, 'S'), c.latitude,
                1.5e-6);
    EXPECT_NEAR(station_degrees(s.lon_degrees, s.lon_minutes, s.lon_hemisphere, 'W'), c.longitude,
                1.5e-6);
    EXPECT_LT(s.lat_minutes, 60.0f);
    EXPECT_LT(s.lon_minutes, 60.0f);
    EXPECT_NEAR(s.sl, c.slant, 0.005);
    EXPECT_NEAR(s.unused[0], 24.96, 0.05); // depth
    EXPECT_NEAR(s.unused[1], 359.97, 0.05);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SentenceFormat,
    ::testing::Values(
        ReadingCase{"north_west", NOON_MS + 1250, 50.5016612, -1.7533391, 143.7, 12, 0, 1.25f},
        ReadingCase{"south_east", NOON_MS - 12 * 3600000 + 3723450, -45.7057612, 170.25, 12.5, 1, 2,
                    3.45f},
        ReadingCase{"minutes_that_round_up_carry_into_degrees", NOON_MS, 50.99999999, -1.99999999,
                    0.0, 12, 0, 0.0f},
        ReadingCase{"single_digit_degrees", NOON_MS, 5.05, -0.5, 2000.25, 12, 0, 0.0f},
        ReadingCase{"last_moment_of_the_day", NOON_MS + 12 * 3600000 - 1, 0.0001, 179.9999, 1.0, 23,
                    59, 59.99f},
        ReadingCase{"equator_and_meridian", NOON_MS, 0.0, 0.0, 50.0, 12, 0, 0.0f}),
    [](const ::testing::TestParamInfo<ReadingCase>& row) { return std::string(row.param.name); });

TEST(BrokenSentence, NeverScansInFullAndStillEndsTheLine) {
    SimRandom random(3);
    UsblReading r;
    r.time_ms = NOON_MS;
    r.position = {50.5, -1.75};
    r.slant_range_m = 100;
    const std::string good = format_usbl_sentence(r);
    std::set<SentenceBreak> seen;
    for (int i = 0; i < 500; ++i) {
        const BrokenSentence broken = break_usbl_sentence(good, random);
        seen.insert(broken.how);
        UsblSentence s;
        EXPECT_LT(scan(broken.text, s), 16) << broken.text;
        EXPECT_EQ(broken.text.substr(broken.text.size() - 2), "\r\n");
        EXPECT_NE(broken.text, good);
    }
    EXPECT_EQ(seen.size(), 3u);
}

TEST(LawnMowerTrack, FliesTheLegsOutAndBackWithoutJumps) {
    TrackConfig config;
    config.leg_length_m = 300;
    config.leg_spacing_m = 40;
    config.speed_mps = 2;
    config.legs = 3;
    const LawnMowerTrack track(config);
    // Out: 3 legs of 300 and 2 cross lines of 40; back the same way.
    EXPECT_DOUBLE_EQ(track.cycle_length_m(), 2 * (3 * 300 + 2 * 40));
    struct Expect {
        double seconds, north, east, heading;
    };
    const Expect expected[] = {
        {0, 0, 0, 0},        {75, 150, 0, 0},  {160, 300, 20, 90},
        {245, 150, 40, 180}, {350, 20, 80, 0}, {500, 280, 80, 180},
        {560, 160, 80, 180}, {980, 0, 0, 0},   {980 + 75, 150, 0, 0},
    };
    for (const Expect& e : expected) {
        const TrackPoint p = track.at(e.seconds);
        EXPECT_NEAR(p.position.north_m, e.north, 1e-9) << e.seconds;
        EXPECT_NEAR(p.position.east_m, e.east, 1e-9) << e.seconds;
        EXPECT_NEAR(p.heading_deg, e.heading, 1e-9) << e.seconds;
    }
    for (double t = 0; t < 1000; t += 0.5) {
        const TrackPoint a = track.at(t);
        const TrackPoint b = track.at(t + 0.5);
        EXPECT_LE(std::hypot(b.position.north_m - a.position.north_m,
                             b.position.east_m - a.position.east_m),
                  1.0 + 1e-9)
            << t;
    }
}

TEST(LawnMowerTrack, TurnsMetresIntoDegreesAroundTheOrigin) {
    TrackConfig config;
    config.origin_latitude = 60;
    config.origin_longitude = -3;
    const LawnMowerTrack track(config);
    const GeoPoint p =
        track.to_geo({METRES_PER_DEGREE_LATITUDE / 100, METRES_PER_DEGREE_LATITUDE / 200});
    EXPECT_NEAR(p.latitude, 60.01, 1e-12);
    EXPECT_NEAR(p.longitude, -3 + 0.01, 1e-9); // a degree of longitude is half as long at 60N
    const LocalPoint back = track.to_local(p);
    EXPECT_NEAR(back.north_m, METRES_PER_DEGREE_LATITUDE / 100, 1e-6);
    EXPECT_NEAR(back.east_m, METRES_PER_DEGREE_LATITUDE / 200, 1e-6);

    config.origin_longitude = 179.999;
    const LawnMowerTrack date_line(config);
    const GeoPoint across = date_line.to_geo({0, 500});
    EXPECT_LT(across.longitude, -179.98) << "east of 180 is west";
    EXPECT_NEAR(date_line.to_local(across).east_m, 500, 1e-6);
}

class UsblFeedOnALine : public ::testing::Test {
protected:
    PtyPair line;
    TrackConfig config;
    SimCounters counters;
    FaultPlan faults;
    SimRandom random{11};
    std::vector<std::string> lines;

    UsblFeed make_feed(const LawnMowerTrack& track) {
        return UsblFeed(
            line.master_fd(), track, random, faults, counters,
            [this](int64_t, const std::string& l) { lines.push_back(l); }, NOON_MS, 1000);
    }
};

TEST_F(UsblFeedOnALine, SendsOneSentencePerPeriodThatScansToWhereTheVehicleIs) {
    const LawnMowerTrack track(config);
    UsblFeed feed = make_feed(track);
    for (int second = 0; second < 5; ++second) {
        const int64_t now = NOON_MS + second * 1000;
        feed.poll(now);
        feed.poll(now + 500); // not due: nothing
        const std::string got = read_line(line.slave_fd());
        ASSERT_EQ(got, feed.last_sentence());
        UsblSentence s;
        ASSERT_EQ(scan(got, s), 16) << got;
        const UsblReading& r = feed.last_reading();
        EXPECT_EQ(r.time_ms, now);
        EXPECT_EQ(s.hours, 12);
        EXPECT_EQ(s.minutes, 0);
        EXPECT_FLOAT_EQ(s.seconds, static_cast<float>(second));
        EXPECT_NEAR(station_degrees(s.lat_degrees, s.lat_minutes, s.lat_hemisphere, 'S'),
                    r.position.latitude, 1.5e-6);
        EXPECT_NEAR(station_degrees(s.lon_degrees, s.lon_minutes, s.lon_hemisphere, 'W'),
                    r.position.longitude, 1.5e-6);
        EXPECT_NEAR(s.sl, r.slant_range_m, 0.005);
        // The measurement is the track plus noise of the size it claims.
        const TrackPoint truth = track.at(second);
        const LocalPoint seen = track.to_local(r.position);
        EXPECT_LT(
            std::hypot(seen.north_m - truth.position.north_m, seen.east_m - truth.position.east_m),
            6 * r.position_sd_m);
        const LocalPoint boat = track.boat();
        const double range =
            std::hypot(truth.position.north_m - boat.north_m, truth.position.east_m - boat.east_m,
                       VehicleModel::SURVEY_DEPTH_M);
        EXPECT_NEAR(r.slant_range_m, range, 1.0);
        EXPECT_TRUE(read_rest(line.slave_fd(), 20).empty()) << "one sentence per period";
    }
    EXPECT_EQ(counters.sentences_sent, 5u);
    EXPECT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0].rfind("usbl    -> $NVPOS,120000.00,", 0), 0u) << lines[0];
}

TEST_F(UsblFeedOnALine, BreaksEveryNthSentenceOnly) {
    faults.bad_sentence_every = 3;
    const LawnMowerTrack track(config);
    UsblFeed feed = make_feed(track);
    for (int i = 1; i <= 7; ++i) {
        feed.poll(NOON_MS + (i - 1) * 1000);
        UsblSentence s;
        const int filled = scan(read_line(line.slave_fd()), s);
        if (i % 3 == 0) {
            EXPECT_LT(filled, 16) << i;
            EXPECT_NE(lines.back().find("[broken: "), std::string::npos);
        } else {
            EXPECT_EQ(filled, 16) << i;
        }
    }
    EXPECT_EQ(counters.faults_injected, 2u);
    EXPECT_EQ(counters.sentences_sent, 7u);
}

TEST_F(UsblFeedOnALine, RepeatsThePositionOfEveryNthFixWithItsOwnTime) {
    faults.repeat_fix_every = 3;
    const LawnMowerTrack track(config);
    UsblFeed feed = make_feed(track);
    std::vector<UsblSentence> got;
    for (int i = 1; i <= 6; ++i) {
        feed.poll(NOON_MS + (i - 1) * 1000);
        UsblSentence s;
        ASSERT_EQ(scan(read_line(line.slave_fd()), s), 16) << i;
        got.push_back(s);
        EXPECT_EQ(lines.back().find("[repeated fix]") != std::string::npos, i % 3 == 0) << i;
    }
    const auto same_position = [](const UsblSentence& a, const UsblSentence& b) {
        return a.lat_degrees == b.lat_degrees && a.lat_minutes == b.lat_minutes &&
               a.lon_degrees == b.lon_degrees && a.lon_minutes == b.lon_minutes;
    };
    for (std::size_t i = 1; i < got.size(); ++i) {
        EXPECT_EQ(same_position(got[i], got[i - 1]), (i + 1) % 3 == 0) << i;
        EXPECT_FLOAT_EQ(got[i].seconds, static_cast<float>(i)) << "a repeat has its own time";
    }
    EXPECT_EQ(counters.faults_injected, 0u) << "a repeat is not damage";
}

TEST_F(UsblFeedOnALine, TapSeesExactlyWhatTheLineTook) {
    faults.bad_sentence_every = 2;
    const LawnMowerTrack track(config);
    UsblFeed feed = make_feed(track);
    std::string tapped;
    std::vector<int64_t> times;
    feed.set_write_tap([&](int64_t now, const uint8_t* bytes, std::size_t count) {
        tapped.append(reinterpret_cast<const char*>(bytes), count);
        times.push_back(now);
    });
    std::string arrived;
    for (int i = 0; i < 4; ++i) {
        feed.poll(NOON_MS + i * 1000);
        arrived += read_line(line.slave_fd());
    }
    EXPECT_EQ(tapped, arrived);
    EXPECT_EQ(times,
              (std::vector<int64_t>{NOON_MS, NOON_MS + 1000, NOON_MS + 2000, NOON_MS + 3000}));
}

TEST_F(UsblFeedOnALine, KeepsItsPeriodWhenTheClockJumps) {
    const LawnMowerTrack track(config);
    UsblFeed feed = make_feed(track);
    feed.poll(NOON_MS);
    EXPECT_EQ(feed.next_due_ms(), NOON_MS + 1000);
    feed.poll(NOON_MS + 60'000); // a stall: one sentence, not sixty
    EXPECT_EQ(feed.next_due_ms(), NOON_MS + 61'000);
    feed.poll(NOON_MS - 3'600'000); // set back an hour: carries on at once
    EXPECT_EQ(counters.sentences_sent, 3u);
    EXPECT_EQ(feed.next_due_ms(), NOON_MS - 3'600'000 + 1000);
}

TEST_F(UsblFeedOnALine, DropsSentencesTheLineCannotTakeWithoutBlocking) {
    const LawnMowerTrack track(config);
    UsblFeed feed = make_feed(track);
    // Fill the line towards the station until it takes no more.
    ASSERT_GT(nerivo::testing::fill_towards_device(line.master_fd()), 0u);
    const auto started = std::chrono::steady_clock::now();
    for (int i = 0; i < 5; ++i) {
        feed.poll(NOON_MS + i * 1000);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(200));
    EXPECT_EQ(counters.sentences_sent, 0u);
    EXPECT_EQ(counters.sentences_dropped, 4u); // the first waits, whole, for room
    EXPECT_TRUE(feed.wants_to_write());
}

} // namespace
