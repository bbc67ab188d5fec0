#include "modal_answer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QtTest/QTest>

namespace nerivo::testing {

std::shared_ptr<ModalSeen> answer_next_modal(int key, std::function<void(QWidget*)> inspect,
                                             int timeout_ms) {
    auto seen = std::make_shared<ModalSeen>();
    QPointer<QWidget> before = QApplication::activeModalWidget();
    auto* timer = new QTimer(qApp);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QObject::connect(timer, &QTimer::timeout, timer, [=]() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != nullptr && modal != before.data() && modal->isVisible()) {
            // Stopped first: `inspect` may run an event loop of its own.
            timer->stop();
            seen->title = modal->windowTitle();
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                seen->text = box->text();
            }
            if (inspect) {
                inspect(modal);
            }
            QTest::keyClick(modal, static_cast<Qt::Key>(key));
            seen->answered = true;
            timer->deleteLater();
        } else if (clock->elapsed() > timeout_ms) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(5);
    return seen;
}

} // namespace nerivo::testing
