#include "serial_port.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <ostream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "com_dir.h"
#include "pty_pair.h"

namespace {

using nerivo::testing::ComDir;
using nerivo::testing::PtyPair;
using Clock = std::chrono::steady_clock;

constexpr int32_t COM = 3;

long elapsed_ms(Clock::time_point since) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

std::size_t open_descriptor_count() {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator("/proc/self/fd")) {
        ++count;
    }
    return count;
}

std::vector<uint8_t> pattern(std::size_t size, uint8_t first) {
    std::vector<uint8_t> bytes(size);
    std::iota(bytes.begin(), bytes.end(), first);
    return bytes;
}

termios line_settings(int fd) {
    termios tio{};
    EXPECT_EQ(tcgetattr(fd, &tio), 0);
    return tio;
}

bool held_exclusively(int fd) {
    int exclusive = 0;
    return ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0;
}

// Gives the line a terminal's cooked settings, so that a port which skipped raw mode would
// echo, strip, translate or swallow bytes in the tests below.
void make_cooked(int fd) {
    termios tio = line_settings(fd);
    tio.c_iflag |= ICRNL | IXON | IXOFF | ISTRIP | BRKINT;
    tio.c_oflag |= OPOST | ONLCR;
    tio.c_lflag |= ICANON | ECHO | ECHOE | ISIG | IEXTEN;
    ASSERT_EQ(tcsetattr(fd, TCSANOW, &tio), 0);
}

class SerialPortTest : public ::testing::Test {
protected:
    SerialPortTest() { com_dir.map(COM, pty.device_path()); }

    bool open_default() {
        return port.open(COM, 9600, SerialPort::PARITY_NONE, 8, SerialPort::STOP_BITS_ONE);
    }

    // Reads through the port until `count` bytes came or the peer's bytes stopped arriving.
    std::vector<uint8_t> read_from_port(std::size_t count) {
        std::vector<uint8_t> out;
        while (out.size() < count && pty.wait_pending_at_device(1)) {
            uint8_t buffer[512];
            const int32_t n = port.read(buffer, static_cast<int32_t>(sizeof buffer));
            if (n <= 0) {
                break;
            }
            out.insert(out.end(), buffer, buffer + n);
        }
        return out;
    }

    PtyPair pty;
    ComDir com_dir;
    SerialPort port;
};

TEST_F(SerialPortTest, OpensByComNumberThroughComDir) {
    ASSERT_TRUE(open_default());
    EXPECT_TRUE(port.is_open());
    ASSERT_TRUE(pty.write(pattern(13, '0')));
    EXPECT_EQ(read_from_port(13), pattern(13, '0'));
}

TEST_F(SerialPortTest, FailedOpenLeavesPortClosedAndInert) {
    std::ofstream(com_dir.path() + "/plain") << "not a device";
    com_dir.map(5, com_dir.path() + "/missing");
    com_dir.map(6, com_dir.path() + "/plain");
    com_dir.map(7, "/dev/null");
    ASSERT_TRUE(pty.write("waiting"));
    const uint8_t record[4] = {1, 2, 3, 4};

    // 0 and -1 name no port, 4 is not mapped, 5 maps to nothing, 6 and 7 are not serial lines.
    struct Case {
        int32_t number;
        const char* reason;
    };
    for (const Case c :
         {Case{0, "No such device"}, Case{-1, "No such device"},
          Case{4, "No such file or directory"}, Case{5, "No such file or directory"},
          Case{6, "Inappropriate ioctl for device"}, Case{7, "Inappropriate ioctl for device"}}) {
        const int32_t number = c.number;
        SCOPED_TRACE("COM " + std::to_string(number));
        const std::size_t descriptors = open_descriptor_count();
        EXPECT_FALSE(
            port.open(number, 9600, SerialPort::PARITY_NONE, 8, SerialPort::STOP_BITS_ONE));
        EXPECT_EQ(port.last_error().kind, nerivo::SerialError::DEVICE_NOT_FOUND);
        EXPECT_EQ(port.last_error().text, c.reason);
        EXPECT_EQ(open_descriptor_count(), descriptors);
        EXPECT_FALSE(port.is_open());
        EXPECT_FALSE(port.write_byte(0x55));
        EXPECT_EQ(port.send(record, 4), 0);
        EXPECT_EQ(port.bytes_waiting(), 0u);
        uint8_t buffer[16];
        EXPECT_EQ(port.read(buffer, 16), 0);
        EXPECT_TRUE(port.close());
    }
    // The plain file was let go again: nothing holds its lock.
    const int fd = ::open((com_dir.path() + "/plain").c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
    ::close(fd);

    // The same port opens once the number is a real line.
    ASSERT_TRUE(open_default());
    EXPECT_TRUE(pty.wait_pending_at_device(7));
    EXPECT_EQ(port.bytes_waiting(), 7u);
}

TEST_F(SerialPortTest, SecondOpenSucceedsAndKeepsFirstSettings) {
    ASSERT_TRUE(open_default());
    EXPECT_TRUE(port.open(COM, 19200, SerialPort::PARITY_EVEN, 7, SerialPort::STOP_BITS_TWO));
    EXPECT_TRUE(port.is_open());
    const termios tio = line_settings(pty.slave_fd());
    EXPECT_EQ(cfgetospeed(&tio), B9600);
    EXPECT_EQ(tio.c_cflag & CSIZE, tcflag_t{CS8});
    EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB), tcflag_t{0});
}

TEST_F(SerialPortTest, RefusesOtherOpenersUntilClosed) {
    const std::size_t descriptors = open_descriptor_count();
    ASSERT_TRUE(open_default());
    EXPECT_TRUE(held_exclusively(pty.slave_fd()));

    // TIOCEXCL refuses the open itself, except to root; the lock refuses root as well.
    const int other = ::open(pty.device_path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (other >= 0) {
        const int locked = flock(other, LOCK_EX | LOCK_NB);
        const int error = errno;
        EXPECT_NE(locked, 0);
        EXPECT_EQ(error, EWOULDBLOCK);
        ::close(other);
    } else {
        EXPECT_EQ(errno, EBUSY);
    }
    SerialPort second;
    EXPECT_FALSE(second.open(COM, 9600, SerialPort::PARITY_NONE, 8, SerialPort::STOP_BITS_ONE));
    EXPECT_EQ(second.last_error().kind, nerivo::SerialError::IN_USE);
    EXPECT_EQ(second.last_error().text, "Device or resource busy");

    EXPECT_TRUE(port.close());
    EXPECT_FALSE(port.is_open());
    EXPECT_FALSE(held_exclusively(pty.slave_fd()));
    EXPECT_EQ(open_descriptor_count(), descriptors);
    const int after = ::open(pty.device_path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(after, 0);
    EXPECT_EQ(flock(after, LOCK_EX | LOCK_NB), 0);
    ::close(after);

    {
        SerialPort scoped;
        ASSERT_TRUE(scoped.open(COM, 9600, SerialPort::PARITY_NONE, 8, SerialPort::STOP_BITS_ONE));
        EXPECT_FALSE(port.open(COM, 9600, SerialPort::PARITY_NONE, 8, SerialPort::STOP_BITS_ONE));
    }
    // The destructor let go of it.
    EXPECT_TRUE(open_default());
    EXPECT_TRUE(held_exclusively(pty.slave_fd()));
}

TEST_F(SerialPortTest, ReadTakesNoMoreThanLimitOrWhatIsWaiting) {
    ASSERT_TRUE(open_default());
    uint8_t buffer[256];
    const uint8_t untouched = 0xEE;

    const std::vector<uint8_t> sent = pattern(150, 0);
    ASSERT_TRUE(pty.write(sent));
    ASSERT_TRUE(pty.wait_pending_at_device(150));
    EXPECT_EQ(port.read(buffer, 0), 0);
    EXPECT_EQ(port.read(buffer, -1), 0);
    std::fill(std::begin(buffer), std::end(buffer), untouched);
    ASSERT_EQ(port.read(buffer, 100), 100);
    EXPECT_TRUE(std::equal(buffer, buffer + 100, sent.begin()));
    EXPECT_EQ(buffer[100], untouched);
    EXPECT_EQ(port.bytes_waiting(), 50u);
    ASSERT_EQ(port.read(buffer, 100), 50);
    EXPECT_TRUE(std::equal(buffer, buffer + 50, sent.begin() + 100));

    ASSERT_TRUE(pty.write(pattern(40, 7)));
    ASSERT_TRUE(pty.wait_pending_at_device(40));
    EXPECT_EQ(port.bytes_waiting(), 40u);
    EXPECT_EQ(port.read(buffer, 100), 40);
    EXPECT_EQ(buffer[39], 7 + 39);

    const auto start = Clock::now();
    EXPECT_EQ(port.bytes_waiting(), 0u);
    EXPECT_EQ(port.read(buffer, 100), 0);
    EXPECT_LT(elapsed_ms(start), 50);
}

TEST_F(SerialPortTest, PassesEveryByteValueUnchangedBothWays) {
    make_cooked(pty.slave_fd());
    ASSERT_TRUE(open_default());
    const std::vector<uint8_t> all = pattern(256, 0);

    ASSERT_TRUE(pty.write(all));
    EXPECT_EQ(read_from_port(all.size()), all);

    EXPECT_EQ(port.send(all.data(), static_cast<int32_t>(all.size())), 256);
    // No echo of the peer's bytes, no CR/LF translation on the way out.
    EXPECT_EQ(pty.read(all.size()), all);
    EXPECT_TRUE(pty.drain().empty());
}

TEST_F(SerialPortTest, SendCountsOnlyBytesTheDeviceTook) {
    const std::vector<uint8_t> record = pattern(33, 0xA0);
    EXPECT_EQ(port.send(record.data(), 33), 0);
    EXPECT_FALSE(port.write_byte(0x55));

    ASSERT_TRUE(open_default());
    EXPECT_EQ(port.send(record.data(), 0), 0);
    EXPECT_EQ(port.send(record.data(), -33), 0);
    EXPECT_EQ(port.send(nullptr, 33), 0);
    EXPECT_TRUE(pty.drain().empty());

    EXPECT_EQ(port.send(record.data(), 33), 33);
    EXPECT_EQ(pty.read(33), record);

    EXPECT_TRUE(port.close());
    EXPECT_TRUE(port.close());
    EXPECT_EQ(port.send(record.data(), 33), 0);
    EXPECT_EQ(port.last_error().kind, nerivo::SerialError::NOT_OPEN);
    EXPECT_TRUE(pty.drain().empty());
}

// The one test that waits out a write time-out.
TEST_F(SerialPortTest, StalledPeerCostsOneByteWaitAndReportsBytesNotTaken) {
    ASSERT_TRUE(open_default());
    const std::size_t filler = pty.stall_far_end_settled();
    ASSERT_GT(filler, 0u);

    const std::vector<uint8_t> record = pattern(48, 0x40);
    const auto start = Clock::now();
    const int32_t taken = port.send(record.data(), 48);
    const long waited = elapsed_ms(start);
    RecordProperty("waited_ms", static_cast<int>(waited));
    RecordProperty("bytes_taken", taken);
    EXPECT_LT(taken, 48);
    EXPECT_EQ(port.last_error().kind, nerivo::SerialError::TIMEOUT);
    EXPECT_GE(waited, SerialPort::WRITE_BYTE_TIMEOUT_MS - 20);
    EXPECT_LT(waited, SerialPort::WRITE_BYTE_TIMEOUT_MS + 400);

    // The peer gets exactly the bytes counted, with no hole after them.
    const std::vector<uint8_t> got = pty.drain();
    ASSERT_EQ(got.size(), filler + static_cast<std::size_t>(taken));
    EXPECT_TRUE(std::equal(got.begin() + static_cast<long>(filler), got.end(), record.begin()));

    // Once the peer reads again, the link carries on.
    EXPECT_EQ(port.send(record.data(), 48), 48);
    EXPECT_EQ(port.last_error().kind, nerivo::SerialError::NONE);
    EXPECT_EQ(pty.read(48), record);
}

TEST_F(SerialPortTest, PeerHangUpGivesZerosAndFailsWritesAtOnce) {
    ASSERT_TRUE(open_default());
    ASSERT_TRUE(pty.write("lost"));
    ASSERT_TRUE(pty.wait_pending_at_device(4));
    pty.close_master();

    const auto start = Clock::now();
    uint8_t buffer[64];
    for (int poll_round = 0; poll_round < 3; ++poll_round) {
        EXPECT_EQ(port.bytes_waiting(), 0u);
        EXPECT_EQ(port.read(buffer, 64), 0);
        EXPECT_FALSE(port.write_byte(0x55));
        const std::vector<uint8_t> record = pattern(48, 0);
        EXPECT_EQ(port.send(record.data(), 48), 0);
        EXPECT_EQ(port.last_error().kind, nerivo::SerialError::DEVICE_GONE);
    }
    EXPECT_LT(elapsed_ms(start), 100);
    EXPECT_TRUE(port.is_open());
    EXPECT_TRUE(port.close());
}

struct SettingsRow {
    uint32_t baud;
    uint8_t parity;
    uint8_t byte_size;
    uint8_t stop_bits;
    speed_t speed;
    tcflag_t parity_flags;
    tcflag_t stop_flag;
};

void PrintTo(const SettingsRow& row, std::ostream* out) {
    *out << row.baud << " baud, parity " << int{row.parity} << ", " << int{row.byte_size}
         << " bits, stop bits " << int{row.stop_bits};
}

class LineSettingsTest : public SerialPortTest,
                         public ::testing::WithParamInterface<SettingsRow> {};

TEST_P(LineSettingsTest, ReachTheDeviceInRawMode) {
    const SettingsRow& row = GetParam();
    make_cooked(pty.slave_fd());
    ASSERT_TRUE(port.open(COM, row.baud, row.parity, row.byte_size, row.stop_bits));

    const termios tio = line_settings(pty.slave_fd());
    EXPECT_EQ(cfgetospeed(&tio), row.speed);
    EXPECT_EQ(cfgetispeed(&tio), row.speed);
    // A pseudo-terminal always reports CS8 and clears PARENB, whatever it is given; the parity
    // kind (odd, mark, space) and the stop bits are what it keeps.
    EXPECT_EQ(tio.c_cflag & (PARODD | CMSPAR), row.parity_flags & (PARODD | CMSPAR));
    EXPECT_EQ(tio.c_cflag & CSTOPB, row.stop_flag);
    EXPECT_NE(tio.c_cflag & CREAD, 0u);
    EXPECT_NE(tio.c_cflag & CLOCAL, 0u);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(tio.c_iflag & (ICRNL | INLCR | IGNCR | IXON | IXOFF | ISTRIP | BRKINT), 0u);
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, LineSettingsTest,
    ::testing::Values(SettingsRow{9600, SerialPort::PARITY_NONE, 8, SerialPort::STOP_BITS_ONE,
                                  B9600, 0, 0},
                      SettingsRow{19200, SerialPort::PARITY_ODD, 7, SerialPort::STOP_BITS_ONE,
                                  B19200, PARENB | PARODD, 0},
                      SettingsRow{115200, SerialPort::PARITY_EVEN, 8, SerialPort::STOP_BITS_TWO,
                                  B115200, PARENB, CSTOPB},
                      SettingsRow{4800, SerialPort::PARITY_MARK, 6, SerialPort::STOP_BITS_ONE,
                                  B4800, PARENB | PARODD | CMSPAR, 0},
                      SettingsRow{300, SerialPort::PARITY_SPACE, 5, SerialPort::STOP_BITS_TWO, B300,
                                  PARENB | CMSPAR, CSTOPB},
                      SettingsRow{4000000, SerialPort::PARITY_NONE, 8, SerialPort::STOP_BITS_TWO,
                                  B4000000, 0, CSTOPB}));

struct RefusedRow {
    uint32_t baud;
    uint8_t parity;
    uint8_t byte_size;
    uint8_t stop_bits;
};

void PrintTo(const RefusedRow& row, std::ostream* out) {
    *out << row.baud << " baud, parity " << int{row.parity} << ", " << int{row.byte_size}
         << " bits, stop bits " << int{row.stop_bits};
}

class RefusedSettingsTest : public SerialPortTest,
                            public ::testing::WithParamInterface<RefusedRow> {};

TEST_P(RefusedSettingsTest, FailOpenAndLeaveTheDeviceAlone) {
    const RefusedRow& row = GetParam();
    const termios before = line_settings(pty.slave_fd());
    const std::size_t descriptors = open_descriptor_count();

    EXPECT_FALSE(port.open(COM, row.baud, row.parity, row.byte_size, row.stop_bits));
    EXPECT_EQ(port.last_error().kind, nerivo::SerialError::UNSUPPORTED);
    EXPECT_FALSE(port.is_open());
    EXPECT_EQ(open_descriptor_count(), descriptors);
    EXPECT_FALSE(held_exclusively(pty.slave_fd()));
    const termios after = line_settings(pty.slave_fd());
    EXPECT_EQ(after.c_cflag, before.c_cflag);
    EXPECT_EQ(after.c_iflag, before.c_iflag);
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    EXPECT_EQ(cfgetospeed(&after), cfgetospeed(&before));

    // A refused open leaves the port free to open properly.
    EXPECT_TRUE(open_default());
}

INSTANTIATE_TEST_SUITE_P(Codes, RefusedSettingsTest,
                         ::testing::Values(RefusedRow{12345, 0, 8, 0}, RefusedRow{0, 0, 8, 0},
                                           RefusedRow{9600, 0, 9, 0}, RefusedRow{9600, 0, 4, 0},
                                           RefusedRow{9600, 5, 8, 0}, RefusedRow{9600, 255, 8, 0},
                                           RefusedRow{9600, 0, 8, 1}, RefusedRow{9600, 0, 8, 3}));

} // namespace
