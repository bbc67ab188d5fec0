#include "modal_answer.h"
#include "station_helpers.h"
#include "temp_folder.h"
#include "track_window.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <QWheelEvent>
#include <QtTest/QTest>
#include <gtest/gtest.h>

namespace {

using namespace nerivo;

// Wide enough that a zoom in keeps both latest points on the plan.
constexpr int WIDTH = 400;
constexpr int HEIGHT = 500;

// Two USBL fixes heading east along the grid's x axis, the vehicle 50 m north of each.
TrackModel two_point_track() {
    TrackModel track;
    track.add_usbl_fix(0, 50.5, -1.75);
    const auto add = [&track](bool usbl, int64_t time_ms, GridPoint at) {
        const GeoPosition position = track.to_position(at);
        if (usbl) {
            track.add_usbl_fix(time_ms, position.latitude, position.longitude);
        } else {
            (void)track.add_vehicle_position(time_ms, position.latitude, position.longitude, 10,
                                             90);
        }
    };
    add(false, 0, {0, 50});
    add(true, 1000, {100, 0});
    add(false, 1000, {100, 50});
    return track;
}

// Colours as "#rrggbb", which a failure prints readably.
std::string colour(uint32_t rgb) {
    return QColor(static_cast<QRgb>(rgb)).name().toStdString();
}

std::string at(const QImage& image, PlotPoint point) {
    return image.pixelColor(static_cast<int>(point.x), static_cast<int>(point.y))
        .name()
        .toStdString();
}

QImage picture_of(TrackWindow& window) {
    return window.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

struct ShownWindow {
    explicit ShownWindow(const TrackModel& track) : window(track) {
        window.resize(WIDTH, HEIGHT);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    QImage on_screen() { return nerivo::testing::on_screen(window); }
    TrackWindow window;
};

// Where the plot puts both latest points, their marks are in the track colours.
void expect_marks_where(const QImage& image, const TrackScene& scene, const char* row) {
    ASSERT_TRUE(scene.usbl_latest && scene.vehicle_latest) << row;
    EXPECT_EQ(at(image, *scene.usbl_latest), colour(USBL_TRACK_COLOUR)) << row;
    EXPECT_EQ(at(image, *scene.vehicle_latest), colour(VEHICLE_TRACK_COLOUR)) << row;
}

TEST(TrackWindow, PaintsTheLatestPointsInTheTrackColoursWhereThePlotPutsThem) {
    const TrackModel track = two_point_track();
    TrackWindow window(track);
    window.resize(WIDTH, HEIGHT);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Track plot - Nerivo"));

    TrackPlot plot;
    const TrackScene scene = plot.scene(track, WIDTH, HEIGHT, 1.0);
    const QImage image = picture_of(window);
    ASSERT_EQ(image.size(), QSize(WIDTH, HEIGHT));
    expect_marks_where(image, scene, "fitted");
    // 50 m apart: two marks, not one blot whose top happens to be the other colour.
    EXPECT_GT(scene.usbl_latest->y - scene.vehicle_latest->y, 100);
    EXPECT_EQ(at(image, {1, 1}), colour(PLOT_BACKGROUND));
}

void wheel(QWidget& window, int delta) {
    const QPointF centre(window.width() / 2.0, window.height() / 2.0);
    QWheelEvent event(centre, window.mapToGlobal(centre), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&window, &event);
}

TEST(TrackWindow, KeysAndTheWheelZoomAsThePlotDoes) {
    struct Row {
        const char* name;
        Qt::Key key; // or the wheel
        Qt::KeyboardModifier modifier;
        int wheel;
        int plot_wheel; // the same zoom, as the plot's wheel: a step is two notches
    };
    const Row rows[] = {
        {"+", Qt::Key_Plus, Qt::NoModifier, 0, 240},
        {"=", Qt::Key_Equal, Qt::NoModifier, 0, 240},
        {"keypad +", Qt::Key_Plus, Qt::KeypadModifier, 0, 240},
        {"-", Qt::Key_Minus, Qt::NoModifier, 0, -240},
        {"wheel a notch away", Qt::Key_unknown, Qt::NoModifier, 120, 120},
        {"wheel two notches back", Qt::Key_unknown, Qt::NoModifier, -240, -240},
    };
    const TrackModel track = two_point_track();
    for (const Row& row : rows) {
        ShownWindow shown(track);
        const QImage fitted = shown.on_screen();
        TrackPlot plot;
        (void)plot.scene(track, WIDTH, HEIGHT, 1.0);
        plot.zoom_by_wheel(row.plot_wheel);
        const TrackScene expected = plot.scene(track, WIDTH, HEIGHT, 1.0);

        if (row.wheel != 0) {
            wheel(shown.window, row.wheel);
        } else {
            QTest::keyClick(&shown.window, row.key, row.modifier);
        }
        const QImage zoomed = shown.on_screen();
        expect_marks_where(zoomed, expected, row.name);
        EXPECT_TRUE(zoomed != fitted) << row.name;

        // Home gives back the picture fitted to both tracks.
        QTest::keyClick(&shown.window, Qt::Key_Home);
        EXPECT_TRUE(shown.on_screen() == fitted) << row.name;
    }
}

// Answers, with Return, each message box that opens while it lives; keeps what the last said.
struct BoxWatch {
    BoxWatch() {
        timer.callOnTimeout([this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box != nullptr && box->isVisible()) {
                text = box->text();
                QTest::keyClick(box, Qt::Key_Return);
            }
        });
        timer.start(5);
    }
    QTimer timer;
    QString text;
};

// Ctrl+S, the file dialog answered with `path`: what a box said afterwards, if one opened.
QString save_as(TrackWindow& window, const QString& path) {
    const BoxWatch boxes;
    const auto dialog = nerivo::testing::answer_next_modal(Qt::Key_Return, [&](QWidget* modal) {
        modal->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
    });
    QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(dialog->answered);
    EXPECT_EQ(dialog->title, QStringLiteral("Save track as GPX"));
    return boxes.text;
}

TEST(TrackWindow, CtrlSSavesTheTrackAsGpxOrSaysWhyNot) {
    const TrackModel track = two_point_track();
    ShownWindow shown(track);
    const nerivo::testing::TempFolder folder;
    const QString folder_path = QString::fromStdString(folder.path());

    const QString nowhere = folder_path + QStringLiteral("/missing/survey.gpx");
    const QString failed = save_as(shown.window, nowhere);
    EXPECT_TRUE(failed.startsWith(QStringLiteral("The track was not saved: ")))
        << failed.toStdString();
    EXPECT_GT(failed.size(), QStringLiteral("The track was not saved: ").size());
    EXPECT_FALSE(QFile::exists(nowhere));

    // A name typed without the extension gets it.
    EXPECT_EQ(save_as(shown.window, folder_path + QStringLiteral("/survey")), QString());
    QFile file(folder_path + QStringLiteral("/survey.gpx"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("<gpx"));
}

} // namespace
