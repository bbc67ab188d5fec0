#pragma once

// The station window: the layout, the widgets, the logs, the About box, the message boxes and
// the 500 ms timer. It is the station's view: clicks and ticks go to the station, which tells
// the window what to show. The program builds the station over the window's view and hands
// it to the window; the window only shows.

#include "dialog_builder.h"
#include "log_view.h"
#include "station_view.h"
#include "window_ids.h"

#include <QDialog>
#include <QIcon>
#include <QString>

#include <string>

namespace nerivo {

class Station;
class TrackWindow;

class StationWindow : public QDialog {
    Q_OBJECT

public:
    static constexpr int TICK_MS = 500;
    static constexpr int LOG_COLUMN_WIDTH = 400;

    explicit StationWindow(QWidget* parent = nullptr);
    ~StationWindow() override;

    // What the station is built over (directly, or behind the log files).
    StationView& view() { return view_; }
    // The station the clicks and ticks go to, from now on; given before the window is first
    // shown, and outliving the window's use of it. Until then they go nowhere.
    void show_station(Station& station) { station_ = &station; }

    // Runs once, when the window is first shown: the controls exist by then. Later calls do
    // nothing.
    bool init_station();
    void on_tick();
    void on_exit();
    // A system-menu command by id; the context menu's entries and Ctrl+T come this way too.
    void on_system_command(unsigned command_id);
    void on_paint(); // from the paint event only

    // Every field is read and written through its text, by control id.
    QString field_text(int id) const;
    void set_field_text(int id, const QString& text);
    QWidget* control(int id) const { return controls_.find(id); }
    const DialogControls& controls() const { return controls_; }

    // Null until the window is first shown.
    LogView* status_log() const { return status_log_; }
    LogView* nav_log() const { return nav_log_; }

    void setVisible(bool visible) override;

protected:
    void timerEvent(QTimerEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Shows the track window and brings it to the front, making it the first time.
    void open_track_window();

    // What the station tells the window.
    class View : public StationView {
    public:
        explicit View(StationWindow& window) : window_(window) {}
        void add_status_line(WallTime time, const std::string& line) override;
        void add_nav_line(WallTime time, const std::string& line) override;
        std::string field_text(int id) const override;
        void set_field_text(int id, const std::string& text) override;
        void set_button_colours(int id, uint32_t text_colour, uint32_t face_colour) override;
        void set_field_stale(int id, bool stale) override;
        void set_field_tooltip(int id, const std::string& text) override;
        bool ask_yes_no(const std::string& text, const std::string& caption) override;

    private:
        StationWindow& window_;
    };

    QIcon icon;
    DialogControls controls_;
    LogView* status_log_ = nullptr;
    LogView* nav_log_ = nullptr;
    int timer_id = 0; // 0: no timer running
    bool initialised_ = false;
    View view_{*this};
    Station* station_ = nullptr;
    TrackWindow* track_window_ = nullptr; // made when first opened; a child, so ours
};

} // namespace nerivo
