// What the track costs: one fix and one vehicle position fed to a model already holding a day
// of each (what every busy tick adds), and the track window's picture of a day worked out at
// 800 x 600 (what every repaint adds before any drawing), for a survey and for a day at one
// spot, and the points its lines keep.
#include "track_plot.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

using nerivo::TrackModel;

constexpr double LATITUDE = 50.0;
constexpr double LONGITUDE = -1.0;
constexpr double METRES_PER_DEGREE = 111194.93;
constexpr int64_t DAY_S = 86400;

// A lawn mower survey: 900 m legs 20 m apart at 1.5 m/s, the fixes noisy, the vehicle's own
// position drifting slowly east.
void feed_second(TrackModel& track, int64_t second) {
    const double leg = std::floor(static_cast<double>(second % DAY_S) / 600.0);
    const double along = std::fmod(static_cast<double>(second), 600.0) * 1.5;
    const double east = std::fmod(leg, 2) == 0 ? along : 900 - along;
    const double north = leg * 20;
    const double per_degree_east = METRES_PER_DEGREE * std::cos(LATITUDE * 3.14159265 / 180);
    track.add_usbl_fix(second * 1000,
                       LATITUDE + (north + std::sin(second * 0.7) * 2) / METRES_PER_DEGREE,
                       LONGITUDE + (east + std::cos(second * 1.3) * 2) / per_degree_east);
    track.add_vehicle_position(second * 1000 + 500, LATITUDE + north / METRES_PER_DEGREE,
                               LONGITUDE + (east + (second % DAY_S) * 0.0005) / per_degree_east,
                               25.0f, 90.0f);
}

TrackModel& full_day() {
    static TrackModel track = [] {
        TrackModel day;
        for (int64_t second = 0; second < DAY_S; ++second) {
            feed_second(day, second);
        }
        return day;
    }();
    return track;
}

void feed_a_full_model(benchmark::State& state) {
    TrackModel track;
    for (int64_t second = 0; second < DAY_S; ++second) {
        feed_second(track, second);
    }
    int64_t second = DAY_S;
    for (auto _ : state) {
        feed_second(track, second++);
    }
    benchmark::DoNotOptimize(track.revision());
}

// A day at one spot (a vehicle waiting on the bottom): the fixes scatter over the same few
// metres all day, so fitted they scribble over the same pixels again and again.
TrackModel& day_at_one_spot() {
    static TrackModel track = [] {
        TrackModel day;
        for (int64_t second = 0; second < DAY_S; ++second) {
            const double east = std::sin(second * 0.7) * 3 + std::sin(second * 0.013) * 2;
            const double north = std::cos(second * 1.1) * 3 + std::cos(second * 0.017) * 2;
            day.add_usbl_fix(second * 1000, LATITUDE + north / METRES_PER_DEGREE,
                             LONGITUDE + east / (METRES_PER_DEGREE * 0.6427876));
            day.add_vehicle_position(second * 1000 + 500, LATITUDE + 1.0 / METRES_PER_DEGREE,
                                     LONGITUDE + std::sin(second * 0.001) / METRES_PER_DEGREE,
                                     25.0f, 90.0f);
        }
        return day;
    }();
    return track;
}

void scene_of(benchmark::State& state, const TrackModel& track) {
    nerivo::TrackPlot plot;
    std::size_t points = 0;
    for (auto _ : state) {
        const nerivo::TrackScene scene = plot.scene(track, 800, 600, 1.0);
        points = 0;
        for (const nerivo::PlotStroke& stroke : scene.strokes) {
            points += stroke.points.size();
        }
        benchmark::DoNotOptimize(points);
    }
    state.counters["points_drawn"] = static_cast<double>(points);
}

} // namespace

BENCHMARK(feed_a_full_model);
void scene_of_a_day(benchmark::State& state) {
    scene_of(state, full_day());
}

void scene_of_a_day_at_one_spot(benchmark::State& state) {
    scene_of(state, day_at_one_spot());
}

BENCHMARK(scene_of_a_day)->Unit(benchmark::kMillisecond);
BENCHMARK(scene_of_a_day_at_one_spot)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
