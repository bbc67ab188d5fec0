#pragma once

// The station window, which is also the controller of the whole station: it holds the links,
// the state buttons, the connection flags, the last fix and the last vehicle status, and its
// 500 ms tick drives all background work.

#include "control_ids.h"
#include "dialog_builder.h"
#include "log_view.h"
#include "serial_port.h"
#include "smac_records.h"
#include "state_button.h"

#include <QDialog>
#include <QIcon>
#include <QString>

#include <cstdint>
#include <string>

class StationWindow : public QDialog {
    Q_OBJECT

public:
    static constexpr int TICK_MS = 500;
    static constexpr int LOG_COLUMN_WIDTH = 400;
    static constexpr int STATUS_LINE_MAX = 255;

    explicit StationWindow(QWidget* parent = nullptr);
    ~StationWindow() override;

    // Runs once, when the window is first shown: the controls exist by then. Later calls do
    // nothing.
    bool init_station();
    void on_tick(int timer);
    void on_exit();
    void on_system_command(unsigned command_id, long param);
    void on_paint(); // from the paint event only

    void add_status_message(const QString& message);
    void add_nav_line(const QString& line);

    // Links and the operator's commands.
    void connect_winfrog();
    void connect_auv();
    void connect_gps();
    void toggle_relay();
    void request_status();
    void abort_mission();
    void start_survey();

    // Navigation relay: one USBL read per tick, at most one nav record per period.
    void process_usbl_input();
    // False when the vehicle link did not take the whole record and its terminator.
    bool send_nav_record();

    // Vehicle status monitor: one status read per tick.
    bool poll_vehicle_status();
    void store_vehicle_status(const VehicleStatus& status);
    void show_vehicle_status();

    // Every field is read and written through its text, by control id.
    QString field_text(int id) const;
    void set_field_text(int id, const QString& text);
    QWidget* control(int id) const { return controls_.find(id); }
    const nerivo::DialogControls& controls() const { return controls_; }

    void setVisible(bool visible) override;

    // Controller state. Members are torn down in reverse order of declaration.
    QIcon icon;
    StateButton* gps_button = nullptr;
    StateButton* winfrog_button = nullptr;
    StateButton* auv_button = nullptr;
    StateButton* xmit_button = nullptr;
    int32_t gps_connected = 1;
    int32_t auv_connected = 0;
    int32_t winfrog_connected = 0;
    int32_t transmitting = 0;
    // Declared in this order so the vehicle link closes first, then WinFrog, then GPS.
    SerialPort gps_port;
    SerialPort winfrog_port;
    SerialPort auv_port;
    float auv_latitude = 0, auv_longitude = 0, auv_heading = 0, auv_depth = 0, auv_altitude = 0,
          auv_battery_voltage = 0, auv_humidity = 0;
    float fix_latitude = 0, fix_longitude = 0, fix_sl = 0;
    int32_t fix_hours = 0, fix_minutes = 0;
    float fix_seconds = 0;
    QString behaviour_text;
    QString abort_text;
    int64_t last_xmit_time = 0; // seconds since 1970
    int32_t xmit_period = 0;    // whole seconds
    nerivo::LogView* status_log = nullptr;
    nerivo::LogView* nav_log = nullptr;
    int timer_id = 0; // 0: no timer running

    // The position of the last fix sent, as parsed. Only a change of position is relayed; it
    // survives stopping and restarting the relay, for the life of the window (of the run).
    struct LastSentFix {
        int32_t lat_degrees = 0;
        float lat_minutes = 0;
        int32_t lon_degrees = 0;
        float lon_minutes = 0;
    } last_sent_fix;

protected:
    void timerEvent(QTimerEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
#ifdef Q_OS_WIN
    bool nativeEvent(const QByteArray& type, void* message, qintptr* result) override;
#endif

private:
    void add_about_entry();
    StateButton* bind_state_button(int id);
    void bind_button(int id, void (StationWindow::*operation)());
    void connect_link(int field_id, SerialPort& port, int32_t& connected, StateButton* button,
                      const char* message);
    bool confirm(const QString& text, const QString& caption);
    void send_command(uint32_t code);

    // The start of a USBL sentence whose line end has not arrived yet.
    std::string usbl_unterminated_;

    nerivo::DialogControls controls_;
    bool initialised_ = false;
};
