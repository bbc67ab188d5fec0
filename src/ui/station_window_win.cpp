// The About entry in the window's system menu, where the platform has one.
#include "station_window.h"

#include "win32_system_menu.h"

void StationWindow::add_about_entry() {
    nerivo::add_system_menu_entry(static_cast<intptr_t>(winId()), ABOUT_COMMAND,
                                  nerivo::ABOUT_MENU_TEXT);
}

bool StationWindow::nativeEvent(const QByteArray& type, void* message, qintptr* result) {
    if (type == "windows_generic_MSG" && nerivo::is_system_command(message, ABOUT_COMMAND)) {
        on_system_command(ABOUT_COMMAND, 0);
        *result = 0;
        return true;
    }
    return QDialog::nativeEvent(type, message, result);
}

void StationWindow::contextMenuEvent(QContextMenuEvent* event) {
    QDialog::contextMenuEvent(event);
}
