#include "track_plot.h"

#include "c_text.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace nerivo {
namespace {

// At 96 dpi; everything is scaled by the window's scale.
constexpr double MARGIN_PX = 8;
constexpr double LINE_PX = 15;
constexpr double STRIP_PX = 84;
constexpr double FIT_PAD_PX = 28;
constexpr double GRID_PX = 70; // grid lines at least this far apart
constexpr double MARK_RADIUS_PX = 4;
constexpr double HEADING_PX = 24;
constexpr double SWATCH_PX = 18;

// Fitting never shows less than this across, so one point is not a pixel of a kilometre.
constexpr double MIN_FIT_SPAN_M = 20;
// From a centimetre a pixel to fifty kilometres.
constexpr double MIN_METRES_PER_PIXEL = 0.01;
constexpr double MAX_METRES_PER_PIXEL = 50000;

constexpr double DEGREES = 180.0 / std::numbers::pi;
constexpr const char* DEGREE_SIGN = "\xC2\xB0";

// The smallest of 1, 2 and 5 times a power of ten that is at least `value`.
double nice_at_least(double value) {
    const double power = std::pow(10.0, std::floor(std::log10(value)));
    for (const double step : {1.0, 2.0, 5.0, 10.0}) {
        if (step * power >= value * (1 - 1e-9)) {
            return step * power;
        }
    }
    return 10 * power;
}

std::string metres_text(double metres) {
    return metres >= 1000 ? c_format("%g km", metres / 1000) : c_format("%g m", metres);
}

std::string duration_text(int64_t ms) {
    const int64_t minutes = ms / 60000;
    if (minutes < 1) {
        return c_format("%lld s", static_cast<long long>(ms / 1000));
    }
    if (minutes < 60) {
        return c_format("%lld min", static_cast<long long>(minutes));
    }
    return c_format("%lld h %02lld min", static_cast<long long>(minutes / 60),
                    static_cast<long long>(minutes % 60));
}

// Cuts a segment to the rectangle (Liang-Barsky). False when none of it is inside.
bool clip(PlotPoint& from, PlotPoint& to, const PlotRect& rect, bool& from_cut, bool& to_cut) {
    // Most of a zoomed-in day: both ends off the same side.
    if ((from.x < rect.left && to.x < rect.left) || (from.x > rect.right && to.x > rect.right) ||
        (from.y < rect.top && to.y < rect.top) || (from.y > rect.bottom && to.y > rect.bottom)) {
        return false;
    }
    const double dx = to.x - from.x;
    const double dy = to.y - from.y;
    double enter = 0;
    double leave = 1;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {from.x - rect.left, rect.right - from.x, from.y - rect.top,
                         rect.bottom - from.y};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) {
                return false;
            }
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0) {
            enter = std::max(enter, t);
        } else {
            leave = std::min(leave, t);
        }
    }
    if (enter > leave) {
        return false;
    }
    from_cut = enter > 0;
    to_cut = leave < 1;
    const PlotPoint start = from;
    if (from_cut) {
        from = {static_cast<float>(start.x + enter * dx), static_cast<float>(start.y + enter * dy)};
    }
    if (to_cut) {
        to = {static_cast<float>(start.x + leave * dx), static_cast<float>(start.y + leave * dy)};
    }
    return true;
}

// Under a pixel apart either way: drawing both draws nothing more.
bool within_a_pixel(PlotPoint a, PlotPoint b) {
    return std::fabs(a.x - b.x) < 1 && std::fabs(a.y - b.y) < 1;
}

// Builds a track's lines inside the plan, drawing no more than the pixels need: a point under
// a pixel from the last is left out, and so is a step through pixels the lines already went
// through. A day of a survey fitted to a window is mostly points on top of each
// other and legs flown over again; a zoomed-in day is mostly points outside, cut off here.
class TrackLines {
public:
    static constexpr std::size_t STEPS_BEFORE_A_BREAK = 16;

    // `coverage` is room for a byte a pixel of the plan, kept from one scene to the next.
    TrackLines(const PlotRect& plan, uint32_t colour, float width, std::vector<PlotStroke>& out,
               std::vector<uint8_t>& coverage)
        : plan_(plan), columns_(static_cast<int>((plan.right - plan.left) / SQUARE) + 1),
          rows_(static_cast<int>((plan.bottom - plan.top) / SQUARE) + 1), covered_(coverage),
          colour_(colour), width_(width), out_(out) {
        covered_.assign(static_cast<std::size_t>(columns_) * rows_, 0);
    }

    void add(PlotPoint point) {
        if (!has_last_) {
            has_last_ = true;
            last_ = point;
            if (plan_.contains(point)) {
                begin(point);
            }
            return;
        }
        PlotPoint from = last_;
        PlotPoint to = point;
        last_ = point;
        if (open_ && plan_.contains(to)) {
            extend(to, false);
            return;
        }
        bool from_cut = false;
        bool to_cut = false;
        if (!clip(from, to, plan_, from_cut, to_cut)) {
            open_ = false;
            return;
        }
        if (!open_ || from_cut) {
            begin(from);
        }
        extend(to, false);
        open_ = !to_cut;
    }

    // The line ends on the latest point itself, however close the point before it was.
    void finish() {
        if (open_) {
            extend(last_, true);
        }
    }

private:
    // A line starts here; it is drawn from here once it goes somewhere new.
    void begin(PlotPoint point) {
        anchor_ = point;
        drawn_ = false;
        skipped_.clear();
        open_ = true;
    }

    void extend(PlotPoint point, bool always) {
        if (always ? anchor_.x == point.x && anchor_.y == point.y
                   : within_a_pixel(anchor_, point)) {
            return;
        }
        if (!cover(anchor_, point) && !always) {
            anchor_ = point;
            // A few steps over old ground stay in the line: breaking it for them costs a
            // painter more than drawing them.
            if (drawn_ && skipped_.size() < STEPS_BEFORE_A_BREAK) {
                skipped_.push_back(point);
            } else {
                skipped_.clear();
                drawn_ = false;
            }
            return;
        }
        if (!drawn_) {
            out_.push_back({{anchor_}, colour_, width_, false});
            drawn_ = true;
        }
        std::vector<PlotPoint>& line = out_.back().points;
        line.insert(line.end(), skipped_.begin(), skipped_.end());
        skipped_.clear();
        line.push_back(point);
        anchor_ = point;
    }

    // Marks the squares of two by two pixels the segment goes through; true when one of them
    // was new. Squares rather than pixels: a quarter of the room, and half the steps along a
    // long line, for a line a pixel wide that looks the same.
    bool cover(PlotPoint from, PlotPoint to) {
        const float steps =
            std::ceil(std::max(std::fabs(to.x - from.x), std::fabs(to.y - from.y)) / SQUARE);
        const float step_x = steps > 0 ? (to.x - from.x) / steps : 0.0f;
        const float step_y = steps > 0 ? (to.y - from.y) / steps : 0.0f;
        // Both ends are on the plan, and so everything between them.
        float x = (from.x - plan_.left) / SQUARE;
        float y = (from.y - plan_.top) / SQUARE;
        const float dx = step_x / SQUARE;
        const float dy = step_y / SQUARE;
        bool fresh = false;
        for (int i = static_cast<int>(steps); i >= 0; --i) {
            const int column = std::min(static_cast<int>(x), columns_ - 1);
            const int row = std::min(static_cast<int>(y), rows_ - 1);
            uint8_t& square = covered_[static_cast<std::size_t>(row) * columns_ + column];
            fresh = fresh || square == 0;
            square = 1;
            x += dx;
            y += dy;
        }
        return fresh;
    }

    static constexpr float SQUARE = 2;

    const PlotRect& plan_;
    int columns_;
    int rows_;
    std::vector<uint8_t>& covered_; // the squares this track's lines go through
    uint32_t colour_;
    float width_;
    std::vector<PlotStroke>& out_;
    bool has_last_ = false;
    bool open_ = false;  // the point before was inside the plan
    bool drawn_ = false; // the last stroke ends at the anchor
    PlotPoint last_;
    PlotPoint anchor_;
    std::vector<PlotPoint> skipped_; // steps over old ground since the line's last point
};

struct Bounds {
    double west = std::numeric_limits<double>::infinity();
    double east = -std::numeric_limits<double>::infinity();
    double south = std::numeric_limits<double>::infinity();
    double north = -std::numeric_limits<double>::infinity();

    void add(double east_m, double north_m) {
        west = std::min(west, east_m);
        east = std::max(east, east_m);
        south = std::min(south, north_m);
        north = std::max(north, north_m);
    }
};

template <typename Point> void add_bounds(const TrackRing<Point>& ring, Bounds& bounds) {
    for (std::size_t i = 0; i < ring.size(); ++i) {
        bounds.add(ring[i].east_m, ring[i].north_m);
    }
}

// The plan's metres to pixels.
struct PlanMapping {
    PlotRect plan;
    double centre_east = 0;
    double centre_north = 0;
    double metres_per_pixel = 1;

    PlotPoint to_window(double east_m, double north_m) const {
        return {static_cast<float>((plan.left + plan.right) / 2 +
                                   (east_m - centre_east) / metres_per_pixel),
                static_cast<float>((plan.top + plan.bottom) / 2 -
                                   (north_m - centre_north) / metres_per_pixel)};
    }
};

PlotStroke segment(PlotPoint from, PlotPoint to, uint32_t colour, float width = 1,
                   bool dashed = false) {
    return {{from, to}, colour, width, dashed};
}

void add_grid(const PlanMapping& map, double scale, TrackScene& scene) {
    const PlotRect& plan = map.plan;
    const double spacing = nice_at_least(GRID_PX * scale * map.metres_per_pixel);
    const double half_width = (plan.right - plan.left) / 2 * map.metres_per_pixel;
    const double half_height = (plan.bottom - plan.top) / 2 * map.metres_per_pixel;
    for (double east = std::ceil((map.centre_east - half_width) / spacing) * spacing;
         east <= map.centre_east + half_width; east += spacing) {
        const float x = map.to_window(east, 0).x;
        scene.strokes.push_back(segment({x, plan.top}, {x, plan.bottom}, PLOT_GRID));
    }
    for (double north = std::ceil((map.centre_north - half_height) / spacing) * spacing;
         north <= map.centre_north + half_height; north += spacing) {
        const float y = map.to_window(0, north).y;
        scene.strokes.push_back(segment({plan.left, y}, {plan.right, y}, PLOT_GRID));
    }
    // The scale bar, one grid square long, in the plan's bottom left corner.
    const float tick = static_cast<float>(5 * scale);
    const float left = static_cast<float>(plan.left + MARGIN_PX * scale);
    const float right = static_cast<float>(left + spacing / map.metres_per_pixel);
    const float y = static_cast<float>(plan.bottom - MARGIN_PX * scale);
    scene.strokes.push_back(
        segment({left, y}, {right, y}, PLOT_TEXT, static_cast<float>(2 * scale)));
    scene.strokes.push_back(segment({left, y - tick}, {left, y}, PLOT_TEXT));
    scene.strokes.push_back(segment({right, y - tick}, {right, y}, PLOT_TEXT));
    scene.texts.push_back({{left, y - tick - scene.text_height}, metres_text(spacing)});
}

void add_tracks(const TrackModel& track, const PlanMapping& map, double scale,
                std::vector<uint8_t>& coverage, TrackScene& scene) {
    const float width = static_cast<float>(std::max(1.0, scale));
    TrackLines usbl(map.plan, USBL_TRACK_COLOUR, width, scene.strokes, coverage);
    for (std::size_t i = 0; i < track.usbl().size(); ++i) {
        usbl.add(map.to_window(track.usbl()[i].east_m, track.usbl()[i].north_m));
    }
    usbl.finish();
    TrackLines vehicle(map.plan, VEHICLE_TRACK_COLOUR, width, scene.strokes, coverage);
    for (std::size_t i = 0; i < track.vehicle().size(); ++i) {
        vehicle.add(map.to_window(track.vehicle()[i].east_m, track.vehicle()[i].north_m));
    }
    vehicle.finish();

    const float radius = static_cast<float>(MARK_RADIUS_PX * scale);
    if (!track.vehicle().empty()) {
        const VehiclePoint& latest = track.vehicle().back();
        const PlotPoint at = map.to_window(latest.east_m, latest.north_m);
        if (latest.has_drift()) {
            const double bearing = latest.drift_bearing_deg / DEGREES;
            PlotPoint usbl_point =
                map.to_window(latest.east_m - latest.drift_m * std::sin(bearing),
                              latest.north_m - latest.drift_m * std::cos(bearing));
            PlotPoint vehicle_point = at;
            bool from_cut = false;
            bool to_cut = false;
            if (clip(usbl_point, vehicle_point, map.plan, from_cut, to_cut)) {
                scene.strokes.push_back(segment(usbl_point, vehicle_point, DRIFT_COLOUR,
                                                static_cast<float>(1.5 * scale), true));
            }
        }
        if (map.plan.contains(at)) {
            if (std::isfinite(latest.heading_deg)) {
                const double heading = latest.heading_deg / DEGREES;
                const PlotPoint ahead{
                    static_cast<float>(at.x + HEADING_PX * scale * std::sin(heading)),
                    static_cast<float>(at.y - HEADING_PX * scale * std::cos(heading))};
                scene.strokes.push_back(
                    segment(at, ahead, VEHICLE_TRACK_COLOUR, static_cast<float>(2 * scale)));
            }
            scene.vehicle_latest = at;
        }
    }
    if (!track.usbl().empty()) {
        const PlotPoint at = map.to_window(track.usbl().back().east_m, track.usbl().back().north_m);
        if (map.plan.contains(at)) {
            scene.marks.push_back({at, radius, USBL_TRACK_COLOUR});
            scene.usbl_latest = at;
        }
    }
    // The vehicle's over the fix's: a drift under a mark's width still shows the vehicle.
    if (scene.vehicle_latest) {
        scene.marks.push_back({*scene.vehicle_latest, radius, VEHICLE_TRACK_COLOUR});
    }
}

void add_legend(const PlotRect& plan, double scale, TrackScene& scene) {
    const float left = static_cast<float>(plan.left + MARGIN_PX * scale);
    const float text_left = static_cast<float>(left + (SWATCH_PX + 6) * scale);
    float top = static_cast<float>(plan.top + MARGIN_PX * scale);
    const std::pair<const char*, uint32_t> entries[] = {
        {"USBL fixes", USBL_TRACK_COLOUR}, {"Vehicle positions", VEHICLE_TRACK_COLOUR}};
    for (const auto& [name, colour] : entries) {
        const float middle = top + scene.text_height / 2;
        scene.strokes.push_back(segment({left, middle},
                                        {static_cast<float>(left + SWATCH_PX * scale), middle},
                                        colour, static_cast<float>(3 * scale)));
        scene.texts.push_back({{text_left, top}, name});
        top += scene.text_height;
    }
    scene.texts.push_back({{left, top}, scene.drift_text, DRIFT_COLOUR});
}

// The drift of each vehicle position over the time the vehicle track spans, a column a
// pixel: its least and greatest drift in that column's time.
void add_drift_strip(const TrackModel& track, double scale, TrackScene& scene) {
    const PlotRect& strip = scene.strip;
    scene.strokes.push_back(segment({strip.left, strip.top}, {strip.right, strip.top}, PLOT_FRAME));
    const float margin = static_cast<float>(MARGIN_PX * scale);
    const float left = strip.left + margin;
    const float top = strip.top + margin;
    const float bottom = strip.bottom - margin;
    const TrackRing<VehiclePoint>& vehicle = track.vehicle();
    const int columns = static_cast<int>(strip.right - margin - left);
    if (vehicle.empty() || columns < 2 || bottom - top < scene.text_height * 2) {
        scene.texts.push_back({{left, top}, "Drift over time: no vehicle positions yet"});
        return;
    }
    const int64_t first_ms = vehicle[0].time_ms;
    const int64_t span_ms = std::max<int64_t>(vehicle.back().time_ms - first_ms, 1);
    std::vector<float> low(columns, std::numeric_limits<float>::infinity());
    std::vector<float> high(columns, -std::numeric_limits<float>::infinity());
    // The line is broken where the drift is: no fix near a position, or positions far apart.
    std::vector<uint8_t> break_before(columns, 0);
    float greatest = 0;
    int64_t last_ms = INT64_MIN;
    for (std::size_t i = 0; i < vehicle.size(); ++i) {
        const VehiclePoint& point = vehicle[i];
        if (!point.has_drift()) {
            last_ms = INT64_MIN;
            continue;
        }
        const auto column = static_cast<int>(std::clamp<int64_t>(
            (point.time_ms - first_ms) * (columns - 1) / span_ms, 0, columns - 1));
        if (last_ms == INT64_MIN || point.time_ms - last_ms > TrackModel::INTERPOLATE_WITHIN_MS) {
            break_before[column] = 1;
        }
        last_ms = point.time_ms;
        low[column] = std::min(low[column], point.drift_m);
        high[column] = std::max(high[column], point.drift_m);
        greatest = std::max(greatest, point.drift_m);
    }
    const double full_scale = nice_at_least(std::max(1.0f, greatest));
    const float graph_top = top + scene.text_height;
    const auto y_of = [&](float drift) {
        return static_cast<float>(bottom - (bottom - graph_top) * (drift / full_scale));
    };
    scene.strokes.push_back(segment({left, bottom}, {left + columns, bottom}, PLOT_GRID));
    PlotStroke* line = nullptr;
    for (int column = 0; column < columns; ++column) {
        if (low[column] > high[column]) {
            continue;
        }
        if (line == nullptr || break_before[column] != 0) {
            scene.strokes.push_back({{}, DRIFT_COLOUR, static_cast<float>(std::max(1.0, scale))});
            line = &scene.strokes.back();
        }
        const float x = left + column;
        line->points.push_back({x, y_of(low[column])});
        if (y_of(high[column]) != line->points.back().y) {
            line->points.push_back({x, y_of(high[column])});
        }
    }
    scene.texts.push_back({{left, top}, "Drift over time, 0 to " + metres_text(full_scale)});
    scene.texts.push_back({{strip.right - margin, top},
                           "last " + duration_text(vehicle.back().time_ms - first_ms),
                           PLOT_TEXT,
                           PlotText::Align::RIGHT});
}

} // namespace

std::string drift_caption(const TrackModel& track) {
    if (track.vehicle().empty()) {
        return "Vehicle - USBL: no vehicle position yet";
    }
    const VehiclePoint& latest = track.vehicle().back();
    if (!latest.has_drift()) {
        return "Vehicle - USBL: no USBL fix within 5 s";
    }
    const long bearing = std::lround(latest.drift_bearing_deg) % 360;
    return c_format("Vehicle - USBL: %.1f m at %03ld", latest.drift_m, bearing) + DEGREE_SIGN;
}

void TrackPlot::zoom_by_wheel(int delta) {
    if (delta == 0) {
        return; // a sideways scroll: no zoom, and still fitting
    }
    zoom(std::pow(2.0, static_cast<double>(delta) / (2 * WHEEL_NOTCH)));
}

void TrackPlot::zoom(double factor) {
    if (metres_per_pixel_ <= 0) {
        return; // nothing drawn yet to zoom from
    }
    fitting_ = false;
    metres_per_pixel_ =
        std::clamp(metres_per_pixel_ / factor, MIN_METRES_PER_PIXEL, MAX_METRES_PER_PIXEL);
}

TrackScene TrackPlot::scene(const TrackModel& track, int width, int height, double scale) {
    drawn_revision_ = track.revision();
    scale = std::max(scale, 0.5);
    TrackScene scene;
    scene.text_height = static_cast<float>(LINE_PX * scale);
    const float strip_height =
        static_cast<float>(std::min(STRIP_PX * scale, std::max(height, 0) / 3.0));
    scene.plan = {0, 0, static_cast<float>(std::max(width, 1)),
                  static_cast<float>(std::max(height, 1)) - strip_height};
    scene.strip = {0, scene.plan.bottom, scene.plan.right, static_cast<float>(std::max(height, 1))};
    scene.drift_text = drift_caption(track);

    Bounds bounds;
    add_bounds(track.usbl(), bounds);
    add_bounds(track.vehicle(), bounds);
    if (track.usbl().empty() && track.vehicle().empty()) {
        scene.texts.push_back({{scene.plan.right / 2, scene.plan.bottom / 2 - scene.text_height},
                               "No positions yet",
                               PLOT_TEXT,
                               PlotText::Align::CENTRE});
        add_legend(scene.plan, scale, scene);
        add_drift_strip(track, scale, scene);
        return scene;
    }

    PlanMapping map{scene.plan};
    if (fitting_) {
        const double pad = FIT_PAD_PX * scale;
        const double across = std::max(scene.plan.right - scene.plan.left - 2 * pad, 1.0);
        const double down = std::max(scene.plan.bottom - scene.plan.top - 2 * pad, 1.0);
        map.metres_per_pixel =
            std::max(std::max(bounds.east - bounds.west, MIN_FIT_SPAN_M) / across,
                     std::max(bounds.north - bounds.south, MIN_FIT_SPAN_M) / down);
        map.metres_per_pixel =
            std::clamp(map.metres_per_pixel, MIN_METRES_PER_PIXEL, MAX_METRES_PER_PIXEL);
        map.centre_east = (bounds.west + bounds.east) / 2;
        map.centre_north = (bounds.south + bounds.north) / 2;
    } else {
        // Following: the middle of the latest point of each track.
        map.metres_per_pixel = metres_per_pixel_;
        Bounds latest;
        if (!track.usbl().empty()) {
            latest.add(track.usbl().back().east_m, track.usbl().back().north_m);
        }
        if (!track.vehicle().empty()) {
            latest.add(track.vehicle().back().east_m, track.vehicle().back().north_m);
        }
        map.centre_east = (latest.west + latest.east) / 2;
        map.centre_north = (latest.south + latest.north) / 2;
    }
    metres_per_pixel_ = map.metres_per_pixel;
    scene.metres_per_pixel = map.metres_per_pixel;

    add_grid(map, scale, scene);
    add_tracks(track, map, scale, coverage_, scene);
    add_legend(scene.plan, scale, scene);
    add_drift_strip(track, scale, scene);
    return scene;
}

} // namespace nerivo
