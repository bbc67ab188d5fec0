#include "log_view.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <vector>

namespace {

using nerivo::LogView;

TEST(LogModel, NewestLineIsRowZeroAndTextSurvivesUnchanged) {
    nerivo::LogModel model;
    model.add_line_at_top(QStringLiteral("first"));
    model.add_line_at_top(QString::fromUtf8("second: 12\xc2\xb0 \xe2\x80\x93 \xf0\x9f\x90\x9f"));
    model.add_line_at_top(QStringLiteral("first")); // repeats are kept
    ASSERT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.line(0), QStringLiteral("first"));
    EXPECT_EQ(model.line(1), QString::fromUtf8("second: 12\xc2\xb0 \xe2\x80\x93 \xf0\x9f\x90\x9f"));
    EXPECT_EQ(model.line(2), QStringLiteral("first"));
    EXPECT_EQ(model.line(3), QString());
    EXPECT_EQ(model.line(-1), QString());
}

TEST(LogModel, HasNoColumnUntilOneIsAdded) {
    nerivo::LogModel model;
    model.add_line_at_top(QStringLiteral("kept meanwhile"));
    EXPECT_EQ(model.columnCount(), 0);
    EXPECT_FALSE(model.headerData(0, Qt::Horizontal).isValid());
    model.add_column(QStringLiteral("Status Message"));
    model.add_column(QStringLiteral("Status Message"));
    EXPECT_EQ(model.columnCount(), 1);
    EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("Status Message"));
    EXPECT_EQ(model.data(model.index(0, 0)).toString(), QStringLiteral("kept meanwhile"));
    EXPECT_FALSE(model.flags(model.index(0, 0)) & Qt::ItemIsEditable);
}

class ShownLog : public testing::Test {
protected:
    void SetUp() override {
        view.resize(424, 119);
        view.add_column(QStringLiteral("Status Message"), 400);
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    }

    void add(int count) {
        for (int i = 0; i < count; ++i) {
            view.add_line_at_top(QStringLiteral("line %1").arg(next++));
        }
        QApplication::processEvents();
    }

    void click(int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        const QRect rect = view.visualRect(view.log_model()->index(row, 0));
        QTest::mouseClick(view.viewport(), Qt::LeftButton, modifiers, rect.center());
    }

    std::vector<QString> selected_lines() const {
        std::vector<QString> lines;
        for (int row = 0; row < view.line_count(); ++row) {
            if (view.selectionModel()->isSelected(view.log_model()->index(row, 0))) {
                lines.push_back(view.line(row));
            }
        }
        return lines;
    }

    LogView view;
    int next = 1;
};

TEST_F(ShownLog, ShowsItsHeaderAndOneColumnOf400Pixels) {
    ASSERT_NE(view.header(), nullptr);
    EXPECT_TRUE(view.header()->isVisible());
    EXPECT_GT(view.header()->height(), 0);
    EXPECT_EQ(view.header()->count(), 1);
    EXPECT_EQ(view.header()->sectionSize(0), 400);
    EXPECT_EQ(view.log_model()
                      ->headerData(0, Qt::Horizontal, Qt::TextAlignmentRole)
                      .value<Qt::Alignment>() &
                  Qt::AlignHorizontal_Mask,
              Qt::AlignLeft);
    EXPECT_EQ(view.selectionMode(), QAbstractItemView::ExtendedSelection);
}

TEST_F(ShownLog, TopRowOnScreenIsTheNewestLine) {
    add(3);
    const QModelIndex top = view.indexAt(QPoint(10, 2));
    ASSERT_TRUE(top.isValid());
    EXPECT_EQ(top.row(), 0);
    EXPECT_EQ(view.line(top.row()), QStringLiteral("line 3"));
    EXPECT_EQ(view.visualRect(top).top(), 0);
    EXPECT_FALSE(view.indexAt(QPoint(10, 3 * view.row_height() + 2)).isValid()); // below
    EXPECT_FALSE(view.indexAt(QPoint(401, 2)).isValid()); // right of the column
}

TEST_F(ShownLog, ScrollsByRowsOverALongLog) {
    add(1000);
    const int page = view.viewport()->height() / view.row_height();
    EXPECT_EQ(view.verticalScrollBar()->maximum(), 1000 - page);
    view.verticalScrollBar()->setValue(10);
    EXPECT_EQ(view.indexAt(QPoint(10, 2)).row(), 10);
    view.scrollTo(view.log_model()->index(500, 0));
    const int first = view.verticalScrollBar()->value();
    EXPECT_LE(first, 500);
    EXPECT_GT(first + page, 500);
}

TEST_F(ShownLog, SelectsSeveralLinesAndTheyStaySelectedAsNewLinesArrive) {
    add(5); // rows 0..4 show lines 5..1
    click(0);
    click(2, Qt::ControlModifier);
    EXPECT_EQ(selected_lines(), (std::vector<QString>{"line 5", "line 3"}));
    add(1);
    EXPECT_EQ(selected_lines(), (std::vector<QString>{"line 5", "line 3"}));
    EXPECT_EQ(view.line(view.currentIndex().row()), QStringLiteral("line 3"));
}

TEST_F(ShownLog, ClickBelowTheLastLineClearsTheSelection) {
    add(2);
    click(0);
    ASSERT_EQ(selected_lines().size(), 1u);
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(20, 4 * view.row_height()));
    EXPECT_TRUE(selected_lines().empty());
}

TEST_F(ShownLog, CtrlCCopiesTheSelectedLinesNewestFirstOneALine) {
    struct Click {
        int row;
        Qt::KeyboardModifiers modifiers;
    };
    struct Row {
        const char* selection;
        std::vector<Click> clicks;
        bool select_all;
        const char* clipboard;
    };
    const Row rows[] = {
        {"nothing: the clipboard keeps its text", {}, false, "before"},
        {"one line", {{2, Qt::NoModifier}}, false, "line 2"},
        {"a run", {{0, Qt::NoModifier}, {2, Qt::ShiftModifier}}, false, "line 4\nline 3\nline 2"},
        {"a run upwards",
         {{2, Qt::NoModifier}, {0, Qt::ShiftModifier}},
         false,
         "line 4\nline 3\nline 2"},
        {"picked out of order",
         {{3, Qt::NoModifier}, {0, Qt::ControlModifier}, {2, Qt::ControlModifier}},
         false,
         "line 4\nline 2\nline 1"},
        {"everything", {}, true, "line 4\nline 3\nline 2\nline 1"},
    };
    add(4); // rows 0..3 show lines 4..1
    QClipboard* clipboard = QGuiApplication::clipboard();
    for (const Row& row : rows) {
        view.clearSelection();
        for (const Click& c : row.clicks) {
            click(c.row, c.modifiers);
        }
        if (row.select_all) {
            QTest::keyClick(&view, Qt::Key_A, Qt::ControlModifier);
        }
        clipboard->setText(QStringLiteral("before"));
        QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
        EXPECT_EQ(clipboard->text(), QString::fromUtf8(row.clipboard)) << row.selection;
        EXPECT_EQ(view.line_count(), 4) << row.selection;
    }
}

TEST_F(ShownLog, KeepsTheNewestLinesAndCopiesTheSelectedOnesLeft) {
    add(static_cast<int>(nerivo::LOG_LINES_KEPT)); // line 1 at the bottom
    QTest::keyClick(&view, Qt::Key_End);
    QTest::keyClick(&view, Qt::Key_Up, Qt::ShiftModifier);
    QTest::keyClick(&view, Qt::Key_Up, Qt::ShiftModifier); // lines 1 to 3 selected
    add(2);
    ASSERT_EQ(view.line_count(), static_cast<int>(nerivo::LOG_LINES_KEPT));
    EXPECT_EQ(view.line(0), QStringLiteral("line 100002"));
    EXPECT_EQ(view.line(view.line_count() - 1), QStringLiteral("line 3"));
    QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("line 3"));
}

} // namespace
