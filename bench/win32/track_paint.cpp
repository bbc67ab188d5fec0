// The track window's paint under Wine, with a full day of both tracks: a survey at one point a
// second, 86,400 USBL fixes and as many vehicle positions, in an 800 x 600 client area. Each
// figure is the median and the worst of 20 paints (after one unmeasured), to standard error:
//   figure win32_track_paint fitted_median_ms M fitted_worst_ms W zoomed_median_ms M
//          zoomed_worst_ms W uncovered_median_ms M scene_median_ms M scene_points N ...
// fitted and zoomed: the whole picture drawn again (as for a new point or a new size), the
// plan fitted to the day, or four steps in about the latest points; uncovered: a paint that
// only copies the picture kept; scene: TrackPlot::scene alone, fitted, which either window
// works out before it draws, and the points of its lines.
//
//   nerivo-track-paint.exe
#include "measures.h"
#include "track_window.h"
#include "window_dpi.h"

#include <cmath>
#include <cstdio>
#include <numbers>
#include <random>
#include <vector>

using namespace nerivo;
using bench::median;
using bench::quantile;
using bench::steady_us;

namespace {

constexpr int SECONDS = 86400;
constexpr int RUNS = 20;
constexpr int WIDTH = 800;
constexpr int HEIGHT = 600;

// A lawnmower over a 1.5 km square at 1.5 m/s, lines 30 m apart running north and south,
// then the same square crossed east and west, over and over.
class Survey {
public:
    Survey() {
        constexpr double SIDE = 1500;
        constexpr double SPACING = 30;
        for (int across = 0; across < 2; ++across) {
            for (int line = 0; line * SPACING <= SIDE; ++line) {
                const double offset = line * SPACING;
                const double from = line % 2 == 0 ? 0 : SIDE;
                const double to = SIDE - from;
                for (const double along : {from, to}) {
                    corners_.push_back(across == 0 ? GridPoint{offset, along}
                                                   : GridPoint{along, offset});
                }
            }
        }
        corners_.push_back(corners_.front());
        for (std::size_t i = 1; i < corners_.size(); ++i) {
            length_ += std::hypot(corners_[i].east_m - corners_[i - 1].east_m,
                                  corners_[i].north_m - corners_[i - 1].north_m);
        }
    }

    // Where the vehicle is `seconds` in, and its heading; seconds only go forward.
    GridPoint at(double seconds, double& heading_deg) {
        double distance = std::fmod(SPEED * seconds, length_);
        if (distance < passed_) {
            leg_ = 1;
            passed_ = 0;
        }
        for (;;) {
            const GridPoint& from = corners_[leg_ - 1];
            const GridPoint& to = corners_[leg_];
            const double leg = std::hypot(to.east_m - from.east_m, to.north_m - from.north_m);
            if (distance - passed_ <= leg || leg_ + 1 == corners_.size()) {
                const double part = leg > 0 ? (distance - passed_) / leg : 0;
                heading_deg = std::atan2(to.east_m - from.east_m, to.north_m - from.north_m) * 180 /
                              std::numbers::pi;
                return {from.east_m + part * (to.east_m - from.east_m),
                        from.north_m + part * (to.north_m - from.north_m)};
            }
            passed_ += leg;
            ++leg_;
        }
    }

private:
    static constexpr double SPEED = 1.5;
    std::vector<GridPoint> corners_;
    double length_ = 0;
    std::size_t leg_ = 1;
    double passed_ = 0;
};

GeoPosition position_of(GridPoint point) {
    constexpr double METRES_PER_DEGREE = 6371000.0 * std::numbers::pi / 180.0;
    constexpr double LATITUDE = 50.5;
    return {LATITUDE + point.north_m / METRES_PER_DEGREE,
            -1.75 +
                point.east_m / (METRES_PER_DEGREE * std::cos(LATITUDE * std::numbers::pi / 180))};
}

// The USBL's fixes scatter about the vehicle (a metre and a half, now and then ten); the
// vehicle's own position wanders from the truth as dead reckoning does, and is pulled back
// every ten minutes.
void fill(TrackModel& track) {
    Survey survey;
    std::mt19937 random(20261209);
    std::normal_distribution<double> fix_noise(0, 1.5);
    std::normal_distribution<double> outlier(0, 10);
    std::normal_distribution<double> wander(0, 0.05);
    std::normal_distribution<double> heading_noise(0, 1);
    std::uniform_real_distribution<double> chance(0, 1);
    const int64_t start_ms = 1'796'000'000'000;
    GridPoint reckoning_error;
    for (int second = 0; second < SECONDS; ++second) {
        double heading = 0;
        const GridPoint truth = survey.at(second, heading);
        if (second % 600 == 0) {
            reckoning_error = {};
        }
        reckoning_error.east_m += wander(random);
        reckoning_error.north_m += wander(random);
        const GeoPosition vehicle = position_of(
            {truth.east_m + reckoning_error.east_m, truth.north_m + reckoning_error.north_m});
        (void)track.add_vehicle_position(
            start_ms + second * 1000LL, vehicle.latitude, vehicle.longitude, 50,
            static_cast<float>(std::fmod(heading + 360, 360) + heading_noise(random)));
        std::normal_distribution<double>& noise = chance(random) < 0.01 ? outlier : fix_noise;
        const GeoPosition fix =
            position_of({truth.east_m + noise(random), truth.north_m + noise(random)});
        track.add_usbl_fix(start_ms + second * 1000LL + 300, fix.latitude, fix.longitude);
    }
}

void pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageW(&message);
    }
}

// Milliseconds of each paint, `before` making it needed.
template <typename Before> std::vector<double> paints(HWND window, Before before) {
    std::vector<double> times;
    for (int run = 0; run <= RUNS; ++run) {
        before();
        const double started = steady_us();
        UpdateWindow(window);
        GdiFlush();
        if (run > 0) {
            times.push_back((steady_us() - started) / 1000);
        }
        pump();
    }
    return times;
}

} // namespace

int main() {
    TrackModel track;
    fill(track);
    TrackWindow window(GetModuleHandleW(nullptr), track);
    if (!window.open(nullptr)) {
        std::fprintf(stderr, "no track window\n");
        return 1;
    }
    const HWND handle = window.handle();
    RECT frame{0, 0, WIDTH, HEIGHT};
    AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
    SetWindowPos(handle, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER);
    pump();
    RECT client{};
    GetClientRect(handle, &client);

    // A new size is a new picture: the same size again draws it all at the same zoom.
    const auto resized = [&] {
        SendMessageW(handle, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
    };
    const std::vector<double> fitted = paints(handle, resized);
    for (int step = 0; step < 4; ++step) {
        SendMessageW(handle, WM_KEYDOWN, VK_ADD, 0);
    }
    const std::vector<double> zoomed = paints(handle, resized);
    const std::vector<double> uncovered =
        paints(handle, [&] { InvalidateRect(handle, nullptr, FALSE); });

    TrackPlot plot;
    const double scale = window_dpi(handle) / 96.0;
    std::vector<double> scenes;
    std::size_t points = 0;
    for (int run = 0; run < RUNS; ++run) {
        const double started = steady_us();
        const TrackScene scene = plot.scene(track, client.right, client.bottom, scale);
        scenes.push_back((steady_us() - started) / 1000);
        points = 0;
        for (const PlotStroke& stroke : scene.strokes) {
            points += stroke.points.size();
        }
    }

    std::fprintf(stderr,
                 "figure win32_track_paint fitted_median_ms %.1f fitted_worst_ms %.1f "
                 "zoomed_median_ms %.1f zoomed_worst_ms %.1f uncovered_median_ms %.2f "
                 "scene_median_ms %.1f scene_points %zu client %ldx%ld points %zu+%zu\n",
                 median(fitted), quantile(fitted, 1), median(zoomed), quantile(zoomed, 1),
                 median(uncovered), median(scenes), points, client.right, client.bottom,
                 track.usbl().size(), track.vehicle().size());
    return 0;
}
