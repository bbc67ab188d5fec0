#include "com_port_path.h"

namespace nerivo {

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

} // namespace nerivo
