#include "track_plot.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

using namespace nerivo;

constexpr double METRES_PER_DEGREE = 6371000.0 * std::numbers::pi / 180.0;
constexpr double LATITUDE = 50.0;
constexpr double LONGITUDE = -1.0;

// A position `east_m` and `north_m` from the grid's origin.
void add_usbl(TrackModel& track, int64_t time_ms, double east_m, double north_m) {
    track.add_usbl_fix(
        time_ms, LATITUDE + north_m / METRES_PER_DEGREE,
        LONGITUDE + east_m / (METRES_PER_DEGREE * std::cos(LATITUDE * std::numbers::pi / 180)));
}

void add_vehicle(TrackModel& track, int64_t time_ms, double east_m, double north_m) {
    track.add_vehicle_position(
        time_ms, LATITUDE + north_m / METRES_PER_DEGREE,
        LONGITUDE + east_m / (METRES_PER_DEGREE * std::cos(LATITUDE * std::numbers::pi / 180)),
        20.0f, 90.0f);
}

std::size_t points_in(const TrackScene& scene, uint32_t colour, const PlotRect* outside = nullptr) {
    std::size_t count = 0;
    for (const PlotStroke& stroke : scene.strokes) {
        if (stroke.colour != colour) {
            continue;
        }
        for (const PlotPoint& point : stroke.points) {
            count += outside == nullptr || !outside->contains(point) ? 1 : 0;
        }
    }
    return count;
}

bool has_text(const TrackScene& scene, const std::string& text) {
    for (const PlotText& line : scene.texts) {
        if (line.text == text) {
            return true;
        }
    }
    return false;
}

TEST(TrackPlot, TheDriftCaptionSaysHowFarAndWhichWayOrWhyNot) {
    struct Row {
        const char* what;
        double vehicle_east, vehicle_north;
        int64_t vehicle_ms;
        const char* caption;
    };
    const Row rows[] = {
        {"50 m north", 0, 50, 1000, "Vehicle - USBL: 50.0 m at 000\xC2\xB0"},
        {"12.3 m north-east", 8.697413, 8.697413, 1000, "Vehicle - USBL: 12.3 m at 045\xC2\xB0"},
        {"a hair west of north rounds to north", -0.001, 100, 1000,
         "Vehicle - USBL: 100.0 m at 000\xC2\xB0"},
        {"no fix within 5 s", 0, 50, 7000, "Vehicle - USBL: no USBL fix within 5 s"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TrackModel track;
        add_usbl(track, 1000, 0, 0);
        add_vehicle(track, row.vehicle_ms, row.vehicle_east, row.vehicle_north);
        TrackPlot plot;
        const TrackScene scene = plot.scene(track, 800, 600, 1.0);
        EXPECT_EQ(scene.drift_text, row.caption);
        EXPECT_TRUE(has_text(scene, row.caption));
    }
    TrackPlot plot;
    EXPECT_TRUE(has_text(plot.scene(TrackModel(), 800, 600, 1.0), "No positions yet"));
}

// North up and to scale: the vehicle 100 m north-east of the USBL point is up and to the right
// by the same number of pixels each way, and both stay on the plan as the operator zooms.
TEST(TrackPlot, FitsBothTracksThenFollowsTheLatestPointsAtTheOperatorsZoom) {
    TrackModel track;
    add_usbl(track, 0, -600, -400);
    add_vehicle(track, 0, -600, -400);
    add_usbl(track, 1000, 0, 0);
    add_vehicle(track, 1000, 100, 100);
    TrackPlot plot;
    const TrackScene fitted = plot.scene(track, 800, 600, 1.0);
    ASSERT_TRUE(fitted.usbl_latest && fitted.vehicle_latest);
    const float right = fitted.vehicle_latest->x - fitted.usbl_latest->x;
    const float up = fitted.usbl_latest->y - fitted.vehicle_latest->y;
    EXPECT_GT(right, 50);
    EXPECT_NEAR(right, up, 1.0);
    EXPECT_NEAR(right * fitted.metres_per_pixel, 100.0, 1.0);

    plot.zoom_in();
    plot.zoom_by_wheel(2 * TrackPlot::WHEEL_NOTCH);
    const TrackScene zoomed = plot.scene(track, 800, 600, 1.0);
    EXPECT_FALSE(plot.fitting());
    EXPECT_NEAR(zoomed.metres_per_pixel, fitted.metres_per_pixel / 4, 1e-9);
    ASSERT_TRUE(zoomed.usbl_latest && zoomed.vehicle_latest);
    // Following: the middle of the two latest points is the middle of the plan.
    EXPECT_NEAR((zoomed.usbl_latest->x + zoomed.vehicle_latest->x) / 2, 400, 1);
    EXPECT_NEAR((zoomed.usbl_latest->y + zoomed.vehicle_latest->y) / 2, zoomed.plan.bottom / 2, 1);

    plot.fit();
    EXPECT_EQ(plot.scene(track, 800, 600, 1.0).metres_per_pixel, fitted.metres_per_pixel);
    EXPECT_FALSE(plot.behind(track));
    add_usbl(track, 2000, 0, 0);
    EXPECT_TRUE(plot.behind(track));
}

// A few positions a second apart, the drift growing: one line across the strip, climbing.
TEST(TrackPlot, TheDriftStripClimbsAsTheDriftGrows) {
    TrackModel track;
    for (int64_t second = 0; second < 5; ++second) {
        add_usbl(track, second * 1000, 0, 0);
        add_vehicle(track, second * 1000, 0, 10.0 * (second + 1));
    }
    TrackPlot plot;
    const TrackScene scene = plot.scene(track, 800, 600, 1.0);
    std::vector<PlotPoint> line;
    for (const PlotStroke& stroke : scene.strokes) {
        if (stroke.colour == DRIFT_COLOUR && scene.strip.contains(stroke.points.front())) {
            line.insert(line.end(), stroke.points.begin(), stroke.points.end());
            EXPECT_GE(stroke.points.size(), 5u);
        }
    }
    ASSERT_GE(line.size(), 5u);
    for (std::size_t i = 1; i < line.size(); ++i) {
        EXPECT_GT(line[i].x, line[i - 1].x);
        EXPECT_LT(line[i].y, line[i - 1].y);
    }
    EXPECT_TRUE(has_text(scene, "Drift over time, 0 to 50 m"));
}

// A day of a lawn mower survey at 1 Hz: what is drawn is bounded by the pixels, not the points,
// fitted or zoomed far in, and no track line leaves the plan.
TEST(TrackPlot, ADayOfPointsDrawsNoMoreThanThePixelsNeed) {
    TrackModel track;
    for (int64_t second = 0; second < 86400; ++second) {
        const double leg = std::floor(second / 600.0);
        const double along = std::fmod(second, 600.0) * 1.5;
        const double east = std::fmod(leg, 2) == 0 ? along : 900 - along;
        add_usbl(track, second * 1000, east + std::sin(second * 0.7) * 2, leg * 20);
        add_vehicle(track, second * 1000 + 500, east + second * 0.0005, leg * 20 + 3);
    }
    TrackPlot plot;
    const TrackScene fitted = plot.scene(track, 800, 600, 1.0);
    EXPECT_LT(points_in(fitted, USBL_TRACK_COLOUR), 40000u);
    EXPECT_LT(points_in(fitted, VEHICLE_TRACK_COLOUR), 40000u);
    EXPECT_LE(points_in(fitted, DRIFT_COLOUR), 2 * 800u + 2);

    for (int i = 0; i < 6; ++i) {
        plot.zoom_in();
    }
    const TrackScene close = plot.scene(track, 800, 600, 1.0);
    ASSERT_TRUE(close.vehicle_latest.has_value());
    EXPECT_LT(points_in(close, USBL_TRACK_COLOUR), 2000u);
    EXPECT_EQ(points_in(close, USBL_TRACK_COLOUR, &close.plan), 0u);
    EXPECT_EQ(points_in(close, VEHICLE_TRACK_COLOUR, &close.plan), 0u);

    // A day at one spot: the fixes scribble over the same few metres, tens of pixels a step,
    // and are drawn once, not 86,400 times.
    TrackModel waiting;
    for (int64_t second = 0; second < 86400; ++second) {
        add_usbl(waiting, second * 1000, std::sin(second * 0.7) * 3, std::cos(second * 1.1) * 3);
    }
    const TrackScene scribble = TrackPlot().scene(waiting, 800, 600, 1.0);
    EXPECT_LT(points_in(scribble, USBL_TRACK_COLOUR), 20000u);
    EXPECT_GT(points_in(scribble, USBL_TRACK_COLOUR), 100u);
}

} // namespace
