#pragma once

// What a track window shows, worked out once for both windows: the plan of the two tracks
// (north up, on a metre grid with a scale bar), the latest points, the vehicle's heading, the
// line from the vehicle to its USBL point with the drift as text, and a strip with the drift
// over time. All of it in window pixels: a window fills the background, then draws the
// strokes, the marks and the texts in that order, and nothing else.

#include "track_model.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace nerivo {

// Window pixels: x to the right, y down, from the top left of the window's client area.
struct PlotPoint {
    float x = 0;
    float y = 0;
};

struct PlotRect {
    float left = 0;
    float top = 0;
    float right = 0;
    float bottom = 0;

    bool contains(PlotPoint point) const {
        return point.x >= left && point.x <= right && point.y >= top && point.y <= bottom;
    }
};

// Colours as 0xRRGGBB.
inline constexpr uint32_t PLOT_BACKGROUND = 0xFFFFFF;
inline constexpr uint32_t PLOT_GRID = 0xD8D8D8;
inline constexpr uint32_t PLOT_FRAME = 0x808080;
inline constexpr uint32_t PLOT_TEXT = 0x000000;
inline constexpr uint32_t USBL_TRACK_COLOUR = 0x1560BD;
inline constexpr uint32_t VEHICLE_TRACK_COLOUR = 0xE0600A;
inline constexpr uint32_t DRIFT_COLOUR = 0x7A1FA2;

// A line through the points (one point draws nothing), `width` pixels wide.
struct PlotStroke {
    std::vector<PlotPoint> points;
    uint32_t colour = PLOT_TEXT;
    float width = 1;
    bool dashed = false;
};

// A filled disc.
struct PlotMark {
    PlotPoint centre;
    float radius = 0;
    uint32_t colour = PLOT_TEXT;
};

// One line of text; `at` is the top of the line, and its left end, middle or right end.
struct PlotText {
    enum class Align { LEFT, CENTRE, RIGHT };

    PlotPoint at;
    std::string text; // UTF-8
    uint32_t colour = PLOT_TEXT;
    Align align = Align::LEFT;
};

struct TrackScene {
    PlotRect plan;
    PlotRect strip; // the drift over time, under the plan
    std::vector<PlotStroke> strokes;
    std::vector<PlotMark> marks;
    std::vector<PlotText> texts;
    // The height of a line of text: a window picks its font to fit it.
    float text_height = 0;

    // What the picture says, for whoever checks it: where the latest point of each track is
    // marked (none when off the plan), the drift line's text, and the grid's scale.
    std::optional<PlotPoint> usbl_latest;
    std::optional<PlotPoint> vehicle_latest;
    std::string drift_text;
    double metres_per_pixel = 0;
};

// "Vehicle - USBL: 12.3 m at 045°", or why there is no drift to show.
std::string drift_caption(const TrackModel& track);

// The operator's view of the plan: fitted to both tracks until they zoom, then at their zoom
// about the latest points.
class TrackPlot {
public:
    static constexpr int WHEEL_NOTCH = 120;

    // Each step halves or doubles the metres a pixel covers.
    void zoom_in() { zoom(2.0); }
    void zoom_out() { zoom(0.5); }
    // A wheel turn in the platform's units (WHEEL_NOTCH a notch): a notch is a half step.
    void zoom_by_wheel(int delta);
    void fit() { fitting_ = true; }
    bool fitting() const { return fitting_; }

    // The picture for a client area of `width` x `height` pixels, at `scale` times a 96 dpi
    // screen's sizes (text, margins, marks).
    TrackScene scene(const TrackModel& track, int width, int height, double scale);
    // True when the track has points the last scene did not show.
    bool behind(const TrackModel& track) const { return track.revision() != drawn_revision_; }

private:
    void zoom(double factor);

    bool fitting_ = true;
    double metres_per_pixel_ = 0; // the last scene's, which a zoom starts from
    uint64_t drawn_revision_ = UINT64_MAX;
    std::vector<uint8_t> coverage_; // the scene's room for each track's pixels, reused
};

} // namespace nerivo
