// The About entry in the window's system menu, where the platform has one.
#include "station_window.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>

void StationWindow::add_about_entry() {
    const HMENU menu = GetSystemMenu(reinterpret_cast<HWND>(winId()), FALSE);
    const std::wstring text = QString::fromUtf8(nerivo::ABOUT_MENU_TEXT).toStdWString();
    if (menu != nullptr && !text.empty()) {
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu, MF_STRING, ABOUT_COMMAND, text.c_str());
    }
}

bool StationWindow::nativeEvent(const QByteArray& type, void* message, qintptr* result) {
    const auto* msg = static_cast<const MSG*>(message);
    if (type == "windows_generic_MSG" && msg->message == WM_SYSCOMMAND &&
        (static_cast<unsigned>(msg->wParam) & SYSTEM_COMMAND_MASK) == ABOUT_COMMAND) {
        on_system_command(static_cast<unsigned>(msg->wParam), static_cast<long>(msg->lParam));
        *result = 0;
        return true;
    }
    return QDialog::nativeEvent(type, message, result);
}

void StationWindow::contextMenuEvent(QContextMenuEvent* event) {
    QDialog::contextMenuEvent(event);
}
