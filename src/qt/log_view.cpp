#include "log_view.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include <algorithm>
#include <utility>
#include <vector>

namespace nerivo {

namespace {

constexpr int TEXT_MARGIN = 6;
constexpr int ROW_PADDING = 4;

int floor_div(int a, int b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

} // namespace

LogModel::LogModel(QObject* parent) : QAbstractTableModel(parent), lines_(LOG_LINES_KEPT) {}

int LogModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(lines_.size());
}

int LogModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() || !has_column_ ? 0 : 1;
}

QVariant LogModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.column() != 0) {
        return QVariant();
    }
    return line(index.row());
}

QVariant LogModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section != 0 || !has_column_) {
        return QVariant();
    }
    if (role == Qt::DisplayRole) {
        return heading_;
    }
    if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    }
    return QVariant();
}

Qt::ItemFlags LogModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void LogModel::add_column(const QString& heading) {
    heading_ = heading;
    if (has_column_) {
        emit headerDataChanged(Qt::Horizontal, 0, 0);
        return;
    }
    beginInsertColumns(QModelIndex(), 0, 0);
    has_column_ = true;
    endInsertColumns();
}

void LogModel::add_line_at_top(const QString& line) {
    const QByteArray bytes = line.toUtf8();
    if (lines_.size() == lines_.kept()) {
        // Removed as a row of its own, so selections and the current row follow their lines.
        const int oldest = rowCount() - 1;
        beginRemoveRows(QModelIndex(), oldest, oldest);
        lines_.drop_oldest();
        endRemoveRows();
    }
    beginInsertRows(QModelIndex(), 0, 0);
    lines_.append(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    endInsertRows();
}

QString LogModel::line(int row) const {
    if (row < 0 || static_cast<std::size_t>(row) >= lines_.size()) {
        return QString();
    }
    const std::string_view text = lines_.at(lines_.size() - 1 - static_cast<std::size_t>(row));
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

LogView::LogView(QWidget* parent)
    : QAbstractItemView(parent), model_(new LogModel(this)),
      header_(new QHeaderView(Qt::Horizontal, this)) {
    setModel(model_);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    header_->setModel(model_);
    header_->setSectionsClickable(false);
    header_->setSectionsMovable(false);
    header_->setHighlightSections(false);
    header_->setStretchLastSection(false);
    header_->setSectionResizeMode(QHeaderView::Interactive);
    header_->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header_->setFocusPolicy(Qt::NoFocus);
    connect(header_, &QHeaderView::sectionResized, this, [this] {
        updateGeometries();
        viewport()->update();
    });
}

void LogView::add_column(const QString& heading, int width) {
    model_->add_column(heading);
    header_->resizeSection(0, width);
    updateGeometries();
}

void LogView::add_line_at_top(const QString& line) {
    model_->add_line_at_top(line);
}

int LogView::line_count() const {
    return model_->rowCount();
}

QString LogView::line(int row) const {
    return model_->line(row);
}

int LogView::row_height() const {
    return fontMetrics().height() + ROW_PADDING;
}

int LogView::first_row() const {
    return verticalScrollBar()->value();
}

int LogView::page_rows() const {
    return std::max(1, viewport()->height() / row_height());
}

int LogView::column_width() const {
    return model_->has_column() ? header_->sectionSize(0) : 0;
}

QRect LogView::row_rect(int first, int last) const {
    const int height = row_height();
    return QRect(-horizontalOffset(), (first - first_row()) * height, column_width(),
                 (last - first + 1) * height);
}

QRect LogView::visualRect(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != model_ || index.column() != 0) {
        return QRect();
    }
    return row_rect(index.row(), index.row());
}

void LogView::scrollTo(const QModelIndex& index, ScrollHint hint) {
    if (!index.isValid() || index.model() != model_) {
        return;
    }
    const int row = index.row();
    const int page = page_rows();
    QScrollBar* bar = verticalScrollBar();
    switch (hint) {
    case EnsureVisible:
        if (row < first_row()) {
            bar->setValue(row);
        } else if (row >= first_row() + page) {
            bar->setValue(row - page + 1);
        }
        break;
    case PositionAtTop:
        bar->setValue(row);
        break;
    case PositionAtBottom:
        bar->setValue(row - page + 1);
        break;
    case PositionAtCenter:
        bar->setValue(row - page / 2);
        break;
    }
}

QModelIndex LogView::indexAt(const QPoint& point) const {
    const int x = point.x() + horizontalOffset();
    if (point.y() < 0 || x < 0 || x >= column_width()) {
        return QModelIndex();
    }
    const int row = first_row() + point.y() / row_height();
    if (row >= model_->rowCount()) {
        return QModelIndex();
    }
    return model_->index(row, 0);
}

QModelIndex LogView::moveCursor(CursorAction action, Qt::KeyboardModifiers) {
    const int rows = model_->rowCount();
    if (rows == 0 || !model_->has_column()) {
        return QModelIndex();
    }
    const QModelIndex current = currentIndex();
    int row = current.isValid() ? current.row() : -1;
    switch (action) {
    case MoveUp:
    case MovePrevious:
        row = current.isValid() ? row - 1 : 0;
        break;
    case MoveDown:
    case MoveNext:
        row += 1;
        break;
    case MovePageUp:
        row -= page_rows();
        break;
    case MovePageDown:
        row = current.isValid() ? row + page_rows() : page_rows() - 1;
        break;
    case MoveHome:
        row = 0;
        break;
    case MoveEnd:
        row = rows - 1;
        break;
    case MoveLeft:
    case MoveRight: {
        QScrollBar* bar = horizontalScrollBar();
        bar->setValue(bar->value() + (action == MoveLeft ? -1 : 1) * bar->singleStep());
        return current;
    }
    }
    return model_->index(std::clamp(row, 0, rows - 1), 0);
}

int LogView::horizontalOffset() const {
    return horizontalScrollBar()->value();
}

int LogView::verticalOffset() const {
    return first_row() * row_height();
}

bool LogView::isIndexHidden(const QModelIndex&) const {
    return false;
}

void LogView::setSelection(const QRect& drawn, QItemSelectionModel::SelectionFlags command) {
    // A selection extended upwards comes from the anchor's row to a row above it.
    const QRect rect = drawn.normalized();
    const int rows = model_->rowCount();
    const int left = rect.left() + horizontalOffset();
    const int right = rect.right() + horizontalOffset();
    int top = first_row() + floor_div(rect.top(), row_height());
    int bottom = first_row() + floor_div(rect.bottom(), row_height());
    top = std::max(top, 0);
    bottom = std::min(bottom, rows - 1);
    QItemSelection selection;
    if (top <= bottom && right >= 0 && left < column_width()) {
        selection.select(model_->index(top, 0), model_->index(bottom, 0));
    }
    selectionModel()->select(selection, command);
}

QRegion LogView::visualRegionForSelection(const QItemSelection& selection) const {
    const int first = first_row();
    const int last = first + page_rows();
    QRegion region;
    for (const QItemSelectionRange& range : selection) {
        if (!range.isValid() || range.model() != model_) {
            continue;
        }
        const int top = std::max(range.top(), first);
        const int bottom = std::min(range.bottom(), last);
        if (top <= bottom) {
            region += row_rect(top, bottom);
        }
    }
    return region;
}

void LogView::paintEvent(QPaintEvent* event) {
    if (!model_->has_column()) {
        return;
    }
    QPainter painter(viewport());
    const int height = row_height();
    const int first = first_row();
    const int last = std::min(model_->rowCount(), first + viewport()->height() / height + 1);
    const bool active = hasFocus() || isActiveWindow();
    const QPalette::ColorGroup group = active ? QPalette::Active : QPalette::Inactive;
    const QModelIndex current = currentIndex();
    const QFontMetrics metrics = fontMetrics();

    for (int row = first; row < last; ++row) {
        const QRect rect = row_rect(row, row);
        if (!event->rect().intersects(rect)) {
            continue;
        }
        const QModelIndex index = model_->index(row, 0);
        const bool selected = selectionModel()->isSelected(index);
        if (selected) {
            painter.fillRect(rect, palette().brush(group, QPalette::Highlight));
        }
        painter.setPen(
            palette().color(group, selected ? QPalette::HighlightedText : QPalette::Text));
        const QRect text_rect = rect.adjusted(TEXT_MARGIN, 0, -TEXT_MARGIN, 0);
        painter.drawText(text_rect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                         metrics.elidedText(model_->line(row), Qt::ElideRight, text_rect.width()));
        if (index == current && hasFocus()) {
            QStyleOptionFocusRect option;
            option.initFrom(this);
            option.rect = rect;
            option.backgroundColor =
                palette().color(group, selected ? QPalette::Highlight : QPalette::Base);
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
        }
    }
}

void LogView::updateGeometries() {
    if (updating_geometry_) {
        return;
    }
    updating_geometry_ = true;
    const int header_height = header_->isHidden() ? 0 : header_->sizeHint().height();
    if (header_height != header_height_) {
        header_height_ = header_height;
        setViewportMargins(0, header_height, 0, 0);
    }
    const QRect area = viewport()->geometry();
    const QRect header_area(area.left(), area.top() - header_height, area.width(), header_height);
    if (header_->geometry() != header_area) {
        header_->setGeometry(header_area);
    }

    const int page = page_rows();
    QScrollBar* vertical = verticalScrollBar();
    vertical->setSingleStep(1);
    vertical->setPageStep(page);
    vertical->setRange(0, std::max(0, model_->rowCount() - page));

    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setSingleStep(row_height());
    horizontal->setPageStep(area.width());
    horizontal->setRange(0, std::max(0, column_width() - area.width()));
    header_->setOffset(horizontal->value());

    updating_geometry_ = false;
    QAbstractItemView::updateGeometries();
}

void LogView::scrollContentsBy(int, int) {
    header_->setOffset(horizontalScrollBar()->value());
    viewport()->update();
}

void LogView::rowsInserted(const QModelIndex& parent, int start, int end) {
    QAbstractItemView::rowsInserted(parent, start, end);
    updateGeometries();
    viewport()->update();
}

QString LogView::selected_text() const {
    // By ranges rather than by index: a selection of a million lines stays cheap.
    std::vector<std::pair<int, int>> ranges;
    for (const QItemSelectionRange& range : selectionModel()->selection()) {
        if (range.isValid() && range.model() == model_) {
            ranges.emplace_back(range.top(), range.bottom());
        }
    }
    std::sort(ranges.begin(), ranges.end());
    QStringList lines;
    int next = 0; // rows before this one are taken already
    for (const auto& [top, bottom] : ranges) {
        for (int row = std::max(top, next); row <= bottom; ++row) {
            lines << model_->line(row);
        }
        next = std::max(next, bottom + 1);
    }
    return lines.join(QLatin1Char('\n'));
}

void LogView::copy_selection() const {
    if (selectionModel()->hasSelection()) {
        QGuiApplication::clipboard()->setText(selected_text());
    }
}

void LogView::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        copy_selection();
        event->accept();
        return;
    }
    QAbstractItemView::keyPressEvent(event);
}

void LogView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    QAction* copy = menu.addAction(QString::fromUtf8(COPY_MENU_TEXT));
    copy->setShortcut(QKeySequence::Copy);
    copy->setEnabled(selectionModel()->hasSelection());
    if (menu.exec(event->globalPos()) == copy) {
        copy_selection();
    }
    event->accept();
}

} // namespace nerivo
