#include "dump_output.h"

#include <cerrno>
#include <fcntl.h>
#include <io.h>

namespace nerivo {

std::ptrdiff_t write_some(int fd, const char* data, std::size_t size) {
    const unsigned chunk = size > 0x40000000u ? 0x40000000u : static_cast<unsigned>(size);
    const int n = ::_write(fd, data, chunk);
    if (n < 0 && errno == EINTR) {
        return 0;
    }
    return n > 0 ? n : -1;
}

// Writing to a pipe nobody reads fails here; it raises no signal.
void survive_closed_readers() {}

// A window program started from the Start menu has no standard output at all: its descriptor
// 1 is there but leads nowhere, and every record dump would fail and be told as "not being
// read". Such descriptors are put on the null device, as a closed one is on POSIX.
void open_closed_standard_descriptors() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::_get_osfhandle(fd) < 0) {
            const int null_device = ::_open("NUL", _O_RDWR | _O_BINARY);
            if (null_device >= 0 && null_device != fd) {
                ::_dup2(null_device, fd);
                ::_close(null_device);
            }
        }
    }
}

} // namespace nerivo
