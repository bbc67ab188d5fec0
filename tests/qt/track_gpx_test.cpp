// The track's GPX as a reader takes it: Qt's XML reader, nothing of the writer's.
#include "track_gpx.h"

#include <QDateTime>
#include <QFile>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <vector>

namespace {

using namespace nerivo;

struct GpxPoint {
    double latitude, longitude;
    std::optional<double> elevation;
    QString time;
    QStringList children;
};
struct GpxTrack {
    QString name;
    int segments = 0;
    std::vector<GpxPoint> points;
};
struct Gpx {
    QString version, creator, error;
    QStringList others; // elements these tracks have no place for
    std::vector<GpxTrack> tracks;
};

// Loose about where an element is, strict about what it is: the checks below see the rest.
Gpx read_gpx(const QByteArray& bytes) {
    Gpx gpx;
    QXmlStreamReader xml(bytes);
    const auto text_of = [&xml](const char* name) {
        return xml.attributes().value(QLatin1String(name)).toString();
    };
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) {
            continue;
        }
        const QString name = xml.namespaceUri() == u"http://www.topografix.com/GPX/1/1"
                                 ? xml.name().toString()
                                 : "foreign " + xml.name().toString();
        GpxTrack* track = gpx.tracks.empty() ? nullptr : &gpx.tracks.back();
        GpxPoint* point =
            track == nullptr || track->points.empty() ? nullptr : &track->points.back();
        if (name == u"gpx") {
            gpx.version = text_of("version");
            gpx.creator = text_of("creator");
        } else if (name == u"trk") {
            gpx.tracks.emplace_back();
        } else if (name == u"name" && track != nullptr) {
            track->name = xml.readElementText();
        } else if (name == u"trkseg" && track != nullptr) {
            ++track->segments;
        } else if (name == u"trkpt" && track != nullptr) {
            track->points.push_back(
                {text_of("lat").toDouble(), text_of("lon").toDouble(), {}, {}, {}});
        } else if (name == u"ele" && point != nullptr) {
            point->children << name;
            point->elevation = xml.readElementText().toDouble();
        } else if (name == u"time" && point != nullptr) {
            point->children << name;
            point->time = xml.readElementText();
        } else {
            gpx.others << name;
        }
    }
    gpx.error = xml.errorString();
    return gpx;
}

// What every document must be, whatever its points: GPX 1.1 with the two tracks, each in time
// order, positions where GPX allows them, and each point's elements in the schema's order.
void expect_gpx_of_both_tracks(const Gpx& gpx) {
    EXPECT_EQ(gpx.error, QString());
    EXPECT_EQ(gpx.version, u"1.1");
    EXPECT_EQ(gpx.creator, u"Nerivo");
    EXPECT_EQ(gpx.others, QStringList());
    ASSERT_EQ(gpx.tracks.size(), 2u);
    EXPECT_EQ(gpx.tracks[0].name, u"USBL fixes");
    EXPECT_EQ(gpx.tracks[1].name, u"Vehicle positions");
    for (const GpxTrack& track : gpx.tracks) {
        EXPECT_EQ(track.segments, track.points.empty() ? 0 : 1);
        QDateTime previous;
        for (const GpxPoint& point : track.points) {
            const QDateTime time = QDateTime::fromString(point.time, Qt::ISODateWithMs);
            EXPECT_TRUE(time.isValid() && (previous.isNull() || time > previous))
                << point.time.toStdString();
            previous = time;
            EXPECT_TRUE(point.latitude >= -90 && point.latitude <= 90) << point.latitude;
            EXPECT_TRUE(point.longitude >= -180 && point.longitude < 180) << point.longitude;
            EXPECT_EQ(point.children.join(' '), point.elevation ? "ele time" : "time");
        }
    }
}

TEST(TrackGpx, AReaderGetsEveryPointBackAcrossTheDateLineAndTheEquator) {
    TrackModel track;
    std::ostringstream empty;
    write_track_gpx(track, empty);
    expect_gpx_of_both_tracks(read_gpx(QByteArray::fromStdString(empty.str())));

    constexpr int64_t T0_MS = 1'700'000'000'250; // 2023-11-14T22:13:20.250Z
    track.add_usbl_fix(T0_MS, 0.00005, 179.9999);
    (void)track.add_vehicle_position(T0_MS + 500, 0.00004, 179.99995, 12.5f, 90.0f);
    track.add_usbl_fix(T0_MS + 1000, -0.00003, -179.99995);
    (void)track.add_vehicle_position(T0_MS + 1500, -0.0000123, -179.9999877, 0.0f, 91.0f);
    track.add_usbl_fix(T0_MS + 2000, 0.0, 180.0);
    (void)track.add_vehicle_position(T0_MS + 2500, -0.000045, -179.9999, NAN, 92.0f);
    std::ostringstream out;
    write_track_gpx(track, out);
    const QByteArray bytes = QByteArray::fromStdString(out.str());
    EXPECT_TRUE(bytes.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<gpx "));
    const Gpx gpx = read_gpx(bytes);
    expect_gpx_of_both_tracks(gpx);

    // The date line is written as -180 (GPX's longitudes stop short of 180); a depth that is
    // not a number has no elevation.
    const std::vector<GpxPoint> expected[] = {
        {{0.00005, 179.9999, {}, "2023-11-14T22:13:20.250Z", {}},
         {-0.00003, -179.99995, {}, "2023-11-14T22:13:21.250Z", {}},
         {0.0, -180.0, {}, "2023-11-14T22:13:22.250Z", {}}},
        {{0.00004, 179.99995, -12.5, "2023-11-14T22:13:20.750Z", {}},
         {-0.0000123, -179.9999877, 0.0, "2023-11-14T22:13:21.750Z", {}},
         {-0.000045, -179.9999, {}, "2023-11-14T22:13:22.750Z", {}}},
    };
    for (std::size_t t = 0; t < gpx.tracks.size(); ++t) {
        ASSERT_EQ(gpx.tracks[t].points.size(), expected[t].size());
        for (std::size_t i = 0; i < expected[t].size(); ++i) {
            const GpxPoint& point = gpx.tracks[t].points[i];
            EXPECT_NEAR(point.latitude, expected[t][i].latitude, 1e-7) << t << i;
            EXPECT_NEAR(point.longitude, expected[t][i].longitude, 1e-7) << t << i;
            EXPECT_EQ(point.elevation, expected[t][i].elevation) << t << i;
            EXPECT_EQ(point.time, expected[t][i].time) << t << i;
        }
    }
}

// Written from the track of a real station run against the simulator.
TEST(TrackGpx, TheSimulatorRunsFileReadsAsGpxWithTheVehicleUnderWater) {
    QFile file(QStringLiteral(NERIVO_TRACK_GPX_SAMPLE));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const Gpx gpx = read_gpx(file.readAll());
    expect_gpx_of_both_tracks(gpx);
    ASSERT_EQ(gpx.tracks.size(), 2u);
    EXPECT_GE(gpx.tracks[0].points.size(), 100u);
    EXPECT_GE(gpx.tracks[1].points.size(), 100u);
    for (const GpxPoint& point : gpx.tracks[1].points) {
        EXPECT_LE(point.elevation.value_or(1.0), 0.0) << point.time.toStdString();
    }
}

} // namespace
