// The window's own events: the system command, the context menu, Ctrl+T, painting while
// minimised.
#include "station_window.h"

#include "about_box.h"
#include "app_icon.h"
#include "station.h"
#include "track_window.h"

#include <QContextMenuEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>

namespace nerivo {

void StationWindow::on_system_command(unsigned command_id) {
    const unsigned command = command_id & SYSTEM_COMMAND_MASK;
    if (command == ABOUT_COMMAND) {
        AboutBox about(this);
        about.exec();
        return;
    }
    if (command == TRACK_COMMAND) {
        open_track_window();
        return;
    }
    switch (command) {
    case SYSTEM_CLOSE:
        close();
        break;
    case SYSTEM_MINIMIZE:
        showMinimized();
        break;
    case SYSTEM_RESTORE:
        showNormal();
        break;
    default:
        break;
    }
}

void StationWindow::open_track_window() {
    if (station_ == nullptr) {
        return;
    }
    if (track_window_ == nullptr) {
        track_window_ = new TrackWindow(station_->track(), this);
    }
    track_window_->show();
    track_window_->raise();
    track_window_->activateWindow();
}

// The About and track entries live here, on the window's background: Linux desktops have no
// system menu to add them to.
void StationWindow::contextMenuEvent(QContextMenuEvent* event) {
    QWidget* under = childAt(event->pos());
    const bool background = under == nullptr || qobject_cast<QGroupBox*>(under) != nullptr ||
                            qobject_cast<QLabel*>(under) != nullptr;
    if (event->reason() == QContextMenuEvent::Mouse && !background) {
        event->ignore();
        return;
    }
    QMenu menu(this);
    QAction* about = menu.addAction(QString::fromUtf8(ABOUT_MENU_TEXT));
    about->setData(ABOUT_COMMAND);
    QAction* track = menu.addAction(QString::fromUtf8(TRACK_MENU_TEXT));
    track->setData(TRACK_COMMAND);
    if (const QAction* chosen = menu.exec(event->globalPos())) {
        on_system_command(chosen->data().toUInt());
    }
}

// Ctrl+T reaches here from whichever control has the focus: none of them takes it. A key
// event, not a shortcut, so that it works whether or not the window is the active one yet.
void StationWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_T && event->modifiers() == Qt::ControlModifier) {
        on_system_command(TRACK_COMMAND);
        return;
    }
    QDialog::keyPressEvent(event);
}

void StationWindow::paintEvent(QPaintEvent*) {
    on_paint();
}

// Only from the paint event. The background is already painted; while minimised the window
// shows nothing but the icon on it.
void StationWindow::on_paint() {
    if (!isMinimized()) {
        return;
    }
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    const int x = icon_origin(width(), ICON_EXTENT);
    const int y = icon_origin(height(), ICON_EXTENT);
    painter.drawPixmap(x, y, icon.pixmap(ICON_EXTENT));
}

} // namespace nerivo
