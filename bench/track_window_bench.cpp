// What a paint of the track window costs with a whole day on it: 86,400 USBL fixes and 86,400
// vehicle positions, one a second, on a lawn-mower survey; the fixes scattered as a USBL
// scatters them, the vehicle's own positions drifting slowly away as dead reckoning does. A
// paint is the window's whole paint event (the plot's scene, then the drawing) into an
// 800 x 600 image, fitted to the day and zoomed in on the latest points; the scene alone is
// timed too, to tell the plot's share from the painter's.
//
//   track_window_bench [benchmark options]   ends with one "figure" line a case: median and
//                                            worst of its paints, thread CPU and wall time
#include "measures.h"
#include "track_window.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <map>
#include <memory>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace nerivo;

constexpr int WIDTH = 800;
constexpr int HEIGHT = 600;
constexpr int PAINTS = 20;

// Legs of 1 km, 50 m apart, flown at 1.5 m/s, out across the box and back again.
constexpr double LEG_M = 1000;
constexpr double SPACING_M = 50;
constexpr int LEGS = 20;
constexpr double SPEED_MPS = 1.5;

GridPoint survey_at(double seconds) {
    const double leg_and_turn = LEG_M + SPACING_M;
    const double cycle = 2 * LEGS * leg_and_turn;
    double along = std::fmod(seconds * SPEED_MPS, cycle);
    const bool back = along >= cycle / 2;
    if (back) {
        along = cycle - along;
    }
    const int leg = std::min(static_cast<int>(along / leg_and_turn), LEGS - 1);
    const double in_leg = along - leg * leg_and_turn;
    const double east = leg % 2 == 0 ? std::min(in_leg, LEG_M) : LEG_M - std::min(in_leg, LEG_M);
    const double north = leg * SPACING_M + std::max(0.0, in_leg - LEG_M);
    return {east, north};
}

// A day of both tracks, the last point now.
const TrackModel& day_of_track() {
    static const std::unique_ptr<TrackModel> track = [] {
        auto model = std::make_unique<TrackModel>();
        std::mt19937 random(7);
        std::normal_distribution<double> scatter(0, 1.5); // the USBL's, metres
        std::normal_distribution<double> wander(0, 0.02); // dead reckoning's, metres a second
        std::normal_distribution<double> jitter(0, 0.1);
        const int64_t start_ms = 1'700'000'000'000;
        model->add_usbl_fix(start_ms, 50.5, -1.75); // fixes the grid's origin
        GridPoint drift{};
        for (int second = 1; second <= static_cast<int>(TrackModel::POINTS_PER_TRACK); ++second) {
            const int64_t time_ms = start_ms + second * 1000LL;
            const GridPoint truth = survey_at(second);
            const GeoPosition fix = model->to_position(
                {truth.east_m + scatter(random), truth.north_m + scatter(random)});
            model->add_usbl_fix(time_ms, fix.latitude, fix.longitude);
            drift.east_m += wander(random);
            drift.north_m += wander(random);
            const GeoPosition own =
                model->to_position({truth.east_m + drift.east_m + jitter(random),
                                    truth.north_m + drift.north_m + jitter(random)});
            const GridPoint ahead = survey_at(second + 1);
            const double heading =
                std::atan2(ahead.east_m - truth.east_m, ahead.north_m - truth.north_m) * 180 /
                std::numbers::pi;
            (void)model->add_vehicle_position(time_ms + 200, own.latitude, own.longitude, 40,
                                              static_cast<float>(std::fmod(heading + 360, 360)));
        }
        return model;
    }();
    return *track;
}

double thread_cpu_ms() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

struct Times {
    std::vector<double> cpu_ms;
    std::vector<double> wall_ms;
};
std::map<std::string, Times> figures;

// Times `paint` PAINTS times, once a benchmark iteration.
template <typename Paint> void time_paints(benchmark::State& state, const char* name, Paint paint) {
    Times& times = figures[name];
    for (auto _ : state) {
        const double cpu = thread_cpu_ms();
        const double wall = bench::steady_us();
        paint();
        times.wall_ms.push_back((bench::steady_us() - wall) / 1000);
        times.cpu_ms.push_back(thread_cpu_ms() - cpu);
    }
}

void press(QWidget& window, Qt::Key key, int times) {
    for (int i = 0; i < times; ++i) {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(&window, &event);
    }
}

void paint_window(benchmark::State& state, const char* name, int zoom_steps) {
    const TrackModel& track = day_of_track();
    TrackWindow window(track);
    window.resize(WIDTH, HEIGHT);
    QImage image(WIDTH, HEIGHT, QImage::Format_ARGB32_Premultiplied);
    window.render(&image); // the first, which sets the zoom keys start from
    press(window, Qt::Key_Plus, zoom_steps);
    window.render(&image); // and the font, once
    time_paints(state, name, [&] { window.render(&image); });
    if (image.pixel(0, 0) != qRgb(255, 255, 255)) {
        state.SkipWithError("the window painted no background");
    }
}

void paint_fitted_day(benchmark::State& state) {
    paint_window(state, "paint_fitted_day", 0);
}
BENCHMARK(paint_fitted_day)->Iterations(PAINTS)->Unit(benchmark::kMillisecond);

// Four steps in: 1/16 of the fitted metres a pixel, most of the day off the plan.
void paint_zoomed_in_day(benchmark::State& state) {
    paint_window(state, "paint_zoomed_in_day", 4);
}
BENCHMARK(paint_zoomed_in_day)->Iterations(PAINTS)->Unit(benchmark::kMillisecond);

void scene_fitted_day(benchmark::State& state) {
    const TrackModel& track = day_of_track();
    TrackPlot plot;
    std::size_t points = 0;
    time_paints(state, "scene_fitted_day", [&] {
        points = 0;
        for (const PlotStroke& stroke : plot.scene(track, WIDTH, HEIGHT, 1.0).strokes) {
            points += stroke.points.size();
        }
    });
    state.counters["points_drawn"] = static_cast<double>(points);
}
BENCHMARK(scene_fitted_day)->Iterations(PAINTS)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::printf(
        "\nOne paint of an %d x %d track window with %zu points a track, %d paints a case\n", WIDTH,
        HEIGHT, TrackModel::POINTS_PER_TRACK, PAINTS);
    for (const auto& [name, times] : figures) {
        std::printf("figure %-22s CPU median %7.2f ms  worst %7.2f ms   wall median %7.2f ms  "
                    "worst %7.2f ms\n",
                    name.c_str(), bench::median(times.cpu_ms), bench::quantile(times.cpu_ms, 1.0),
                    bench::median(times.wall_ms), bench::quantile(times.wall_ms, 1.0));
    }
    return 0;
}
