// Failures of the log files that only POSIX systems let a test bring about.
#include "log_files_helpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <sys/resource.h>

namespace {

using namespace nerivo::testing;
using Lines = std::vector<std::string>;

// Files may grow to `bytes` only, while the object lives: writes past it fail with EFBIG, as
// they would on a full disk with ENOSPC.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previous_handler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved_;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_handler_);
    }

private:
    rlimit saved_{};
    void (*previous_handler_)(int) = nullptr;
};

TEST(LogFilesOnPosix, AFileThatFailsLaterIsToldOnceAndTheLogsGoOnOnScreen) {
    TempFolder folder;
    const std::string status_file = folder.path() + "/nerivo-2023-01-01T09-05-07-status.log";
    Lines shown;
    {
        const FileSizeLimit limit(200);
        LoggingStation s(folder.path());
        for (int i = 1; i <= 6; ++i) {
            s.clock.advance_seconds(1);
            s.station.add_status_message("Requesting status from AUV");
            s.station.add_nav_line("Nav: " + std::to_string(i));
        }
        shown = s.view.status_messages();
        EXPECT_EQ(s.view.nav_lines().size(), 6u);
    }
    const std::string told = "Cannot write log file " + status_file + ": " + std::strerror(EFBIG);
    // The start line, six messages and one report, right after the line that did not fit:
    // three lines make 200 bytes, the fourth is the one.
    ASSERT_EQ(shown.size(), 8u);
    EXPECT_EQ(std::count(shown.begin(), shown.end(), told), 1);
    EXPECT_EQ(shown[3], told);
    EXPECT_EQ(shown[4], "Requesting status from AUV");

    // What was written before stays.
    EXPECT_EQ(read_text(status_file),
              "2023-01-01T09:05:07+00:00 [000 09:05:07] Nerivo Started...ready\n"
              "2023-01-01T09:05:08+00:00 [000 09:05:08] Requesting status from AUV\n"
              "2023-01-01T09:05:09+00:00 [000 09:05:09] Requesting status from AUV\n");
}

// A name the run would take, already held by anything: it is never written through, and the
// run takes the next name for all its files.
TEST(LogFilesOnPosix, ANameAlreadyHeldByAnythingIsLeftAloneAndTheRunTakesTheNext) {
    const std::string kinds[] = {"file", "link", "dangling link", "folder"};
    const std::string run = "/nerivo-2023-01-01T09-05-07";
    for (const char* held : {"-status.log", "-nav.log", "-track.csv"}) {
        for (const std::string& kind : kinds) {
            SCOPED_TRACE(held + (" held by a " + kind));
            TempFolder folder, elsewhere;
            const std::string name = folder.path() + run + held;
            const std::string target = elsewhere.path() + "/target";
            if (kind == "file" || kind == "link") {
                write_text(kind == "file" ? name : target, "someone's notes\n");
            }
            if (kind == "folder") {
                std::filesystem::create_directory(name);
            } else if (kind != "file") {
                std::filesystem::create_symlink(target, name);
            }
            LoggingStation(folder.path()).station.add_nav_line("Nav: 50 30.0901 N  1 45.1623 W");

            EXPECT_EQ(folder.names(),
                      (Lines{run.substr(1) + held, run.substr(1) + ".01-nav.log",
                             run.substr(1) + ".01-status.log", run.substr(1) + ".01-track.csv"}));
            EXPECT_EQ(read_text(folder.path() + run + ".01-status.log"),
                      "2023-01-01T09:05:07+00:00 [000 09:05:07] Nerivo Started...ready\n");
            EXPECT_EQ(read_text(folder.path() + run + ".01-nav.log"),
                      "2023-01-01T09:05:07+00:00 Nav: 50 30.0901 N  1 45.1623 W\n");
            // Read through the name: the file's, or the link's target's, bytes as they were.
            EXPECT_EQ(read_text(name), kind == "file" || kind == "link" ? "someone's notes\n" : "");
            EXPECT_EQ(elsewhere.names(), kind == "link" ? Lines{"target"} : Lines{});
        }
    }
}

} // namespace
