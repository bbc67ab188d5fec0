#pragma once

// The track plot on Windows: a top-level window of its own, owned by the station window and
// not modal, that paints the scene TrackPlot works out with GDI, double-buffered. Keys: + and
// - zoom, Home fits both tracks, the wheel zooms, Ctrl+S saves the track as GPX. Closing it
// only hides it, so it opens again at the zoom it had.

#include "track_plot.h"
#include "win32_api.h"

#include <string>

namespace nerivo {

class TrackWindow {
public:
    TrackWindow(HINSTANCE instance, const TrackModel& track) : instance_(instance), track_(track) {}
    TrackWindow(const TrackWindow&) = delete;
    TrackWindow& operator=(const TrackWindow&) = delete;
    ~TrackWindow();

    // Shows the window over `owner` (made the first time, at 640 x 480 at 100 %) and brings it
    // to the front. False when it could not be made.
    bool open(HWND owner);
    // On the owner's tick: repaints only when the track has points the picture lacks.
    void show_new_points();
    HWND handle() const { return window_; }

private:
    static LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT on_message(UINT message, WPARAM wparam, LPARAM lparam);
    bool on_key(WPARAM key);
    void save_as_gpx();
    // The view changed: a new picture at the next paint.
    void redraw();
    // Puts the picture into `target`, drawing it again first when it is out of date.
    void show_picture(HDC target);
    void draw_picture(int width, int height);
    void fit_font_to(float text_height);
    void release_picture();

    HINSTANCE instance_;
    const TrackModel& track_;
    TrackPlot plot_;
    HWND window_ = nullptr;
    unsigned dpi_ = 96;
    // The picture as last drawn, kept for WM_PAINTs that only uncover it.
    HDC picture_dc_ = nullptr;
    HBITMAP picture_ = nullptr;
    HGDIOBJ picture_was_ = nullptr;
    SIZE picture_size_{};
    bool picture_stale_ = true;
    HFONT font_ = nullptr;
    float font_for_height_ = 0;
    std::wstring save_path_; // the last file saved
};

} // namespace nerivo
