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

std::optional<std::string> com_port_path(int32_t number, const char* com_dir) {
    if (number < 1) {
        return std::nullopt;
    }
    // An empty variable counts as unset: it would otherwise name /comN at the root.
    if (com_dir != nullptr && com_dir[0] != '\0') {
        return com_link_path(com_dir, number);
    }
    return "/dev/ttyS" + std::to_string(number - 1);
}

std::optional<std::string> com_port_path(int32_t number) {
    return com_port_path(number, com_dir_from_environment().c_str());
}

} // namespace nerivo
