#pragma once

// The track window: both tracks and the drift as the track plot works them out, painted with
// QPainter. A window of its own, owned by the station window (above it, closed with it, and
// taking input while the station window runs modally). Closing it hides it with its zoom.
//
// Keys: + (or =) zooms in, - zooms out, Home fits both tracks again, the wheel zooms, and
// Ctrl+S saves the track as GPX.

#include "track_plot.h"

#include <QFont>
#include <QString>
#include <QWidget>

class QPainter;

namespace nerivo {

class TrackWindow : public QWidget {
    Q_OBJECT

public:
    static constexpr const char* FILE_FILTER = "GPX files (*.gpx)";

    // `track` outlives the window's painting.
    explicit TrackWindow(const TrackModel& track, QWidget* parent = nullptr);

    // From the station window's tick: repaints when the track has points not yet shown.
    void follow_track();
    // Asks where, then writes the GPX file; a failure is shown in a warning box.
    void save_track();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void paint_scene(QPainter& painter, const TrackScene& scene);
    // The widget's font at the largest pixel size whose lines fit `height`.
    const QFont& text_font(float height);

    const TrackModel& track_;
    TrackPlot plot_;
    QString save_path_;
    QFont text_font_;
    float text_font_height_ = -1;
};

} // namespace nerivo
