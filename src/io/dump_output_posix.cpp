#include "dump_output.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace nerivo {
namespace {

// A non-blocking descriptor (as a shell or a parent may hand one over) that is full for a
// moment is waited for, as a blocking one would be; false when it will take nothing more.
bool wait_until_writable(int fd) {
    pollfd ready{fd, POLLOUT, 0};
    for (;;) {
        const int n = ::poll(&ready, 1, -1);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        return n > 0 && (ready.revents & (POLLERR | POLLHUP | POLLNVAL)) == 0;
    }
}

} // namespace

std::ptrdiff_t write_some(int fd, const char* data, std::size_t size) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) {
        return 0;
    }
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        return wait_until_writable(fd) ? 0 : -1;
    }
    return n > 0 ? n : -1;
}

void survive_closed_readers() {
    std::signal(SIGPIPE, SIG_IGN);
}

void open_closed_standard_descriptors() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            // Every lower descriptor is open by now, so the lowest free one is this one.
            ::open("/dev/null", O_RDWR);
        }
    }
}

} // namespace nerivo
