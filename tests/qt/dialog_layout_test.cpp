#include "dialog_builder.h"
#include "log_view.h"
#include "state_button.h"
#include "window_ids.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace nerivo;

using nerivo::control_id;

enum class Kind { BUTTON, DEFAULT_BUTTON, STATE, GROUP, LABEL, READ_ONLY, DIGITS, LOG };

struct Expected {
    int id;
    Kind kind;
    const char* text;
    bool hidden = false;
};

// The station window's controls in layout order.
const Expected STATION[] = {
    {IDC_EXIT, Kind::DEFAULT_BUTTON, "Exit"},
    {NO_ID, Kind::GROUP, "USBL-Aided Navigation"},
    {NO_ID, Kind::GROUP, "Vehicle Status"},
    {1003, Kind::STATE, "Start Nav Packets"},
    {1004, Kind::READ_ONLY, ""},
    {NO_ID, Kind::LABEL, "Depth"},
    {1005, Kind::READ_ONLY, ""},
    {NO_ID, Kind::LABEL, "Current Behavior"},
    {NO_ID, Kind::LABEL, "Batt Volt"},
    {1006, Kind::READ_ONLY, ""},
    {NO_ID, Kind::LABEL, "Altitude"},
    {1007, Kind::READ_ONLY, ""},
    {NO_ID, Kind::LABEL, "Latitude"},
    {1008, Kind::READ_ONLY, ""},
    {NO_ID, Kind::LABEL, "Longitude"},
    {1010, Kind::READ_ONLY, ""},
    {NO_ID, Kind::LABEL, "Heading"},
    {1012, Kind::READ_ONLY, ""},
    {1009, Kind::STATE, "Connect to WinFrog"},
    {1011, Kind::STATE, "Connect to GPS", true},
    {1013, Kind::STATE, "Connect to AUV"},
    {1014, Kind::DIGITS, ""},
    {1015, Kind::DIGITS, "", true},
    {1016, Kind::DIGITS, ""},
    {NO_ID, Kind::LABEL, "COM"},
    {NO_ID, Kind::LABEL, "COM", true},
    {NO_ID, Kind::LABEL, "COM"},
    {1002, Kind::LOG, ""},
    {1017, Kind::LOG, ""},
    {1018, Kind::DIGITS, ""},
    {NO_ID, Kind::LABEL, "Xmit Period"},
    {1019, Kind::READ_ONLY, ""},
    {NO_ID, Kind::LABEL, "Humidity"},
    {NO_ID, Kind::LABEL, "Abort"},
    {1020, Kind::READ_ONLY, ""},
    {1021, Kind::BUTTON, "Request Status"},
    {1022, Kind::BUTTON, "Abort Mission"},
    {1023, Kind::BUTTON, "Start Survey"},
};

void expect_control(QWidget* widget, const Expected& row, int position) {
    SCOPED_TRACE(testing::Message() << "control #" << position + 1 << " id " << row.id);
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(control_id(widget), row.id);
    EXPECT_EQ(widget->isHidden(), row.hidden);
    const QString text = QString::fromUtf8(row.text);
    const bool tab_stop = (widget->focusPolicy() & Qt::TabFocus) != 0;
    auto* edit = qobject_cast<QLineEdit*>(widget);
    switch (row.kind) {
    case Kind::BUTTON:
    case Kind::DEFAULT_BUTTON: {
        auto* button = qobject_cast<QPushButton*>(widget);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(qobject_cast<StateButton*>(widget), nullptr);
        EXPECT_EQ(button->text(), text);
        EXPECT_EQ(button->isDefault(), row.kind == Kind::DEFAULT_BUTTON);
        EXPECT_TRUE(tab_stop);
        break;
    }
    case Kind::STATE: {
        auto* button = qobject_cast<StateButton*>(widget);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(), text);
        EXPECT_TRUE(tab_stop);
        break;
    }
    case Kind::GROUP: {
        auto* box = qobject_cast<QGroupBox*>(widget);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->title(), text);
        EXPECT_TRUE(box->isFlat());
        EXPECT_FALSE(tab_stop);
        break;
    }
    case Kind::LABEL: {
        auto* label = qobject_cast<QLabel*>(widget);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text(), text);
        EXPECT_TRUE(label->alignment() & Qt::AlignLeft);
        EXPECT_FALSE(tab_stop);
        break;
    }
    case Kind::READ_ONLY:
    case Kind::DIGITS:
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->text(), text);
        EXPECT_TRUE(edit->hasFrame());
        EXPECT_EQ(edit->isReadOnly(), row.kind == Kind::READ_ONLY);
        EXPECT_EQ(edit->validator() != nullptr, row.kind == Kind::DIGITS);
        EXPECT_TRUE(tab_stop);
        break;
    case Kind::LOG:
        EXPECT_NE(qobject_cast<nerivo::LogView*>(widget), nullptr);
        EXPECT_TRUE(tab_stop);
        break;
    }
}

class StationLayout : public testing::Test {
protected:
    void SetUp() override { controls = nerivo::build_dialog(dialog, nerivo::station_template()); }

    QLineEdit* edit(int id) const { return qobject_cast<QLineEdit*>(controls.find(id)); }

    QDialog dialog;
    nerivo::DialogControls controls;
};

TEST_F(StationLayout, HasTheThirtyEightControlsInLayoutOrder) {
    const std::vector<QWidget*>& order = controls.in_layout_order();
    ASSERT_EQ(order.size(), std::size(STATION));
    for (std::size_t i = 0; i < order.size(); ++i) {
        expect_control(order[i], STATION[i], static_cast<int>(i));
    }
    for (const Expected& row : STATION) {
        if (row.id != NO_ID) {
            EXPECT_EQ(control_id(controls.find(row.id)), row.id);
        }
    }
    EXPECT_EQ(controls.find(NO_ID), nullptr);
    EXPECT_EQ(controls.find(4711), nullptr);
}

TEST_F(StationLayout, WindowIsFixedSizeAndControlsSitInDialogUnits) {
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Nerivo"));
    EXPECT_EQ(dialog.minimumSize(), QSize(961, 359));
    EXPECT_EQ(dialog.maximumSize(), QSize(961, 359));
    // Exit (15, 190, 50, 16) and the status log (299, 134, 242, 73) at 7 x 13 base units.
    EXPECT_EQ(controls.find(IDC_EXIT)->geometry(), QRect(26, 309, 88, 26));
    EXPECT_EQ(controls.find(IDC_STATUS_LOG)->geometry(), QRect(523, 218, 424, 119));
}

TEST_F(StationLayout, HiddenGpsControlsStayHiddenWhenTheWindowShows) {
    dialog.show();
    EXPECT_FALSE(controls.find(IDC_GPS_BUTTON)->isVisible());
    EXPECT_FALSE(controls.find(IDC_GPS_COM)->isVisible());
    EXPECT_FALSE(controls.in_layout_order()[25]->isVisible()); // the GPS row's "COM"
    EXPECT_TRUE(controls.find(IDC_WINFROG_BUTTON)->isVisible());
    EXPECT_TRUE(controls.in_layout_order()[24]->isVisible());
}

TEST_F(StationLayout, TabWalksTheVisibleControlsInLayoutOrder) {
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    controls.focus_first_tab_stop();
    const std::vector<int> expected = {1,    1003, 1004, 1005, 1006, 1007, 1008,
                                       1010, 1012, 1009, 1013, 1014, 1016, 1002,
                                       1017, 1018, 1019, 1020, 1021, 1022, 1023};
    std::vector<int> walked;
    for (std::size_t i = 0; i <= expected.size(); ++i) {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        walked.push_back(control_id(focus));
        QTest::keyClick(focus, Qt::Key_Tab);
    }
    std::vector<int> round = expected;
    round.push_back(expected.front());
    EXPECT_EQ(walked, round);

    controls.focus_first_tab_stop();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(control_id(QApplication::focusWidget()), 1023);
}

TEST_F(StationLayout, DigitsOnlyFieldsRefuseOtherKeysAndMayBeEmpty) {
    for (const int id : {IDC_WINFROG_COM, IDC_GPS_COM, IDC_AUV_COM, IDC_XMIT_PERIOD}) {
        QLineEdit* field = edit(id);
        ASSERT_NE(field, nullptr);
        QTest::keyClicks(field, "4a -2.x9");
        EXPECT_EQ(field->text(), QStringLiteral("429")) << id;
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        EXPECT_EQ(field->text(), QString()) << id;
    }
}

TEST_F(StationLayout, ReadOnlyFieldsTakeFocusAndCopyButDoNotChange) {
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    QLineEdit* depth = edit(IDC_DEPTH);
    depth->setText(QStringLiteral("12.5"));
    depth->setFocus();
    EXPECT_TRUE(depth->hasFocus());
    QTest::keyClicks(depth, "99");
    QTest::keyClick(depth, Qt::Key_Backspace);
    EXPECT_EQ(depth->text(), QStringLiteral("12.5"));
    QApplication::clipboard()->clear();
    QTest::keyClick(depth, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(depth->selectedText(), QStringLiteral("12.5"));
    QTest::keyClick(depth, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("12.5"));
}

} // namespace
