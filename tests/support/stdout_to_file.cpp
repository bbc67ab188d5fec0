#include "stdout_to_file.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace nerivo::testing {

StdoutToFile::StdoutToFile() {
    char path[] = "/tmp/nerivo-stdout-XXXXXX";
    const int fd = ::mkstemp(path);
    if (fd < 0) {
        return; // standard output stays where it was, and finish() gives nothing
    }
    path_ = path;
    std::fflush(stdout);
    saved_ = ::dup(STDOUT_FILENO);
    ::dup2(fd, STDOUT_FILENO);
    ::close(fd);
}

StdoutToFile::~StdoutToFile() {
    restore();
    if (!path_.empty()) {
        ::unlink(path_.c_str());
    }
}

std::string StdoutToFile::finish() {
    restore();
    std::ifstream in(path_);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void StdoutToFile::restore() {
    if (saved_ >= 0) {
        std::fflush(stdout);
        ::dup2(saved_, STDOUT_FILENO);
        ::close(saved_);
        saved_ = -1;
    }
}

} // namespace nerivo::testing
