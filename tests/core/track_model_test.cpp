#include "track_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <optional>
#include <vector>

namespace {

using namespace nerivo;

// 100 m of latitude on the grid's sphere, in degrees.
constexpr double NORTH_100_M = 100.0 / 111194.92664455874;

struct Fix {
    int64_t time_ms;
    double latitude, longitude;
};

struct DriftRow {
    const char* what;
    std::vector<Fix> fixes;
    int64_t vehicle_ms;
    double latitude, longitude;
    std::optional<Drift> drift; // none: no drift for that position
};

TEST(TrackModel, DriftFromTheUsblTrackAtTheVehiclesMoment) {
    const double east_100_m_at_60 = NORTH_100_M / std::cos(60.0 * std::numbers::pi / 180.0);
    const DriftRow rows[] = {
        {"100 m north", {{1000, 50.0, -1.0}}, 1000, 50.0 + NORTH_100_M, -1.0, Drift{100, 0}},
        {"100 m east at 60N",
         {{1000, 60.0, 10.0}},
         1000,
         60.0,
         10.0 + east_100_m_at_60,
         Drift{100, 90}},
        {"100 m south across the equator",
         {{1000, NORTH_100_M / 2, 5.0}},
         1000,
         -NORTH_100_M / 2,
         5.0,
         Drift{100, 180}},
        {"100 m east across the antimeridian",
         {{1000, 0.0, 180.0 - NORTH_100_M / 2}},
         1000,
         0.0,
         -180.0 + NORTH_100_M / 2,
         Drift{100, 90}},
        {"100 m west across the antimeridian",
         {{1000, 0.0, -180.0 + NORTH_100_M / 2}},
         1000,
         0.0,
         180.0 - NORTH_100_M / 2,
         Drift{100, 270}},
        {"interpolated halfway between fixes 10 s apart",
         {{0, 50.0, -1.0}, {10000, 50.0 + 2 * NORTH_100_M, -1.0}},
         5000,
         50.0,
         -1.0,
         Drift{100, 180}},
        {"interpolated a quarter of the way",
         {{0, 50.0, -1.0}, {8000, 50.0 + 4 * NORTH_100_M, -1.0}},
         2000,
         50.0 + 2 * NORTH_100_M,
         -1.0,
         Drift{100, 0}},
        {"fixes 10.001 s apart: the nearest, 5 s before",
         {{0, 50.0, -1.0}, {10001, 50.0 + 2 * NORTH_100_M, -1.0}},
         5000,
         50.0 + NORTH_100_M,
         -1.0,
         Drift{100, 0}},
        {"fixes 10.001 s apart: the nearest, 5 s after",
         {{0, 50.0, -1.0}, {10001, 50.0 + 2 * NORTH_100_M, -1.0}},
         5001,
         50.0 + NORTH_100_M,
         -1.0,
         Drift{100, 180}},
        {"only an earlier fix, 5 s before", {{0, 50.0, -1.0}}, 5000, 50.0, -1.0, Drift{0, 0}},
        {"only a later fix, 5 s after", {{5000, 50.0, -1.0}}, 0, 50.0, -1.0, Drift{0, 0}},
        {"only an earlier fix, 5.001 s before", {{0, 50.0, -1.0}}, 5001, 50.0, -1.0, std::nullopt},
        {"fixes 12 s apart, 6 s each side",
         {{0, 50.0, -1.0}, {12000, 50.0, -1.0}},
         6000,
         50.0,
         -1.0,
         std::nullopt},
        {"no fix at all", {}, 0, 50.0, -1.0, std::nullopt},
    };
    for (const DriftRow& row : rows) {
        SCOPED_TRACE(row.what);
        TrackModel track;
        for (const Fix& fix : row.fixes) {
            track.add_usbl_fix(fix.time_ms, fix.latitude, fix.longitude);
        }
        track.add_vehicle_position(row.vehicle_ms, row.latitude, row.longitude, 12.5f, 90.0f);
        const std::optional<Drift> drift = track.drift_of(track.vehicle().size() - 1);
        // The grid gives back the position it was given (for the GPX).
        const VehiclePoint& point = track.vehicle().back();
        const GeoPosition position = track.to_position({point.east_m, point.north_m});
        EXPECT_NEAR(position.latitude, row.latitude, 1e-7);
        EXPECT_NEAR(position.longitude, row.longitude, 1e-7);
        ASSERT_EQ(drift.has_value(), row.drift.has_value());
        if (drift) {
            EXPECT_NEAR(drift->distance_m, row.drift->distance_m, 0.01);
            if (row.drift->distance_m > 0) {
                EXPECT_NEAR(drift->bearing_deg, row.drift->bearing_deg, 0.01);
            }
        }
    }
}

TEST(TrackModel, AVehiclePositionCarriesTheDriftKnownWhenItArrives) {
    TrackModel track;
    track.add_usbl_fix(0, 50.0, -1.0);
    // Only the fix before it is known yet: 4 s away, so the nearest.
    const std::optional<Drift> on_arrival =
        track.add_vehicle_position(4000, 50.0 + NORTH_100_M, -1.0, 10.0f, 0.0f);
    ASSERT_TRUE(on_arrival.has_value());
    EXPECT_NEAR(on_arrival->distance_m, 100.0, 0.01);
    // The next fix puts the USBL track 40 m further north at that moment.
    track.add_usbl_fix(10000, 50.0 + NORTH_100_M, -1.0);
    const std::optional<Drift> later = track.drift_of(0);
    ASSERT_TRUE(later.has_value());
    EXPECT_NEAR(later->distance_m, 60.0, 0.01);
    EXPECT_NEAR(later->bearing_deg, 0.0, 0.01);
}

TEST(TrackModel, ADayAtOneHertzIsKeptAndOneMoreDropsTheOldest) {
    TrackModel track;
    constexpr int64_t DAY = 86400;
    for (int64_t second = 0; second < DAY; ++second) {
        track.add_usbl_fix(second * 1000, 50.0, -1.0);
        track.add_vehicle_position(second * 1000 + 500, 50.0, -1.0, 10.0f, 0.0f);
    }
    ASSERT_EQ(track.usbl().size(), 86400u);
    ASSERT_EQ(track.vehicle().size(), 86400u);
    EXPECT_EQ(track.usbl()[0].time_ms, 0);
    EXPECT_EQ(track.vehicle()[0].time_ms, 500);

    track.add_usbl_fix(DAY * 1000, 50.0 + NORTH_100_M, -1.0);
    track.add_vehicle_position(DAY * 1000 + 500, 50.0, -1.0, 20.0f, 0.0f);
    EXPECT_EQ(track.usbl().size(), 86400u);
    EXPECT_EQ(track.vehicle().size(), 86400u);
    EXPECT_EQ(track.usbl()[0].time_ms, 1000);
    EXPECT_EQ(track.vehicle()[0].time_ms, 1500);
    EXPECT_EQ(track.usbl().back().time_ms, DAY * 1000);
    EXPECT_NEAR(track.usbl().back().north_m, 100.0, 0.01);
    EXPECT_EQ(track.vehicle().back().depth_m, 20.0f);
    // A day of both tracks in under 5 MB.
    EXPECT_LE(sizeof(UsblPoint) + sizeof(VehiclePoint), 48u);
}

} // namespace
