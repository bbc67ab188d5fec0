#include "com_port_path.h"

namespace nerivo {

// Windows names every COM port itself; the device namespace form reaches COM10 and above too.
std::optional<std::string> com_port_path(int32_t number, const char*) {
    if (number < 1) {
        return std::nullopt;
    }
    return "\\\\.\\COM" + std::to_string(number);
}

} // namespace nerivo
