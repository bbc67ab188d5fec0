#include "test_pipe.h"

#include "windows_api.h"

#include <fcntl.h>
#include <io.h>
#include <stdexcept>

namespace nerivo::testing {

TestPipe::TestPipe(std::size_t capacity) {
    int fds[2];
    if (_pipe(fds, static_cast<unsigned>(capacity), _O_BINARY) != 0) {
        throw std::runtime_error("_pipe failed");
    }
    read_fd_ = fds[0];
    write_fd_ = fds[1];
}

TestPipe::~TestPipe() {
    close_reader();
    _close(write_fd_);
}

// An anonymous pipe cannot be read without waiting, so it is asked first what it holds.
std::string TestPipe::read_available() {
    std::string text;
    char buffer[65536];
    DWORD held = 0;
    while (read_fd_ >= 0 &&
           PeekNamedPipe(reinterpret_cast<HANDLE>(_get_osfhandle(read_fd_)), nullptr, 0, nullptr,
                         &held, nullptr) &&
           held > 0) {
        const int n = _read(read_fd_, buffer, held < sizeof buffer ? held : sizeof buffer);
        if (n <= 0) {
            break;
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
    return text;
}

void TestPipe::close_reader() {
    if (read_fd_ >= 0) {
        _close(read_fd_);
        read_fd_ = -1;
    }
}

} // namespace nerivo::testing
