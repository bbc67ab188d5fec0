// No system menu to add to here: the About entry lives in the window's own context menu.
#include "station_window.h"

#include <QContextMenuEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>

void StationWindow::add_about_entry() {}

bool StationWindow::nativeEvent(const QByteArray& type, void* message, qintptr* result) {
    return QDialog::nativeEvent(type, message, result);
}

void StationWindow::contextMenuEvent(QContextMenuEvent* event) {
    QWidget* under = childAt(event->pos());
    const bool background = under == nullptr || qobject_cast<QGroupBox*>(under) != nullptr ||
                            qobject_cast<QLabel*>(under) != nullptr;
    if (event->reason() == QContextMenuEvent::Mouse && !background) {
        event->ignore();
        return;
    }
    QMenu menu(this);
    QAction* about = menu.addAction(QString::fromUtf8(nerivo::ABOUT_MENU_TEXT));
    if (menu.exec(event->globalPos()) == about) {
        on_system_command(ABOUT_COMMAND, 0);
    }
}
