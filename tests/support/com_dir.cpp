#include "com_dir.h"

#include "com_port_path.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <unistd.h>

namespace nerivo::testing {

ComDir::ComDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "nerivo-com-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    path_ = pattern;
    if (const char* previous = std::getenv(COM_DIR_VARIABLE)) {
        had_previous_ = true;
        previous_ = previous;
    }
    setenv(COM_DIR_VARIABLE, path_.c_str(), 1);
}

ComDir::~ComDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
    if (had_previous_) {
        setenv(COM_DIR_VARIABLE, previous_.c_str(), 1);
    } else {
        unsetenv(COM_DIR_VARIABLE);
    }
}

void ComDir::map(int number, const std::string& device) {
    const std::string link = com_link_path(path_, number);
    ::unlink(link.c_str());
    if (::symlink(device.c_str(), link.c_str()) != 0) {
        throw std::runtime_error("symlink failed: " + link);
    }
}

} // namespace nerivo::testing
