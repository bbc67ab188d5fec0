#include "pty_link.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

using nerivo::sim::locks_name_file;
using nerivo::sim::PtyLink;
namespace fs = std::filesystem;

class PtyLinkTest : public ::testing::Test {
protected:
    fs::path dir;
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "nerivo-sim-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override { fs::remove_all(dir); }

    // The station's way in: open, lock, exclusive use.
    static int open_like_station(const std::string& path) {
        const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd >= 0) {
            EXPECT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
            EXPECT_EQ(ioctl(fd, TIOCEXCL), 0);
        }
        return fd;
    }

    static int waiting(int fd) {
        int n = 0;
        ioctl(fd, FIONREAD, &n);
        return n;
    }
};

TEST_F(PtyLinkTest, PublishesTheDeviceAndRemovesTheLinkWhenClosed) {
    const std::string link = (dir / "com1").string();
    {
        PtyLink pty;
        std::string error;
        ASSERT_TRUE(pty.open(link, error)) << error;
        EXPECT_EQ(fs::read_symlink(link).string(), pty.device_path());
        EXPECT_EQ(pty.link_path(), link);
        EXPECT_TRUE(fs::exists(pty.device_path()));
        // Raw: a carriage return and a zero go through untouched.
        const int fd = ::open(link.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(pty.master_fd(), "a\r\0b", 4), 4);
        pollfd p{fd, POLLIN, 0};
        ASSERT_EQ(::poll(&p, 1, 1000), 1);
        char got[8] = {};
        EXPECT_EQ(::read(fd, got, sizeof got), 4);
        EXPECT_EQ(std::string(got, 4), std::string("a\r\0b", 4));
        // The station closing its end does not hang up the line.
        ::close(fd);
        pollfd m{pty.master_fd(), POLLIN, 0};
        EXPECT_EQ(::poll(&m, 1, 0), 0);
    }
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
}

TEST_F(PtyLinkTest, ReplacesOnlyALinkThatPointsNowhere) {
    const std::string stale = (dir / "com1").string();
    fs::create_symlink("/dev/pts/no-such-device", stale);
    PtyLink pty;
    std::string error;
    ASSERT_TRUE(pty.open(stale, error)) << error;
    EXPECT_EQ(fs::read_symlink(stale).string(), pty.device_path());

    const std::string mapped = (dir / "com5").string();
    fs::create_symlink("/dev/null", mapped);
    PtyLink other;
    EXPECT_FALSE(other.open(mapped, error));
    EXPECT_NE(error.find("already exists"), std::string::npos) << error;
    EXPECT_EQ(fs::read_symlink(mapped).string(), "/dev/null");
    EXPECT_EQ(other.master_fd(), -1);
}

TEST_F(PtyLinkTest, LeavesAloneALinkSomeoneElseReplaced) {
    const std::string link = (dir / "com1").string();
    {
        PtyLink pty;
        std::string error;
        ASSERT_TRUE(pty.open(link, error)) << error;
        fs::remove(link);
        fs::create_symlink("/dev/null", link);
    }
    EXPECT_EQ(fs::read_symlink(link).string(), "/dev/null");
}

TEST_F(PtyLinkTest, DropsUnreadBytesOnlyWhileNobodyHoldsTheDevice) {
    PtyLink pty;
    std::string error;
    ASSERT_TRUE(pty.open((dir / "com1").string(), error)) << error;
    const int reader = ::open(pty.device_path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    const auto wait_for = [&](int count) {
        for (int i = 0; i < 200 && waiting(reader) != count; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return waiting(reader);
    };
    ASSERT_EQ(::write(pty.master_fd(), "stale", 5), 5);
    ASSERT_EQ(wait_for(5), 5);
    EXPECT_FALSE(pty.device_held());
    EXPECT_TRUE(pty.tidy());
    EXPECT_EQ(waiting(reader), 0);

    const int station = open_like_station(pty.device_path());
    ASSERT_GE(station, 0);
    EXPECT_TRUE(pty.device_held());
    ASSERT_EQ(::write(pty.master_fd(), "fresh", 5), 5);
    ASSERT_EQ(wait_for(5), 5);
    EXPECT_FALSE(pty.tidy());
    EXPECT_EQ(waiting(station), 5);
    ::close(station);
    ::close(reader);
}

TEST_F(PtyLinkTest, ClearsTheExclusiveFlagOfAStationThatDied) {
    PtyLink pty;
    std::string error;
    ASSERT_TRUE(pty.open((dir / "com5").string(), error)) << error;
    const int station = open_like_station(pty.device_path());
    ASSERT_GE(station, 0);
    const int probe = ::open(pty.device_path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(probe, 0);
    int exclusive = 0;
    ASSERT_EQ(ioctl(probe, TIOCGEXCL, &exclusive), 0);
    EXPECT_NE(exclusive, 0);
    pty.tidy();
    ASSERT_EQ(ioctl(probe, TIOCGEXCL, &exclusive), 0);
    EXPECT_NE(exclusive, 0) << "a live station keeps its flag";
    ::close(station); // died: no TIOCNXCL, and our own descriptor keeps the line open
    ASSERT_EQ(ioctl(probe, TIOCGEXCL, &exclusive), 0);
    EXPECT_NE(exclusive, 0);
    pty.tidy();
    ASSERT_EQ(ioctl(probe, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0);
    ::close(probe);
}

TEST(LockTable, FindsALockOnTheFileByDeviceAndInode) {
    const std::string table = "1: FLOCK  ADVISORY  WRITE 8311 00:1a:3 0 EOF\n"
                              "2: POSIX  ADVISORY  READ 77 fd:01:1234 0 EOF\n"
                              "3: -> FLOCK  ADVISORY  WRITE 99 00:1a:7 0 EOF\n";
    EXPECT_TRUE(locks_name_file(table, 0, 0x1a, 3));
    EXPECT_TRUE(locks_name_file(table, 0xfd, 1, 1234));
    EXPECT_TRUE(locks_name_file(table, 0, 0x1a, 7));
    EXPECT_FALSE(locks_name_file(table, 0, 0x1a, 4));
    EXPECT_FALSE(locks_name_file(table, 0, 0x1b, 3));
    EXPECT_FALSE(locks_name_file("", 0, 0x1a, 3));
}

} // namespace
