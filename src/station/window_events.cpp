#include "station_window.h"

#include "about_box.h"
#include "app_icon.h"

#include <QContextMenuEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPainter>

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>
#endif

void StationWindow::on_system_command(unsigned command_id, long) {
    const unsigned command = command_id & SYSTEM_COMMAND_MASK;
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

#ifdef Q_OS_WIN

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

#else

// No system menu here: the About entry lives in the window's own context menu instead.
void StationWindow::add_about_entry() {}

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

#endif
