#include "dump_output.h"

#include <cerrno>
#include <io.h>

namespace nerivo {

bool write_all(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const unsigned chunk = size > 0x40000000u ? 0x40000000u : static_cast<unsigned>(size);
        const int n = ::_write(fd, data, chunk);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Writing to a pipe nobody reads fails here; it raises no signal.
void survive_closed_readers() {}

// The C runtime keeps descriptors 0 to 2 for the standard streams even without a handle, and
// the station opens its files as handles, never as descriptors: nothing can take their place.
void open_closed_standard_descriptors() {}

} // namespace nerivo
