#include "pty_pair.h"
#include "pty_read.h"
#include "station_bytes.h"
#include "vehicle_sim.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

using namespace nerivo;

namespace {

using namespace nerivo::sim;
using nerivo::testing::command_record;
using nerivo::testing::nav_record;
using nerivo::testing::PtyPair;
using nerivo::testing::read_device;
using nerivo::testing::read_rest;
using nerivo::testing::with_done;
using nerivo::testing::operator+;
using Bytes = std::vector<uint8_t>;

constexpr int64_t START_MS = 1'700'000'000'250;

void expect_same(const VehicleStatus& a, const VehicleStatus& b) {
    EXPECT_EQ(a.latitude, b.latitude);
    EXPECT_EQ(a.longitude, b.longitude);
    EXPECT_EQ(a.heading, b.heading);
    EXPECT_EQ(a.depth, b.depth);
    EXPECT_EQ(a.altitude, b.altitude);
    EXPECT_EQ(a.battery_voltage, b.battery_voltage);
    EXPECT_EQ(a.humidity, b.humidity);
    EXPECT_EQ(a.behaviour, b.behaviour);
    EXPECT_EQ(a.abort_flag, b.abort_flag);
}

class VehicleTest : public ::testing::Test {
protected:
    TrackConfig config;
    LawnMowerTrack track{config};
    SimRandom random{5};
    VehicleModel model{track, random, START_MS};
    FaultPlan faults;
    SimCounters counters;
    std::vector<std::string> lines;
    PtyPair line; // the sim on the far end, the test in the station's place

    VehicleSim make_sim(int64_t status_period_ms = 0) {
        return VehicleSim(
            line.master_fd(), model, random, faults, counters,
            [this](int64_t, const std::string& l) { lines.push_back(l); }, START_MS,
            status_period_ms);
    }

    void station_sends(const Bytes& bytes) {
        ASSERT_EQ(::write(line.slave_fd(), bytes.data(), bytes.size()),
                  static_cast<ssize_t>(bytes.size()));
    }

    // Polls the sim, as its loop would, until it has read what the station sent.
    void poll_until_read(VehicleSim& sim, int64_t now_ms) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        const uint64_t before = counters.records_good + counters.records_bad;
        do {
            pollfd p{line.master_fd(), POLLIN, 0};
            ::poll(&p, 1, 10);
            sim.poll(now_ms);
        } while (counters.records_good + counters.records_bad == before &&
                 std::chrono::steady_clock::now() < deadline);
    }

    bool saw(const std::string& text) const {
        for (const std::string& l : lines) {
            if (l.find(text) != std::string::npos) {
                return true;
            }
        }
        return false;
    }
};

TEST_F(VehicleTest, StatusRecordsDecodeToTheValuesTheModelGave) {
    VehicleSim sim = make_sim();
    model.step(START_MS + 20'000);
    const StatusBytes s = sim.make_status(START_MS + 20'000);
    ASSERT_EQ(s.bytes.size(), 68u);
    VehicleStatus decoded{};
    ASSERT_EQ(smac_decode_status(s.bytes.data(), 68, &decoded), 0);
    expect_same(decoded, s.status);
    EXPECT_EQ(decoded.behaviour, SMAC_BEHAVIOUR_DIVING);
    EXPECT_EQ(decoded.abort_flag, 0);
    EXPECT_NEAR(decoded.depth, 10.0, 0.5); // 20 s at half a metre a second
    EXPECT_NEAR(decoded.battery_voltage, VehicleModel::BATTERY_FULL_V, 0.1);
    EXPECT_GT(decoded.altitude, 20.0f);
    // Stamped with the simulation's time, not the process clock's.
    EXPECT_EQ(smac_get_u32(s.bytes.data() + 8), 1'700'000'020u);
    EXPECT_EQ(smac_get_u32(s.bytes.data() + 12), 250u);
}

struct FaultCase {
    const char* name;
    FaultPlan plan;
    int decoded_at_start;
    bool garbage;
};

class StatusFaults : public VehicleTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(StatusFaults, DamageExactlyTheEveryNthRecordTheyName) {
    faults = GetParam().plan;
    VehicleSim sim = make_sim();
    for (int n = 1; n <= 6; ++n) {
        const StatusBytes s = sim.make_status(START_MS + n * 1000);
        const bool hit = n % 3 == 0;
        const std::size_t skip = s.garbage;
        EXPECT_EQ(skip > 0, hit && GetParam().garbage) << n;
        ASSERT_EQ(s.bytes.size(), skip + 68) << n;
        VehicleStatus decoded{};
        const int result = smac_decode_status(s.bytes.data() + skip, 68, &decoded);
        EXPECT_EQ(result, hit ? GetParam().decoded_at_start : 0) << n;
        if (result != 2) {
            expect_same(decoded, s.status); // the values themselves are never damaged
        }
    }
    EXPECT_EQ(counters.faults_injected, 2u);
}

INSTANTIATE_TEST_SUITE_P(Kinds, StatusFaults,
                         ::testing::Values(FaultCase{"bad_header", {3, 0, 0, 0, false}, 2, false},
                                           FaultCase{"bad_trailer", {0, 3, 0, 0, false}, -1, false},
                                           FaultCase{"garbage", {0, 0, 3, 0, false}, 0, true}),
                         [](const ::testing::TestParamInfo<FaultCase>& row) {
                             return std::string(row.param.name);
                         });

TEST(VehicleModel, DivesThenSurveysThenAbortsAndAscends) {
    const LawnMowerTrack track{TrackConfig{}};
    SimRandom random(1);
    VehicleModel model(track, random, START_MS);
    EXPECT_EQ(model.behaviour(), SMAC_BEHAVIOUR_DIVING);
    model.step(START_MS + 60'000);
    EXPECT_DOUBLE_EQ(model.depth_m(), VehicleModel::SURVEY_DEPTH_M);

    EXPECT_EQ(model.command(SMAC_COMMAND_START_SURVEY, START_MS + 61'000),
              CommandOutcome::SURVEY_STARTED);
    EXPECT_EQ(model.behaviour(), SMAC_BEHAVIOUR_SURVEY);
    EXPECT_EQ(model.status().abort_flag, 0);

    const int64_t abort_at = START_MS + 70'000;
    EXPECT_EQ(model.command(SMAC_COMMAND_ABORT, abort_at), CommandOutcome::ABORTED);
    EXPECT_EQ(model.behaviour(), SMAC_BEHAVIOUR_ABORT);
    EXPECT_EQ(model.status().abort_flag, 1);
    model.step(abort_at + VehicleModel::ABORT_HOLD_MS - 1);
    EXPECT_EQ(model.behaviour(), SMAC_BEHAVIOUR_ABORT);
    model.step(abort_at + VehicleModel::ABORT_HOLD_MS);
    EXPECT_EQ(model.behaviour(), SMAC_BEHAVIOUR_ASCENDING);
    EXPECT_EQ(model.status().abort_flag, 1);

    // An aborted vehicle does not go back to work, and aborting again changes nothing.
    EXPECT_EQ(model.command(SMAC_COMMAND_START_SURVEY, abort_at + 3000),
              CommandOutcome::SURVEY_REFUSED);
    EXPECT_EQ(model.command(SMAC_COMMAND_ABORT, abort_at + 3000), CommandOutcome::ALREADY_ABORTED);
    EXPECT_EQ(model.behaviour(), SMAC_BEHAVIOUR_ASCENDING);
    const double depth = model.depth_m();
    model.step(abort_at + 10'000);
    EXPECT_LT(model.depth_m(), depth);
    model.step(abort_at + 100'000);
    EXPECT_EQ(model.depth_m(), 0.0);
    const double battery = model.battery_v();
    model.step(abort_at + 200'000);
    EXPECT_EQ(model.battery_v(), battery) << "no drain at the surface";
    EXPECT_EQ(model.command(7, abort_at + 200'000), CommandOutcome::UNKNOWN);
}

TEST(VehicleModel, DeadReckonsFromTheLastFix) {
    const LawnMowerTrack track{TrackConfig{}}; // first leg due north at 1.5 m/s
    SimRandom random(1);
    VehicleModel model(track, random, START_MS);
    const GeoPoint fix_at = track.to_geo({100, 0});
    model.apply_fix(
        NavFix{0, static_cast<float>(fix_at.latitude), static_cast<float>(fix_at.longitude), 80},
        START_MS + 10'000);
    EXPECT_TRUE(model.has_fix());
    model.step(START_MS + 20'000);
    const LocalPoint now = track.to_local(model.estimate());
    EXPECT_NEAR(now.north_m, 115, 0.5); // ten seconds on at 1.5 m/s
    EXPECT_NEAR(now.east_m, 0, 0.5);
}

TEST(VehicleModel, DriftingNavigationStandsOffTheFixesByAGapThatGrowsThenSettles) {
    const LawnMowerTrack track{TrackConfig{}};
    SimRandom random(1);
    VehicleModel model(track, random, START_MS, 0.2);
    // One fix a second where the vehicle really is; the gap sampled once a minute.
    std::vector<double> gaps;
    LocalPoint offset;
    for (int second = 1; second <= 600; ++second) {
        const GeoPoint truth = track.to_geo(track.at(second).position);
        model.apply_fix(
            NavFix{0, static_cast<float>(truth.latitude), static_cast<float>(truth.longitude), 80},
            START_MS + second * 1000);
        if (second % 60 == 0) {
            const LocalPoint estimate = track.to_local(model.estimate());
            const LocalPoint fix = track.to_local(truth);
            offset = {estimate.north_m - fix.north_m, estimate.east_m - fix.east_m};
            gaps.push_back(std::hypot(offset.north_m, offset.east_m));
        }
    }
    for (std::size_t minute = 1; minute < 5; ++minute) {
        EXPECT_GT(gaps[minute], gaps[minute - 1] + 0.5) << "minute " << minute + 1;
    }
    // 20 m (0.2 m/s for 100 s) once settled, with the dead reckoning's own error about it.
    for (std::size_t minute = 5; minute < gaps.size(); ++minute) {
        EXPECT_NEAR(gaps[minute], 20.0, 3.0) << "minute " << minute + 1;
    }
    EXPECT_NEAR(
        normalise_heading(std::atan2(offset.east_m, offset.north_m) * 180 / std::numbers::pi),
        VehicleModel::NAV_DRIFT_BEARING_DEG, 10.0);
}

TEST_F(VehicleTest, AnswersRequestStatusWithExactlyOneRecord) {
    VehicleSim sim = make_sim();
    station_sends(command_record(SMAC_COMMAND_REQUEST_STATUS));
    poll_until_read(sim, START_MS + 1000);
    const Bytes got = read_device(line.slave_fd(), 68);
    ASSERT_EQ(got.size(), 68u);
    VehicleStatus decoded{};
    EXPECT_EQ(smac_decode_status(got.data(), 68, &decoded), 0);
    EXPECT_EQ(decoded.behaviour, SMAC_BEHAVIOUR_DIVING);
    sim.poll(START_MS + 1500);
    EXPECT_TRUE(read_rest(line.slave_fd()).empty());
    EXPECT_EQ(counters.records_good, 1u);
    EXPECT_EQ(counters.status_sent, 1u);
    EXPECT_TRUE(saw("vehicle <- command 0 (request status)"));
    EXPECT_TRUE(saw("vehicle -> status Diving lat="));
}

TEST_F(VehicleTest, TakesFixesAndCommandsFromTheWire) {
    VehicleSim sim = make_sim();
    const GeoPoint where = track.to_geo({40, 0});
    const NavFix fix{43201.25f, static_cast<float>(where.latitude),
                     static_cast<float>(where.longitude), 143.7f};
    station_sends(with_done(nav_record(fix)));
    poll_until_read(sim, START_MS + 2000);
    EXPECT_TRUE(model.has_fix());
    EXPECT_NEAR(model.estimate().latitude, fix.latitude, 1e-6);
    EXPECT_TRUE(saw("vehicle <- nav ok t=43201.25 lat=50.50036 lon=-1.75000 sl=143.70"));

    station_sends(command_record(SMAC_COMMAND_START_SURVEY));
    poll_until_read(sim, START_MS + 3000);
    EXPECT_EQ(model.behaviour(), SMAC_BEHAVIOUR_SURVEY);
    EXPECT_TRUE(saw("vehicle .. behaviour Survey"));

    station_sends(command_record(SMAC_COMMAND_ABORT) + command_record(SMAC_COMMAND_REQUEST_STATUS));
    poll_until_read(sim, START_MS + 4000);
    sim.poll(START_MS + 4000);
    VehicleStatus decoded{};
    const Bytes got = read_device(line.slave_fd(), 68);
    ASSERT_EQ(smac_decode_status(got.data(), static_cast<uint32_t>(got.size()), &decoded), 0);
    EXPECT_EQ(decoded.behaviour, SMAC_BEHAVIOUR_ABORT);
    EXPECT_EQ(decoded.abort_flag, 1);
    EXPECT_EQ(counters.records_good, 4u);
    EXPECT_EQ(counters.records_bad, 0u);
}

TEST_F(VehicleTest, CountsBadRecordsAndGarbageAndCarriesOn) {
    VehicleSim sim = make_sim();
    Bytes bad_header = command_record(SMAC_COMMAND_ABORT);
    bad_header[25] ^= 1;
    Bytes bad_trailer = command_record(SMAC_COMMAND_ABORT);
    bad_trailer[30] ^= 1;
    station_sends(Bytes{'h', 'i'} + bad_header + bad_trailer +
                  nav_record(NavFix{1, 50.5f, -1.75f, 2}) +
                  command_record(SMAC_COMMAND_START_SURVEY));
    poll_until_read(sim, START_MS + 1000);
    for (int i = 0; i < 20 && counters.records_good == 0; ++i) {
        poll_until_read(sim, START_MS + 1000);
    }
    EXPECT_EQ(counters.records_bad, 3u); // header, trailer, nav without "Done"
    EXPECT_EQ(counters.records_good, 1u);
    // The record with the bad header is skipped whole; the one with the bad trailer from its
    // second byte, since the next record could start inside it.
    EXPECT_EQ(counters.garbage_bytes, 2u + 33u + 32u);
    EXPECT_FALSE(model.aborted());
    EXPECT_FALSE(model.has_fix()) << "a nav record without its terminator is not trusted";
    EXPECT_EQ(model.behaviour(), SMAC_BEHAVIOUR_SURVEY);
    EXPECT_TRUE(saw("vehicle !! bad header checksum, resynchronising"));
    EXPECT_TRUE(saw("vehicle !! bad trailer on a type 2 record, dropped"));
    EXPECT_TRUE(saw("vehicle !! nav record without \"Done\", fix dropped"));
}

TEST_F(VehicleTest, GivesUpOnAPartRecordAfterTheLineGoesQuiet) {
    VehicleSim sim = make_sim();
    const Bytes nav = nav_record(NavFix{1, 50.5f, -1.75f, 2});
    station_sends(nav);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (sim.next_wakeup_ms(START_MS) != START_MS + VehicleSim::QUIET_FLUSH_MS &&
           std::chrono::steady_clock::now() < deadline) {
        pollfd p{line.master_fd(), POLLIN, 0};
        ::poll(&p, 1, 10);
        sim.poll(START_MS);
    }
    EXPECT_EQ(sim.next_wakeup_ms(START_MS), START_MS + VehicleSim::QUIET_FLUSH_MS);
    sim.poll(START_MS + VehicleSim::QUIET_FLUSH_MS - 1);
    EXPECT_EQ(counters.records_bad, 0u);
    sim.poll(START_MS + VehicleSim::QUIET_FLUSH_MS);
    EXPECT_EQ(counters.records_bad, 1u);
    EXPECT_TRUE(saw("without \"Done\""));
}

TEST_F(VehicleTest, SendsStatusEveryPeriodWhenAsked) {
    VehicleSim sim = make_sim(2000);
    sim.poll(START_MS + 1999);
    EXPECT_EQ(counters.status_sent, 0u);
    EXPECT_EQ(sim.next_wakeup_ms(START_MS + 1999), START_MS + 2000);
    sim.poll(START_MS + 2000);
    sim.poll(START_MS + 3000);
    sim.poll(START_MS + 4000);
    EXPECT_EQ(counters.status_sent, 2u);
    EXPECT_EQ(read_device(line.slave_fd(), 136).size(), 136u);
    EXPECT_TRUE(read_rest(line.slave_fd()).empty());
}

TEST_F(VehicleTest, SplitWritesSendARecordInSmallPiecesOverTime) {
    faults.split_writes = true;
    VehicleSim sim = make_sim();
    ASSERT_TRUE(sim.queue_status(START_MS, "test"));
    Bytes got;
    int pieces = 0;
    for (int64_t now = START_MS; got.size() < 68 && pieces < 200; now += 61) {
        ASSERT_FALSE(sim.next_wakeup_ms(now) < now);
        sim.poll(now);
        // A piece goes out in one write, so it shows at the device all at once.
        Bytes piece;
        pollfd p{line.slave_fd(), POLLIN, 0};
        if (sim.queued_records() > 0 || got.size() < 68) {
            ::poll(&p, 1, 100);
            uint8_t buffer[64];
            const ssize_t n = ::read(line.slave_fd(), buffer, sizeof buffer);
            if (n > 0) {
                piece.assign(buffer, buffer + n);
            }
        }
        EXPECT_LE(piece.size(), 12u);
        got.insert(got.end(), piece.begin(), piece.end());
        pieces += piece.empty() ? 0 : 1;
    }
    EXPECT_GE(pieces, 6); // 68 bytes at most 12 at a time
    ASSERT_EQ(got.size(), 68u);
    VehicleStatus decoded{};
    EXPECT_EQ(smac_decode_status(got.data(), 68, &decoded), 0);
    EXPECT_EQ(counters.status_sent, 1u);
}

TEST_F(VehicleTest, TapsSeeEveryByteBothWaysAndEveryRecordQueued) {
    faults.split_writes = true;
    faults.garbage_every = 2;
    faults.bad_trailer_every = 3;
    VehicleSim sim = make_sim(1000);
    Bytes written, read;
    std::vector<StatusBytes> queued;
    sim.set_write_tap(
        [&](int64_t, const uint8_t* b, std::size_t n) { written.insert(written.end(), b, b + n); });
    sim.set_read_tap(
        [&](int64_t, const uint8_t* b, std::size_t n) { read.insert(read.end(), b, b + n); });
    sim.set_status_tap([&](int64_t, const StatusBytes& s) { queued.push_back(s); });

    const Bytes request = command_record(SMAC_COMMAND_REQUEST_STATUS);
    station_sends(request);
    poll_until_read(sim, START_MS + 10);
    EXPECT_EQ(read, request);

    // Three periodic records join the requested one before the fourth second.
    for (int64_t now = START_MS + 10;
         now < START_MS + 3990 && (queued.size() < 4 || sim.queued_records() > 0); now += 20) {
        sim.poll(now);
    }
    ASSERT_EQ(queued.size(), 4u) << "one requested, three periodic";
    Bytes expected;
    for (const StatusBytes& s : queued) {
        expected = expected + s.bytes;
    }
    EXPECT_EQ(written, expected);
    EXPECT_EQ(read_device(line.slave_fd(), expected.size() + 1, 50), expected);
    EXPECT_GT(queued[1].garbage, 0u);
    EXPECT_TRUE(queued[2].bad_trailer);
    EXPECT_EQ(queued[0].garbage + queued[2].garbage, 0u);
}

TEST_F(VehicleTest, NeverBlocksOnAStationThatDoesNotRead) {
    VehicleSim sim = make_sim();
    ASSERT_GT(nerivo::testing::fill_towards_device(line.master_fd()), 0u);
    const auto started = std::chrono::steady_clock::now();
    for (int i = 0; i < 12; ++i) {
        sim.queue_status(START_MS + i, nullptr);
        sim.poll(START_MS + i);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(200));
    EXPECT_EQ(sim.queued_records(), VehicleSim::MAX_QUEUED_RECORDS);
    EXPECT_EQ(counters.status_dropped, 12u - VehicleSim::MAX_QUEUED_RECORDS);
    EXPECT_EQ(counters.status_sent, 0u);
    EXPECT_TRUE(sim.wants_to_write(START_MS + 20));
}

} // namespace
