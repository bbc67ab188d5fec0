// The window started with a log folder: what its logs show is what the files hold.
#include "com_dir.h"
#include "pty_pair.h"
#include "station_helpers.h"
#include "temp_folder.h"

#include <QStringList>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

using namespace nerivo;
using namespace nerivo::testing;

const std::string SENTENCE = "$NVPOS,093005.25,4542.3456,S,00330.0000,W,25.0,221.7,264.3,1.09,"
                             "0.36,12.5\r\n";

// A started station that writes its logs to `log_dir` as well.
struct LoggingWindow : StartedStation {
    explicit LoggingWindow(const std::string& log_dir)
        : StartedStation(StationOptions{log_dir, {}}) {}
    void click(int id) { QTest::mouseClick(window().control(id), Qt::LeftButton); }
};

// A log's lines oldest first, as a file lists them.
QStringList oldest_first(const LogView& log) {
    QStringList lines;
    for (int row = log.line_count() - 1; row >= 0; --row) {
        lines << log.line(row);
    }
    return lines;
}

// A file's lines, each split into its date and the rest.
struct FileLines {
    QStringList dates;
    QStringList lines;
};
FileLines lines_of(const std::string& path) {
    FileLines result;
    const QString text = QString::fromStdString(read_text(path));
    for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        result.dates << line.left(25);
        result.lines << line.mid(26);
    }
    return result;
}

TEST(WindowLogFiles, TheFilesHoldTheLinesOnScreenEachWithItsDate) {
    TempFolder folder;
    ComDir com;
    PtyPair usbl;
    PtyPair vehicle;
    com.map(1, usbl.device_path());
    com.map(5, vehicle.device_path());
    LoggingWindow s(folder.path());
    s.clock.advance_seconds(2);
    s.click(IDC_WINFROG_BUTTON);
    s.click(IDC_AUV_BUTTON);
    s.window().set_field_text(IDC_XMIT_PERIOD, QStringLiteral("0"));
    s.click(IDC_XMIT_BUTTON);
    ASSERT_TRUE(usbl.write(SENTENCE));
    ASSERT_TRUE(usbl.wait_pending_at_device(SENTENCE.size()));
    s.clock.advance_seconds(60);
    s.window().on_tick();
    s.click(IDC_REQUEST_STATUS);

    const FileLines status = lines_of(folder.path() + "/nerivo-2023-01-01T09-05-07-status.log");
    EXPECT_EQ(status.lines, oldest_first(*s.window().status_log()));
    EXPECT_EQ(status.lines.size(), 5);
    EXPECT_EQ(status.dates, (QStringList{"2023-01-01T09:05:07+00:00", "2023-01-01T09:05:09+00:00",
                                         "2023-01-01T09:05:09+00:00", "2023-01-01T09:05:09+00:00",
                                         "2023-01-01T09:06:09+00:00"}));
    const FileLines nav = lines_of(folder.path() + "/nerivo-2023-01-01T09-05-07-nav.log");
    EXPECT_EQ(nav.lines, oldest_first(*s.window().nav_log()));
    EXPECT_EQ(nav.lines.size(), 1);
    EXPECT_EQ(nav.dates, QStringList{"2023-01-01T09:06:09+00:00"});
}

TEST(WindowLogFiles, AFolderThatCannotBeMadeIsToldRightAfterTheStartLine) {
    TempFolder folder;
    write_text(folder.path() + "/notes.txt", "");
    const std::string unusable = folder.path() + "/notes.txt/logs";
    LoggingWindow s(unusable);
    EXPECT_EQ(oldest_first(*s.window().status_log()),
              (QStringList{"[000 09:05:07] Nerivo Started...ready",
                           QString::fromStdString("[000 09:05:07] Cannot write log files in " +
                                                  unusable + ": Not a directory")}));
}

// The working folder and HOME are `folder` while the object lives.
class ScopedHome {
public:
    explicit ScopedHome(const std::string& folder) : before_(std::filesystem::current_path()) {
        if (const char* home = std::getenv("HOME")) {
            home_ = home;
        }
        setenv("HOME", folder.c_str(), 1);
        std::filesystem::current_path(folder);
    }
    ~ScopedHome() {
        std::filesystem::current_path(before_);
        setenv("HOME", home_.c_str(), 1);
    }

private:
    std::filesystem::path before_;
    std::string home_;
};

TEST(WindowLogFiles, WithoutALogFolderNothingIsWritten) {
    TempFolder folder;
    {
        const ScopedHome home(folder.path());
        LoggingWindow s("");
        s.click(IDC_XMIT_BUTTON);
        s.click(IDC_REQUEST_STATUS);
        s.window().on_tick();
        s.parts.reset();
        EXPECT_EQ(folder.names(), std::vector<std::string>{});
    }
}

} // namespace
