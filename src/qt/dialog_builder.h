#pragma once

// Makes the widgets of a window from its layout table: positions from dialog units of the
// font the window is shown in, tab order from layout order, every control tagged with its id.

#include "dialog_layout.h"
#include "dialog_units.h"

#include <QHash>

#include <vector>

class QDialog;
class QWidget;

namespace nerivo {

class DialogControls {
public:
    // The control with this id; null for an unknown id or NO_ID.
    QWidget* find(int id) const { return by_id_.value(id, nullptr); }
    const std::vector<QWidget*>& in_layout_order() const { return order_; }
    const DialogUnits& units() const { return units_; }

    // Gives the focus to the first visible, enabled tab stop in layout order.
    void focus_first_tab_stop() const;

private:
    friend DialogControls build_dialog(QDialog& dialog, const DialogTemplate& layout);

    std::vector<QWidget*> order_;
    QHash<int, QWidget*> by_id_;
    DialogUnits units_;
};

// The id a control was built with; NO_ID for anything else.
int control_id(const QWidget* widget);

// Sets the window's caption, font and fixed client size, and creates its controls.
DialogControls build_dialog(QDialog& dialog, const DialogTemplate& layout);

} // namespace nerivo
