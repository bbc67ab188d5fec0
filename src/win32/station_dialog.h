#pragma once

// The station window on Windows: a modal dialog built at run time from the shared layout
// table, with owner-drawn state buttons, list-view logs, message boxes and the 500 ms timer.
// It is the station's view: clicks and ticks go to the station, which tells the window what to
// show. The program builds the station over the window's view and hands it to the window.

#include "log_list.h"
#include "station_view.h"
#include "track_window.h"
#include "win32_api.h"

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>

namespace nerivo {

class Station;

class StationDialog {
public:
    static constexpr UINT_PTR TICK_TIMER = 1;
    static constexpr UINT TICK_MS = 500;
    // Posted on a change of DPI: by the time it arrives the dialog has its new font.
    static constexpr UINT FIT_TO_DPI = WM_APP + 1;

    explicit StationDialog(HINSTANCE instance) : instance_(instance) {}
    StationDialog(const StationDialog&) = delete;
    StationDialog& operator=(const StationDialog&) = delete;

    // What the station is built over (directly, or behind the log files).
    StationView& view() { return view_; }
    // The station the clicks and ticks go to; given before run().
    void show_station(Station& station) { station_ = &station; }

    // Runs the window modally to its end: IDOK from Exit, IDCANCEL from Esc or the close box.
    INT_PTR run();

private:
    struct Colours {
        COLORREF text;
        COLORREF face;
    };

    class View : public StationView {
    public:
        explicit View(StationDialog& window) : window_(window) {}
        void add_status_line(WallTime time, const std::string& line) override;
        void add_nav_line(WallTime time, const std::string& line) override;
        std::string field_text(int id) const override;
        void set_field_text(int id, const std::string& text) override;
        void set_button_colours(int id, uint32_t text_colour, uint32_t face_colour) override;
        void set_field_stale(int id, bool stale) override;
        void set_field_tooltip(int id, const std::string& text) override;
        bool ask_yes_no(const std::string& text, const std::string& caption) override;

    private:
        StationDialog& window_;
    };

    static INT_PTR CALLBACK dialog_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    // Ctrl+T, seen in the dialog's own loop (see on_init).
    static LRESULT CALLBACK filter_keys(int code, WPARAM wparam, LPARAM lparam);
    INT_PTR on_message(UINT message, WPARAM wparam, LPARAM lparam);
    void on_init();
    void on_command(int id);
    void end(INT_PTR result);
    void add_tooltips();
    void set_icons() const;
    // The window's own context menu, with its About entry.
    void show_context_menu(HWND source, int x, int y);
    void open_track_window();
    void draw_state_button(const DRAWITEMSTRUCT& item) const;
    // The brush for a field's background, with its text greyed when it is stale; null when
    // the control is not a field of ours.
    HBRUSH field_colours(HDC dc, HWND control, int background) const;
    LogList* log_of(HWND control);

    std::wstring text_of(int id) const;
    void set_text_of(int id, const std::wstring& text);

    HINSTANCE instance_;
    HWND window_ = nullptr;
    HWND tooltips_ = nullptr;
    unsigned dpi_ = 96;
    LogList status_log_;
    LogList nav_log_;
    std::map<int, Colours> button_colours_;
    std::set<int> stale_;
    // The fields' texts as the window closed: the station may still read them as it goes.
    std::map<int, std::wstring> closed_texts_;
    Station* station_ = nullptr;
    View view_{*this};
    // Made when first opened; Windows destroys its window with ours.
    std::unique_ptr<TrackWindow> track_window_;
    HHOOK key_filter_ = nullptr;
};

// The first icon among the program's resources; the system's application icon if it has none.
HICON application_icon(HINSTANCE instance, int size);

// The About box, from the shared layout, over `owner`.
void show_about_box(HINSTANCE instance, HWND owner);

} // namespace nerivo
