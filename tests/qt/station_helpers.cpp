#include "station_helpers.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QScreen>
#include <QTimer>
#include <QtTest/QTest>

namespace nerivo::testing {

BuiltStation::BuiltStation(const StationOptions& options)
    : parts(std::make_unique<StationParts>(options, &dump)) {}

StartedStation::StartedStation(const StationOptions& options) : BuiltStation(options) {
    window().show();
}

Opened run_answering(const std::function<void()>& action, int menu_choice) {
    Opened opened;
    QWidget* const before = QApplication::activeModalWidget();
    QTimer probe;
    probe.setInterval(5);
    QObject::connect(&probe, &QTimer::timeout, [&opened, before, menu_choice] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (const QAction* item : menu->actions()) {
                if (!item->isSeparator()) {
                    opened.menu_items << item->text();
                }
            }
            for (int i = 0; i <= menu_choice; ++i) {
                QTest::keyClick(menu, Qt::Key_Down);
            }
            QTest::keyClick(menu, Qt::Key_Return);
            return;
        }
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != nullptr && modal != before && modal->isVisible()) {
            opened.boxes << modal->windowTitle();
            QTest::keyClick(modal, Qt::Key_Escape);
        }
    });
    probe.start();
    action();
    probe.stop();
    return opened;
}

int exec_and(StationWindow& window, const std::function<void()>& act) {
    QTimer::singleShot(0, &window, act);
    QTimer::singleShot(3000, &window, [&window] { window.done(-1); });
    return window.exec();
}

QImage on_screen(QWidget& window) {
    QCoreApplication::processEvents();
    return window.screen()
        ->grabWindow(window.winId())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

QWidgetList shown_windows_titled(const QString& title) {
    QWidgetList shown;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible() && widget->windowTitle() == title) {
            shown << widget;
        }
    }
    return shown;
}

QStringList screen_of(const StationWindow& window) {
    QStringList screen;
    for (const QWidget* widget : window.controls().in_layout_order()) {
        const int id = control_id(widget);
        if (id != NO_ID) {
            screen << QStringLiteral("%1=%2").arg(id).arg(window.field_text(id));
        }
    }
    screen << QStringLiteral("status lines %1").arg(window.status_log()->line_count());
    screen << QStringLiteral("nav lines %1").arg(window.nav_log()->line_count());
    return screen;
}

} // namespace nerivo::testing
