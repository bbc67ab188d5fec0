#include "serial_port.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "com_port_path.h"

namespace {

struct LineSettings {
    speed_t speed = B0;
    tcflag_t size = CS8;
    tcflag_t parity = 0; // among PARENB, PARODD, CMSPAR
    tcflag_t stop = 0;   // 0 or CSTOPB
};

bool speed_for(uint32_t baud, speed_t& speed) {
    struct Rate {
        uint32_t baud;
        speed_t speed;
    };
    static constexpr Rate RATES[] = {
        {50, B50},           {75, B75},           {110, B110},         {134, B134},
        {150, B150},         {200, B200},         {300, B300},         {600, B600},
        {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
        {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
        {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
        {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
        {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
        {3500000, B3500000}, {4000000, B4000000},
    };
    for (const Rate& rate : RATES) {
        if (rate.baud == baud) {
            speed = rate.speed;
            return true;
        }
    }
    return false;
}

// Checked before the device is touched: opening a real port already raises its modem lines.
bool line_settings_for(uint32_t baud, uint8_t parity, uint8_t byte_size, uint8_t stop_bits,
                       LineSettings& out) {
    // Indexed by byte size - 5, and by parity code (none, odd, even, mark, space).
    static constexpr tcflag_t SIZES[] = {CS5, CS6, CS7, CS8};
    static constexpr tcflag_t PARITIES[] = {0, PARENB | PARODD, PARENB, PARENB | CMSPAR | PARODD,
                                            PARENB | CMSPAR};
    if (!speed_for(baud, out.speed) || byte_size < 5 || byte_size > 8 ||
        parity > nerivo::SerialPort::PARITY_SPACE) {
        return false;
    }
    // One and a half stop bits has no termios setting.
    if (stop_bits != nerivo::SerialPort::STOP_BITS_ONE &&
        stop_bits != nerivo::SerialPort::STOP_BITS_TWO) {
        return false;
    }
    out.size = SIZES[byte_size - 5];
    out.parity = PARITIES[parity];
    out.stop = stop_bits == nerivo::SerialPort::STOP_BITS_TWO ? CSTOPB : 0;
    return true;
}

// Raw 8-bit bytes both ways, and the caller's four settings on top. Returns 0, or the error.
int apply_line_settings(int fd, const LineSettings& wanted) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) {
        return errno;
    }
    cfmakeraw(&tio);
    // No flow control, whatever a program before us left set: XON/XOFF would eat 0x11 and 0x13
    // out of records, and RTS/CTS on a three-wire cable holds every byte back for good.
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    tio.c_cflag &= ~CRTSCTS;
    // CLOCAL: a three-wire link has no carrier, and losing it must not hang the line up.
    tio.c_cflag |= CREAD | CLOCAL;
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB);
    tio.c_cflag |= wanted.size | wanted.parity | wanted.stop;
    if (cfsetispeed(&tio, wanted.speed) != 0 || cfsetospeed(&tio, wanted.speed) != 0) {
        return EINVAL;
    }
    if (tcsetattr(fd, TCSANOW, &tio) != 0) {
        return errno;
    }
    // tcsetattr succeeds when any part of the change took, and a driver that cannot do a rate
    // quietly keeps another. Size and parity are not read back: a pseudo-terminal has no
    // framing and always reports 8 bits without parity.
    termios now{};
    if (tcgetattr(fd, &now) != 0) {
        return errno;
    }
    const bool took = cfgetospeed(&now) == wanted.speed && cfgetispeed(&now) == wanted.speed &&
                      (now.c_cflag & CSTOPB) == wanted.stop;
    return took ? 0 : EINVAL;
}

int open_device(const char* path) {
    for (;;) {
        const int fd = ::open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0 || errno != EINTR) {
            return fd;
        }
    }
}

} // namespace

namespace nerivo {

struct SerialPort::Backend {
    int fd;
};

void SerialPort::BackendDeleter::operator()(Backend* backend) const {
    delete backend;
}

void SerialPort::set_system_error(int code) const {
    SerialError kind = SerialError::OTHER;
    switch (code) {
    case ENOENT:
    case ENOTDIR:
    case ENOTTY: // something is there, but not a serial line
        kind = SerialError::DEVICE_NOT_FOUND;
        break;
    case ENODEV:
    case ENXIO:
        kind = is_open() ? SerialError::DEVICE_GONE : SerialError::DEVICE_NOT_FOUND;
        break;
    case EACCES:
    case EPERM:
    case EROFS:
        kind = SerialError::PERMISSION;
        break;
    case EBUSY:
        kind = SerialError::IN_USE;
        break;
    case EINVAL:
        kind = SerialError::UNSUPPORTED;
        break;
    case EBADF:
        kind = SerialError::NOT_OPEN;
        break;
    case ETIMEDOUT:
        kind = SerialError::TIMEOUT;
        break;
    case EIO:
    case EPIPE:
        kind = SerialError::DEVICE_GONE;
        break;
    default:
        break;
    }
    error_ = SerialErrorInfo{kind, std::strerror(code)};
}

bool SerialPort::open(int32_t port_number, uint32_t baud, uint8_t parity, uint8_t byte_size,
                      uint8_t stop_bits) {
    clear_error();
    if (is_open()) {
        return true;
    }
    LineSettings settings;
    if (!line_settings_for(baud, parity, byte_size, stop_bits, settings)) {
        set_system_error(EINVAL);
        return false;
    }
    const auto path = nerivo::com_port_path(port_number);
    if (!path) {
        set_system_error(ENODEV);
        return false;
    }
    const int fd = open_device(path->c_str());
    if (fd < 0) {
        set_system_error(errno);
        return false;
    }
    // The lock stops every other opener, root included; TIOCEXCL alone does not stop root.
    // It comes first so a refused open never touches the holder's exclusive flag.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        // "would block" says nothing to an operator: the device is busy.
        set_system_error(errno == EWOULDBLOCK ? EBUSY : errno);
        ::close(fd);
        return false;
    }
    if (ioctl(fd, TIOCEXCL) != 0) {
        set_system_error(errno);
        ::close(fd);
        return false;
    }
    if (const int error = apply_line_settings(fd, settings); error != 0) {
        set_system_error(error);
        ioctl(fd, TIOCNXCL);
        ::close(fd);
        return false;
    }
    backend_.reset(new Backend{fd});
    return true;
}

bool SerialPort::close() {
    clear_error();
    if (!is_open()) {
        return true;
    }
    const int fd = backend_->fd;
    // The flag outlives this descriptor while anything else holds the line open.
    ioctl(fd, TIOCNXCL);
    ::close(fd);
    backend_.reset();
    return true;
}

int32_t SerialPort::write_now(const uint8_t* data, int32_t length) {
    if (!is_open()) {
        set_system_error(EBADF);
        return 0;
    }
    // The descriptor does not block: a full line takes part of the bytes, or none.
    for (;;) {
        const ssize_t n = ::write(backend_->fd, data, static_cast<size_t>(length));
        if (n > 0) {
            return static_cast<int32_t>(n);
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return 0;
        }
        // EIO, EPIPE and the like: the device is gone.
        set_system_error(n == 0 ? EIO : errno);
        return 0;
    }
}

// A write here takes what it can at once, or nothing: none is ever left in progress.
bool SerialPort::write_in_progress() const {
    return false;
}

int32_t SerialPort::cancel_write() {
    return 0;
}

uint32_t SerialPort::bytes_waiting() const {
    clear_error();
    if (!is_open()) {
        set_system_error(EBADF);
        return 0;
    }
    const int fd = backend_->fd;
    int count = 0;
    if (ioctl(fd, FIONREAD, &count) != 0) {
        set_system_error(errno);
        return 0;
    }
    if (count <= 0) {
        // An empty queue may be a line that has hung up (an adapter pulled, a far end gone):
        // then reads give nothing, forever, and only a poll tells.
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 0) == 1 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
            set_system_error(EIO);
        }
        return 0;
    }
    return static_cast<uint32_t>(count);
}

int32_t SerialPort::read_waiting(uint8_t* buffer, uint32_t count) {
    for (;;) {
        const ssize_t n = ::read(backend_->fd, buffer, count);
        if (n >= 0) {
            return static_cast<int32_t>(n);
        }
        if (errno != EINTR) {
            set_system_error(errno);
            return 0;
        }
    }
}

} // namespace nerivo
