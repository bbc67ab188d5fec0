// The window's own events: the system command, the context menu, painting while minimised.
#include "station_window.h"

#include "about_box.h"
#include "app_icon.h"

#include <QContextMenuEvent>
#include <QGroupBox>
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

// The About entry lives here, on the window's background: Linux desktops have no system menu
// to add it to.
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
    if (menu.exec(event->globalPos()) == about) {
        on_system_command(ABOUT_COMMAND);
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
    const int x = icon_origin(width(), ICON_EXTENT);
    const int y = icon_origin(height(), ICON_EXTENT);
    painter.drawPixmap(x, y, icon.pixmap(ICON_EXTENT));
}

} // namespace nerivo
