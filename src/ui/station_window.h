#pragma once

// The station window: the layout, the widgets, the logs, the About box, the message boxes and
// the 500 ms timer. It is the station's view: clicks and ticks go to the station, which tells
// the window what to show.

#include "dialog_builder.h"
#include "log_files.h"
#include "log_view.h"
#include "station.h"
#include "station_options.h"
#include "station_view.h"
#include "window_ids.h"

#include <QDialog>
#include <QIcon>
#include <QString>

#include <memory>
#include <string>

class StationWindow : public QDialog {
    Q_OBJECT

public:
    static constexpr int TICK_MS = 500;
    static constexpr int LOG_COLUMN_WIDTH = 400;

    // `dump` receives the dump of every nav record; null means standard output.
    explicit StationWindow(QWidget* parent = nullptr, nerivo::DumpOutput* dump = nullptr,
                           const nerivo::StationOptions& options = {});
    ~StationWindow() override;

    // What the station shows through.
    nerivo::StationView& view() { return view_; }

    // Runs once, when the window is first shown: the controls exist by then. Later calls do
    // nothing.
    bool init_station();
    void on_tick(int timer);
    void on_exit();
    void on_system_command(unsigned command_id, long param);
    void on_paint(); // from the paint event only

    // Every field is read and written through its text, by control id.
    QString field_text(int id) const;
    void set_field_text(int id, const QString& text);
    QWidget* control(int id) const { return controls_.find(id); }
    const nerivo::DialogControls& controls() const { return controls_; }

    // The station this window shows.
    nerivo::Station& station() { return station_; }

    // Null until the window is first shown.
    nerivo::LogView* status_log() const { return status_log_; }
    nerivo::LogView* nav_log() const { return nav_log_; }

    void setVisible(bool visible) override;

protected:
    void timerEvent(QTimerEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool nativeEvent(const QByteArray& type, void* message, qintptr* result) override;

private:
    // What the station tells the window.
    class View : public nerivo::StationView {
    public:
        explicit View(StationWindow& window) : window_(window) {}
        void add_status_line(nerivo::WallTime time, const std::string& line) override;
        void add_nav_line(nerivo::WallTime time, const std::string& line) override;
        std::string field_text(int id) const override;
        void set_field_text(int id, const std::string& text) override;
        void set_button_colours(int id, uint32_t text_colour, uint32_t face_colour) override;
        void set_field_stale(int id, bool stale) override;
        void set_field_tooltip(int id, const std::string& text) override;
        bool ask_yes_no(const std::string& text, const std::string& caption) override;

    private:
        StationWindow& window_;
    };

    void add_about_entry();
    void bind_button(int id, void (nerivo::Station::*operation)());

    QIcon icon;
    nerivo::DialogControls controls_;
    nerivo::LogView* status_log_ = nullptr;
    nerivo::LogView* nav_log_ = nullptr;
    int timer_id = 0; // 0: no timer running
    bool initialised_ = false;
    View view_{*this};
    // In front of view_ when the logs go to files as well.
    std::unique_ptr<nerivo::LogFiles> log_files_;
    nerivo::Station station_;
};
