#include "com_dir.h"

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
    if (const char* previous = std::getenv("NERIVO_COM_DIR")) {
        had_previous_ = true;
        previous_ = previous;
    }
    setenv("NERIVO_COM_DIR", path_.c_str(), 1);
}

ComDir::~ComDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
    if (had_previous_) {
        setenv("NERIVO_COM_DIR", previous_.c_str(), 1);
    } else {
        unsetenv("NERIVO_COM_DIR");
    }
}

void ComDir::map(int number, const std::string& device) {
    const std::string link = path_ + "/com" + std::to_string(number);
    ::unlink(link.c_str());
    if (::symlink(device.c_str(), link.c_str()) != 0) {
        throw std::runtime_error("symlink failed: " + link);
    }
}

} // namespace nerivo::testing
