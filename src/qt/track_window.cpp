#include "track_window.h"

#include "track_gpx_file.h"
#include "window_ids.h"

#include <QDir>
#include <QFileDialog>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QList>
#include <QMessageBox>
#include <QPainter>
#include <QPointF>
#include <QWheelEvent>

#include <filesystem>

namespace nerivo {
namespace {

constexpr int DEFAULT_WIDTH = 640;
constexpr int DEFAULT_HEIGHT = 480;

QColor colour_of(uint32_t rgb) {
    return QColor(static_cast<QRgb>(rgb));
}

} // namespace

TrackWindow::TrackWindow(const TrackModel& track, QWidget* parent)
    : QWidget(parent, Qt::Window), track_(track) {
    setWindowTitle(QString::fromUtf8(TRACK_WINDOW_TITLE));
    // Painted whole on every paint: nothing underneath to show.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::WheelFocus);
    resize(DEFAULT_WIDTH, DEFAULT_HEIGHT);
}

void TrackWindow::follow_track() {
    if (isVisible() && plot_.behind(track_)) {
        update();
    }
}

void TrackWindow::paintEvent(QPaintEvent*) {
    // Widget coordinates are already independent of the device's pixel ratio: only the
    // logical dpi scales the plot's text and margins.
    const TrackScene scene = plot_.scene(track_, width(), height(), logicalDpiX() / 96.0);
    QPainter painter(this);
    paint_scene(painter, scene);
}

void TrackWindow::paint_scene(QPainter& painter, const TrackScene& scene) {
    painter.fillRect(rect(), colour_of(PLOT_BACKGROUND));

    QList<QPointF> points;
    for (const PlotStroke& stroke : scene.strokes) {
        if (stroke.points.size() < 2) {
            continue;
        }
        points.clear();
        points.reserve(static_cast<qsizetype>(stroke.points.size()));
        for (const PlotPoint& point : stroke.points) {
            points.append(QPointF(point.x, point.y));
        }
        QPen pen(colour_of(stroke.colour), stroke.width,
                 stroke.dashed ? Qt::DashLine : Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        // A pixel-wide line smoothed costs a day's track a tenth of a paint and shows nothing
        // more; wider lines are few.
        pen.setCosmetic(stroke.width <= 1);
        painter.setRenderHint(QPainter::Antialiasing, stroke.width > 1);
        painter.setPen(pen);
        painter.drawPolyline(points.constData(), static_cast<int>(points.size()));
    }

    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    for (const PlotMark& mark : scene.marks) {
        painter.setBrush(colour_of(mark.colour));
        painter.drawEllipse(QPointF(mark.centre.x, mark.centre.y), mark.radius, mark.radius);
    }

    painter.setFont(text_font(scene.text_height));
    const QFontMetricsF metrics(painter.font());
    // The font's line sits in the middle of the plot's line.
    const double baseline = (scene.text_height - metrics.height()) / 2 + metrics.ascent();
    for (const PlotText& text : scene.texts) {
        const QString line = QString::fromStdString(text.text);
        double x = text.at.x;
        if (text.align == PlotText::Align::CENTRE) {
            x -= metrics.horizontalAdvance(line) / 2;
        } else if (text.align == PlotText::Align::RIGHT) {
            x -= metrics.horizontalAdvance(line);
        }
        painter.setPen(colour_of(text.colour));
        painter.drawText(QPointF(x, text.at.y + baseline), line);
    }
}

const QFont& TrackWindow::text_font(float height) {
    if (height == text_font_height_) {
        return text_font_;
    }
    text_font_height_ = height;
    text_font_ = font();
    int size = std::max(1, static_cast<int>(height));
    for (;; --size) {
        text_font_.setPixelSize(size);
        if (size == 1 || QFontMetricsF(text_font_).height() <= height) {
            break;
        }
    }
    return text_font_;
}

void TrackWindow::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Save)) {
        save_track();
        return;
    }
    switch (event->key()) {
    case Qt::Key_Plus: // the keypad's too
    case Qt::Key_Equal:
        plot_.zoom_in();
        break;
    case Qt::Key_Minus:
        plot_.zoom_out();
        break;
    case Qt::Key_Home:
        plot_.fit();
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    update();
}

void TrackWindow::wheelEvent(QWheelEvent* event) {
    const int delta = event->angleDelta().y();
    if (delta == 0) {
        event->ignore();
        return;
    }
    plot_.zoom_by_wheel(delta);
    update();
}

void TrackWindow::save_track() {
    if (save_path_.isEmpty()) {
        save_path_ = QDir::current().filePath(QString::fromUtf8(TRACK_SAVE_FIRST_NAME));
    }
    // A dialog of our own rather than the static call: a name typed without ".gpx" gets it,
    // and the overwrite question is asked about the name actually written.
    QFileDialog dialog(this, QString::fromUtf8(TRACK_SAVE_TITLE), save_path_,
                       QString::fromUtf8(FILE_FILTER));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("gpx"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return;
    }
    const QString path = dialog.selectedFiles().constFirst();
    const std::string problem =
        save_track_gpx(track_, std::filesystem::path(path.toStdU16String()));
    if (!problem.empty()) {
        QMessageBox::warning(this, windowTitle(),
                             QString::fromUtf8(TRACK_NOT_SAVED) + QString::fromStdString(problem));
        return;
    }
    save_path_ = path;
}

} // namespace nerivo
