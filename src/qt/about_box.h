#pragma once

// The About box: the icon, the program's name and version, and OK. OK, Enter, Esc and the
// close box all end it.

#include "dialog_builder.h"

#include <QDialog>

namespace nerivo {

class AboutBox : public QDialog {
    Q_OBJECT

public:
    explicit AboutBox(QWidget* parent = nullptr);

    QWidget* control(int id) const { return controls_.find(id); }
    const DialogControls& controls() const { return controls_; }

private:
    DialogControls controls_;
};

} // namespace nerivo
