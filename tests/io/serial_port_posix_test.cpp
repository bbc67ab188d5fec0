// The port on POSIX systems: COM numbers lead through the COM folder to pseudo-terminals,
// which the port puts in raw mode and holds against other openers.
#include "serial_port_fixture.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <ostream>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace nerivo::testing {

namespace {

std::size_t open_descriptor_count() {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator("/proc/self/fd")) {
        ++count;
    }
    return count;
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

} // namespace

void make_line_cooked(FarEnd& line) {
    termios tio = line_settings(line.slave_fd());
    tio.c_iflag |= ICRNL | IXON | IXOFF | IXANY | ISTRIP | BRKINT;
    tio.c_cflag |= CRTSCTS;
    tio.c_cflag &= ~CLOCAL;
    tio.c_oflag |= OPOST | ONLCR;
    tio.c_lflag |= ICANON | ECHO | ECHOE | ISIG | IEXTEN;
    ASSERT_EQ(tcsetattr(line.slave_fd(), TCSANOW, &tio), 0);
}

namespace {

TEST_F(SerialPortTest, FailedOpenLeavesPortClosedAndInert) {
    std::ofstream(cables.path() + "/plain") << "not a device";
    cables.map(5, cables.path() + "/missing");
    cables.map(6, cables.path() + "/plain");
    cables.map(7, "/dev/null");
    ASSERT_TRUE(line.write("waiting"));
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
        EXPECT_EQ(port.last_error().kind, SerialError::DEVICE_NOT_FOUND);
        EXPECT_EQ(port.last_error().text, c.reason);
        EXPECT_EQ(open_descriptor_count(), descriptors);
        EXPECT_FALSE(port.is_open());
        EXPECT_EQ(port.send(record, 4), 0);
        EXPECT_EQ(port.bytes_waiting(), 0u);
        uint8_t buffer[16];
        EXPECT_EQ(port.read(buffer, 16), 0);
        EXPECT_TRUE(port.close());
    }
    // The plain file was let go again: nothing holds its lock.
    const int fd = ::open((cables.path() + "/plain").c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
    ::close(fd);

    // The same port opens once the number is a real line.
    ASSERT_TRUE(open_default());
    EXPECT_TRUE(line.wait_pending_at_device(7));
    EXPECT_EQ(port.bytes_waiting(), 7u);
}

TEST_F(SerialPortTest, SecondOpenSucceedsAndKeepsFirstSettings) {
    ASSERT_TRUE(open_default());
    EXPECT_TRUE(port.open(COM, 19200, SerialPort::PARITY_EVEN, 7, SerialPort::STOP_BITS_TWO));
    EXPECT_TRUE(port.is_open());
    const termios tio = line_settings(line.slave_fd());
    EXPECT_EQ(cfgetospeed(&tio), B9600);
    EXPECT_EQ(tio.c_cflag & CSIZE, tcflag_t{CS8});
    EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB), tcflag_t{0});
}

TEST_F(SerialPortTest, RefusesOtherOpenersUntilClosed) {
    const std::size_t descriptors = open_descriptor_count();
    ASSERT_TRUE(open_default());
    EXPECT_TRUE(held_exclusively(line.slave_fd()));

    // TIOCEXCL refuses the open itself, except to root; the lock refuses root as well.
    const int other = ::open(line.device_path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
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
    EXPECT_EQ(second.last_error().kind, SerialError::IN_USE);
    EXPECT_EQ(second.last_error().text, "Device or resource busy");

    EXPECT_TRUE(port.close());
    EXPECT_FALSE(port.is_open());
    EXPECT_FALSE(held_exclusively(line.slave_fd()));
    EXPECT_EQ(open_descriptor_count(), descriptors);
    const int after = ::open(line.device_path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
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
    EXPECT_TRUE(held_exclusively(line.slave_fd()));
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
    make_line_cooked(line);
    ASSERT_TRUE(port.open(COM, row.baud, row.parity, row.byte_size, row.stop_bits));

    const termios tio = line_settings(line.slave_fd());
    EXPECT_EQ(cfgetospeed(&tio), row.speed);
    EXPECT_EQ(cfgetispeed(&tio), row.speed);
    // A pseudo-terminal always reports CS8 and clears PARENB, whatever it is given; the parity
    // kind (odd, mark, space) and the stop bits are what it keeps.
    EXPECT_EQ(tio.c_cflag & (PARODD | CMSPAR), row.parity_flags & (PARODD | CMSPAR));
    EXPECT_EQ(tio.c_cflag & CSTOPB, row.stop_flag);
    EXPECT_NE(tio.c_cflag & CREAD, 0u);
    EXPECT_NE(tio.c_cflag & CLOCAL, 0u);
    EXPECT_EQ(tio.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(tio.c_iflag & (ICRNL | INLCR | IGNCR | IXON | IXOFF | IXANY | ISTRIP | BRKINT), 0u);
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
    const termios before = line_settings(line.slave_fd());
    const std::size_t descriptors = open_descriptor_count();

    EXPECT_FALSE(port.open(COM, row.baud, row.parity, row.byte_size, row.stop_bits));
    EXPECT_EQ(port.last_error().kind, SerialError::UNSUPPORTED);
    EXPECT_FALSE(port.is_open());
    EXPECT_EQ(open_descriptor_count(), descriptors);
    EXPECT_FALSE(held_exclusively(line.slave_fd()));
    const termios after = line_settings(line.slave_fd());
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
} // namespace nerivo::testing
