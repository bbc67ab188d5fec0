#pragma once

// The station's logs: a one-column list with a header whose newest line is at the top.
// Lines are kept in a LineStore in the order they came, and row r shows line size-1-r, so
// adding a line at the top costs the same however long the log has grown. The view paints
// only the rows on screen and keeps no per-row state, for the same reason. Each log shows its
// newest LOG_LINES_KEPT lines, so weeks of running or a burst of faults cannot grow the window
// without bound.

#include "line_store.h"

#include <QAbstractItemView>
#include <QAbstractTableModel>

class QHeaderView;

namespace nerivo {

class LogModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit LogModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Adds the one column; a second call only renames it.
    void add_column(const QString& heading);
    bool has_column() const { return has_column_; }

    // Past LOG_LINES_KEPT lines the bottom row, the oldest line, goes first.
    void add_line_at_top(const QString& line);
    QString line(int row) const; // row 0 is the newest

    const LineStore& store() const { return lines_; }

private:
    LineStore lines_;
    QString heading_;
    bool has_column_ = false;
};

class LogView : public QAbstractItemView {
    Q_OBJECT

public:
    static constexpr const char* COPY_MENU_TEXT = "Copy";

    explicit LogView(QWidget* parent = nullptr);

    // Column 0: heading, left-aligned, `width` pixels wide.
    void add_column(const QString& heading, int width);
    void add_line_at_top(const QString& line);

    int line_count() const;
    QString line(int row) const; // row 0 is the newest

    // The selected lines, newest first as shown, one a line; Ctrl+C and the log's context
    // menu put them on the clipboard.
    QString selected_text() const;
    void copy_selection() const;

    QHeaderView* header() const { return header_; }
    LogModel* log_model() const { return model_; }
    int row_height() const;

    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;

protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex& index) const override;
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void paintEvent(QPaintEvent* event) override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    void rowsInserted(const QModelIndex& parent, int start, int end) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    int first_row() const;
    int page_rows() const;
    int column_width() const;
    QRect row_rect(int first, int last) const;

    LogModel* model_;
    QHeaderView* header_;
    int header_height_ = -1;
    bool updating_geometry_ = false;
};

} // namespace nerivo
