#include "station_window.h"

#include "app_icon.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimerEvent>

StationWindow::StationWindow(QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      icon(nerivo::application_icon()) {
    controls_ = nerivo::build_dialog(*this, nerivo::station_template());
    bind_button(IDC_EXIT, &StationWindow::on_exit);
    bind_button(IDC_GPS_BUTTON, &StationWindow::connect_gps);
    bind_button(IDC_WINFROG_BUTTON, &StationWindow::connect_winfrog);
    bind_button(IDC_AUV_BUTTON, &StationWindow::connect_auv);
    bind_button(IDC_XMIT_BUTTON, &StationWindow::toggle_relay);
    bind_button(IDC_REQUEST_STATUS, &StationWindow::request_status);
    bind_button(IDC_ABORT_MISSION, &StationWindow::abort_mission);
    bind_button(IDC_START_SURVEY, &StationWindow::start_survey);
}

void StationWindow::bind_button(int id, void (StationWindow::*operation)()) {
    if (auto* button = qobject_cast<QAbstractButton*>(control(id))) {
        connect(button, &QAbstractButton::clicked, this, operation);
    }
}

// The links close themselves as members go; the widgets go with the dialog after them.
StationWindow::~StationWindow() = default;

void StationWindow::setVisible(bool visible) {
    if (visible && !initialised_) {
        init_station();
    }
    QDialog::setVisible(visible);
}

bool StationWindow::init_station() {
    if (initialised_) {
        return true;
    }
    initialised_ = true;
    add_about_entry();
    setWindowIcon(icon);
    // Precise: a coarse timer may stretch a period by 5% to line up with others.
    timer_id = startTimer(TICK_MS, Qt::PreciseTimer);

    set_field_text(IDC_XMIT_PERIOD, QStringLiteral("5"));

    status_log = qobject_cast<nerivo::LogView*>(control(IDC_STATUS_LOG));
    if (status_log != nullptr) {
        status_log->add_column(QStringLiteral("Status Message"), LOG_COLUMN_WIDTH);
    }
    nav_log = qobject_cast<nerivo::LogView*>(control(IDC_NAV_LOG));
    if (nav_log != nullptr) {
        nav_log->add_column(QStringLiteral("Transmitted Nav Records"), LOG_COLUMN_WIDTH);
    }
    add_status_message(QStringLiteral("Nerivo Started...ready"));

    last_xmit_time = 0;

    winfrog_button = bind_state_button(IDC_WINFROG_BUTTON);
    winfrog_connected = 0;
    gps_button = bind_state_button(IDC_GPS_BUTTON);
    gps_connected = 1;
    auv_button = bind_state_button(IDC_AUV_BUTTON);
    auv_connected = 0;
    xmit_button = bind_state_button(IDC_XMIT_BUTTON);
    transmitting = 0;

    set_field_text(IDC_AUV_COM, QStringLiteral("5"));
    set_field_text(IDC_GPS_COM, QStringLiteral("7"));
    set_field_text(IDC_WINFROG_COM, QStringLiteral("1"));

    for (const int id :
         {IDC_LATITUDE, IDC_LONGITUDE, IDC_HEADING, IDC_DEPTH, IDC_ALTITUDE, IDC_BATTERY_VOLTAGE}) {
        set_field_text(id, QStringLiteral("---"));
    }
    set_field_text(IDC_BEHAVIOUR, QStringLiteral("N/A"));

    controls_.focus_first_tab_stop();
    return true;
}

StateButton* StationWindow::bind_state_button(int id) {
    auto* button = qobject_cast<StateButton*>(control(id));
    if (button != nullptr) {
        button->set_colours(STATE_CAPTION, STATE_RED);
    }
    return button;
}

void StationWindow::timerEvent(QTimerEvent* event) {
    if (timer_id != 0 && event->timerId() == timer_id) {
        on_tick(event->timerId());
        return;
    }
    QDialog::timerEvent(event);
}

void StationWindow::on_tick(int) {
    // The vehicle's status first, then the USBL intake.
    if (auv_connected != 0 && poll_vehicle_status()) {
        show_vehicle_status();
    }
    if (winfrog_connected != 0) {
        process_usbl_input();
    }
}

void StationWindow::on_exit() {
    if (timer_id != 0) {
        killTimer(timer_id);
        timer_id = 0;
    }
    accept();
}

QString StationWindow::field_text(int id) const {
    QWidget* widget = control(id);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        return edit->text();
    }
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        return button->text();
    }
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        return label->text();
    }
    if (auto* box = qobject_cast<QGroupBox*>(widget)) {
        return box->title();
    }
    return QString();
}

void StationWindow::set_field_text(int id, const QString& text) {
    QWidget* widget = control(id);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        edit->setText(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(text);
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(text);
    } else if (auto* box = qobject_cast<QGroupBox*>(widget)) {
        box->setTitle(text);
    }
}
