#pragma once

// A station log in a report-view list control that holds no lines itself: they sit in a
// LineStore, newest last, and row r shows line size-1-r, so the newest is on top and adding a
// line costs the same however long the log has grown. The control asks for the rows it shows.

#include "line_store.h"
#include "win32_api.h"

#include <cstddef>
#include <string>

namespace nerivo {

class LogList {
public:
    // The column's width at 96 DPI; at the window's DPI it is scaled, and it widens to the
    // widest line, so no line is cut short.
    static constexpr int COLUMN_WIDTH = 400;
    // What the control puts behind a label's text when it sizes a column to fit, at 96 DPI.
    static constexpr int LABEL_PADDING = 12;
    static constexpr const wchar_t* COPY_MENU_TEXT = L"Copy";

    LogList() : lines_(LOG_LINES_KEPT) {}

    // Shows the log in `list`, under one column headed `heading`, for a window at `dpi`. Lines
    // added before are kept.
    void attach(HWND list, const wchar_t* heading, unsigned dpi);
    // The window is now at `dpi`, its font already changed with it: the column follows.
    void set_dpi(unsigned dpi);
    // The control is going: lines are still kept, nothing is drawn.
    void detach() { list_ = nullptr; }
    HWND control() const { return list_; }

    // Past LOG_LINES_KEPT lines the oldest, the bottom row, goes. Selected rows follow their lines.
    void add_line_at_top(const std::string& line);

    // The control's notifications: rows' texts, and Ctrl+C. True when handled.
    bool on_notify(const NMHDR& header);
    // The context menu, at screen point (x, y); (-1, -1) when it came from the keyboard.
    void show_context_menu(int x, int y);

    // The selected lines, newest first as shown, one a line; Ctrl+C and "Copy" put them on the
    // clipboard.
    std::wstring selected_text() const;
    void copy_selection() const;

private:
    int row_count() const { return static_cast<int>(lines_.size()); }
    // Notes `line` if it is the widest yet, and widens the column for it.
    void measure(const std::wstring& line);
    void fit_column() const;

    LineStore lines_;
    HWND list_ = nullptr;
    unsigned dpi_ = 96;
    // The widest line so far and its width in the list's font; measured again when the font
    // changes with the DPI.
    std::wstring widest_line_;
    int widest_width_ = 0;
};

} // namespace nerivo
