// What the port does the same way on every platform, over its backend's write_byte.
#include "serial_port.h"

SerialPort::~SerialPort() {
    close();
}

int32_t SerialPort::send(const uint8_t* data, int32_t length) {
    clear_error();
    if (data == nullptr || length <= 0) {
        return 0;
    }
    // One byte at a time, each taken or given up on before the next: the far end never gets
    // a record with a hole in it. A closed port takes nothing (write_byte says NOT_OPEN).
    int32_t taken = 0;
    while (taken < length && write_byte(data[taken])) {
        ++taken;
    }
    return taken;
}
