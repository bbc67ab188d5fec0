#pragma once

#include <QString>
#include <functional>
#include <memory>

class QWidget;

namespace nerivo::testing {

// What a test saw of the modal box it answered.
struct ModalSeen {
    bool answered = false;
    QString title;
    QString text; // the box's text when it is a QMessageBox
};

// Arms a timer that waits for the next modal box to open (from inside its modal loop, since
// timers keep running there), lets `inspect` look at it, then answers it with `key`.
// Gives up after `timeout_ms`; `answered` then stays false.
std::shared_ptr<ModalSeen> answer_next_modal(int key, std::function<void(QWidget*)> inspect = {},
                                             int timeout_ms = 2000);

} // namespace nerivo::testing
