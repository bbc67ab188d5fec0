#include "com_port_path.h"

#include <cstdlib>

namespace nerivo {

std::string com_dir_from_environment() {
    const char* dir = std::getenv(COM_DIR_VARIABLE);
    return dir != nullptr ? dir : "";
}

std::string com_link_path(const std::string& dir, int32_t number) {
    return dir + "/com" + std::to_string(number);
}

std::optional<std::string> com_port_path(int32_t number) {
    return com_port_path(number, com_dir_from_environment().c_str());
}

} // namespace nerivo
