// What the port does the same way on every platform, over its backend's write_now and
// read_waiting.
#include "serial_port.h"

#include <algorithm>

namespace nerivo {

SerialPort::~SerialPort() {
    close();
}

int32_t SerialPort::send(const uint8_t* data, int32_t length) {
    clear_error();
    if (data == nullptr || length <= 0) {
        return 0;
    }
    return write_now(data, length);
}

int32_t SerialPort::read(uint8_t* buffer, int32_t limit) {
    // Asked first so that a closed or vanished port says why even when nothing is asked for.
    const uint32_t waiting = bytes_waiting();
    if (waiting == 0 || buffer == nullptr || limit <= 0) {
        return 0;
    }
    return read_waiting(buffer, std::min(waiting, static_cast<uint32_t>(limit)));
}

} // namespace nerivo
