// Failures of the log files that only POSIX systems let a test bring about.
#include "log_files_helpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
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

} // namespace
