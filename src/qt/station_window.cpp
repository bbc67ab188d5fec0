#include "station_window.h"

#include "app_icon.h"
#include "state_button.h"
#include "station.h"
#include "station_bindings.h"
#include "track_window.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimerEvent>

namespace nerivo {

StationWindow::StationWindow(QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      icon(application_icon()), controls_(build_dialog(*this, station_template())) {
    connect(qobject_cast<QAbstractButton*>(control(IDC_EXIT)), &QAbstractButton::clicked, this,
            &StationWindow::on_exit);
    for (const ButtonOperation& binding : BUTTON_OPERATIONS) {
        if (auto* button = qobject_cast<QAbstractButton*>(control(binding.id))) {
            connect(button, &QAbstractButton::clicked, this, [this, operation = binding.operation] {
                if (station_ != nullptr) {
                    (station_->*operation)();
                }
            });
        }
    }
}

// The station, and its links, went before the window: the program built it over the window.
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
    setWindowIcon(icon);
    // Precise: a coarse timer may stretch a period by 5% to line up with others.
    timer_id = startTimer(TICK_MS, Qt::PreciseTimer);

    status_log_ = qobject_cast<LogView*>(control(IDC_STATUS_LOG));
    if (status_log_ != nullptr) {
        status_log_->add_column(QString::fromUtf8(STATUS_LOG_TITLE), LOG_COLUMN_WIDTH);
    }
    nav_log_ = qobject_cast<LogView*>(control(IDC_NAV_LOG));
    if (nav_log_ != nullptr) {
        nav_log_->add_column(QString::fromUtf8(NAV_LOG_TITLE), LOG_COLUMN_WIDTH);
    }
    if (station_ != nullptr) {
        station_->init_station();
    }

    controls_.focus_first_tab_stop();
    return true;
}

void StationWindow::timerEvent(QTimerEvent* event) {
    if (timer_id != 0 && event->timerId() == timer_id) {
        on_tick();
        return;
    }
    QDialog::timerEvent(event);
}

void StationWindow::on_tick() {
    if (station_ != nullptr) {
        station_->on_tick();
    }
    if (track_window_ != nullptr) {
        track_window_->follow_track();
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

// A message offered before the logs are bound is dropped.
void StationWindow::View::add_status_line(WallTime, const std::string& line) {
    if (window_.status_log_ != nullptr) {
        window_.status_log_->add_line_at_top(QString::fromStdString(line));
    }
}

void StationWindow::View::add_nav_line(WallTime, const std::string& line) {
    if (window_.nav_log_ != nullptr) {
        window_.nav_log_->add_line_at_top(QString::fromStdString(line));
    }
}

std::string StationWindow::View::field_text(int id) const {
    return window_.field_text(id).toStdString();
}

void StationWindow::View::set_field_text(int id, const std::string& text) {
    window_.set_field_text(id, QString::fromStdString(text));
}

void StationWindow::View::set_button_colours(int id, uint32_t text_colour, uint32_t face_colour) {
    if (auto* button = qobject_cast<StateButton*>(window_.control(id))) {
        button->set_colours(text_colour, face_colour);
    }
}

// Greyed, not disabled: a stale value can still be selected and copied, and keeps its place in
// the tab order. Only the foreground colour is the widget's own; the rest follows the window.
void StationWindow::View::set_field_stale(int id, bool stale) {
    QWidget* widget = window_.control(id);
    if (widget == nullptr) {
        return;
    }
    if (!stale) {
        widget->setPalette(QPalette());
        return;
    }
    const QPalette::ColorRole role = widget->foregroundRole();
    const QColor grey = widget->palette().color(QPalette::Disabled, role);
    QPalette palette;
    palette.setColor(QPalette::Active, role, grey);
    palette.setColor(QPalette::Inactive, role, grey);
    widget->setPalette(palette);
}

void StationWindow::View::set_field_tooltip(int id, const std::string& text) {
    if (QWidget* widget = window_.control(id)) {
        widget->setToolTip(QString::fromStdString(text));
    }
}

bool StationWindow::View::ask_yes_no(const std::string& text, const std::string& caption) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(caption),
                    QString::fromStdString(text), QMessageBox::Yes | QMessageBox::No, &window_);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

} // namespace nerivo
