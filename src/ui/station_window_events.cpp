// The window's own events: the system command, painting while minimised.
#include "station_window.h"

#include "about_box.h"
#include "app_icon.h"

#include <QPainter>

void StationWindow::on_system_command(unsigned command_id, long) {
    const unsigned command = command_id & nerivo::SYSTEM_COMMAND_MASK;
    if (command == ABOUT_COMMAND) {
        AboutBox about(this);
        about.exec();
        return;
    }
    switch (command) {
    case nerivo::SYSTEM_CLOSE:
        close();
        break;
    case nerivo::SYSTEM_MINIMIZE:
        showMinimized();
        break;
    case nerivo::SYSTEM_RESTORE:
        showNormal();
        break;
    default:
        break;
    }
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
    const int x = nerivo::icon_origin(width(), nerivo::ICON_EXTENT);
    const int y = nerivo::icon_origin(height(), nerivo::ICON_EXTENT);
    painter.drawPixmap(x, y, icon.pixmap(nerivo::ICON_EXTENT));
}
