#include "about_box.h"

#include "window_ids.h"

#include <QPushButton>

namespace nerivo {

AboutBox::AboutBox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    controls_ = build_dialog(*this, about_template());
    if (auto* ok = qobject_cast<QPushButton*>(controls_.find(IDC_ABOUT_OK))) {
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    }
    controls_.focus_first_tab_stop();
}

} // namespace nerivo
