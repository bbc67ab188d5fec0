#include "test_pipe.h"

#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace nerivo::testing {

TestPipe::TestPipe(std::size_t capacity) {
    int fds[2];
    if (::pipe(fds) != 0) {
        throw std::runtime_error("pipe failed");
    }
    read_fd_ = fds[0];
    write_fd_ = fds[1];
    fcntl(read_fd_, F_SETFL, O_NONBLOCK);
    if (capacity > 0) {
        fcntl(write_fd_, F_SETPIPE_SZ, static_cast<int>(capacity));
    }
}

TestPipe::~TestPipe() {
    close_reader();
    ::close(write_fd_);
}

std::string TestPipe::read_available() {
    std::string text;
    char buffer[65536];
    ssize_t n = 0;
    while (read_fd_ >= 0 && (n = ::read(read_fd_, buffer, sizeof buffer)) > 0) {
        text.append(buffer, static_cast<std::size_t>(n));
    }
    return text;
}

void TestPipe::close_reader() {
    if (read_fd_ >= 0) {
        ::close(read_fd_);
        read_fd_ = -1;
    }
}

} // namespace nerivo::testing
