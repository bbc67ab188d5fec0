#include "dialog_builder.h"

#include "app_icon.h"
#include "log_view.h"
#include "state_button.h"
#include "window_ids.h"

#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

namespace nerivo {

namespace {

constexpr const char* ID_PROPERTY = "control_id";

QWidget* make_control(QDialog& dialog, const ControlTemplate& row) {
    const QString text = QString::fromUtf8(row.text);
    switch (row.kind) {
    case ControlKind::PUSH_BUTTON: {
        auto* button = new QPushButton(text, &dialog);
        button->setDefault((row.style & STYLE_DEFAULT_BUTTON) != 0);
        return button;
    }
    case ControlKind::STATE_BUTTON:
        return new StateButton(text, &dialog);
    case ControlKind::GROUP_BOX: {
        auto* box = new QGroupBox(text, &dialog);
        box->setFlat((row.style & STYLE_FLAT) != 0);
        return box;
    }
    case ControlKind::LABEL: {
        auto* label = new QLabel(text, &dialog);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return label;
    }
    case ControlKind::EDIT: {
        auto* edit = new QLineEdit(text, &dialog);
        edit->setFrame((row.style & STYLE_BORDER) != 0);
        edit->setReadOnly((row.style & STYLE_READ_ONLY) != 0);
        if (row.style & STYLE_DIGITS_ONLY) {
            // Digits or nothing: an empty field is allowed.
            edit->setValidator(new QRegularExpressionValidator(
                QRegularExpression(QStringLiteral("[0-9]*")), edit));
        }
        return edit;
    }
    case ControlKind::LIST_VIEW:
        return new LogView(&dialog);
    case ControlKind::ICON: {
        auto* picture = new QLabel(&dialog);
        picture->setPixmap(application_icon().pixmap(ICON_EXTENT));
        picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return picture;
    }
    }
    return new QWidget(&dialog);
}

} // namespace

void DialogControls::focus_first_tab_stop() const {
    for (QWidget* widget : order_) {
        if ((widget->focusPolicy() & Qt::TabFocus) && !widget->isHidden() && widget->isEnabled()) {
            widget->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
}

int control_id(const QWidget* widget) {
    const QVariant id = widget != nullptr ? widget->property(ID_PROPERTY) : QVariant();
    return id.isValid() ? id.toInt() : NO_ID;
}

DialogControls build_dialog(QDialog& dialog, const DialogTemplate& layout) {
    DialogControls controls;
    dialog.setWindowTitle(QString::fromUtf8(layout.caption));
    dialog.setFont(dialog_font());
    controls.units_ = dialog_units_for(dialog.font());
    const DialogUnits& units = controls.units_;
    dialog.setFixedSize(units.to_pixels_x(layout.width), units.to_pixels_y(layout.height));

    QWidget* previous_tab_stop = nullptr;
    for (const ControlTemplate& row : layout.controls) {
        QWidget* widget = make_control(dialog, row);
        widget->setProperty(ID_PROPERTY, row.id);
        widget->setGeometry(units.to_pixels(row.x, row.y, row.width, row.height));
        if (row.style & STYLE_TAB_STOP) {
            widget->setFocusPolicy(Qt::StrongFocus);
            if (previous_tab_stop != nullptr) {
                QWidget::setTabOrder(previous_tab_stop, widget);
            }
            previous_tab_stop = widget;
        } else {
            widget->setFocusPolicy(Qt::NoFocus);
        }
        if (row.style & STYLE_HIDDEN) {
            widget->hide();
        }
        if (row.id != NO_ID) {
            widget->setObjectName(QStringLiteral("control_%1").arg(row.id));
            controls.by_id_.insert(row.id, widget);
        }
        controls.order_.push_back(widget);
    }
    return controls;
}

} // namespace nerivo
