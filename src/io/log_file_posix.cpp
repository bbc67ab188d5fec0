#include "log_file.h"

#include "dump_output.h"

#include <cerrno>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace nerivo {

LogFile::Made LogFile::make(const std::filesystem::path& path) {
    close();
    errno = 0;
    // O_EXCL: made here or not at all, with no window between a look and the open; with
    // O_CREAT it refuses any name already there, links included, and follows none.
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_APPEND, 0644);
    if (fd < 0) {
        return errno == EEXIST ? Made::TAKEN : Made::FAILED;
    }
    handle_ = fd;
    return Made::NEW;
}

bool LogFile::append(const std::string& text) {
    errno = 0;
    return write_all(static_cast<int>(handle_), text.data(), text.size());
}

void LogFile::close() {
    if (handle_ >= 0) {
        ::close(static_cast<int>(handle_));
        handle_ = -1;
    }
}

std::string LogFile::last_reason() {
    const int error = errno;
    return error != 0 ? std::generic_category().message(error) : "unknown error";
}

} // namespace nerivo
