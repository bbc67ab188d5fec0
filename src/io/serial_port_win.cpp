#include "serial_port.h"

#include "com_port_path.h"

#include <initializer_list>
#include <memory>
#include <vector>

#include "windows_api.h"

namespace {

constexpr DWORD READ_WAIT_MS = 2000;
// How long a write just started may take to finish before the call returns: a driver that
// takes bytes at once is counted in the same call; one that holds them is asked again later.
constexpr DWORD WRITE_SETTLE_MS = 10;
constexpr DWORD DEVICE_QUEUE_BYTES = 10000;

// The driver decides which rates it can do; what no device can do is refused before the port
// is opened, as on POSIX. The codes are the DCB's own (NOPARITY.., ONESTOPBIT..).
bool settings_possible(uint32_t baud, uint8_t parity, uint8_t byte_size, uint8_t stop_bits) {
    return baud != 0 && byte_size >= 5 && byte_size <= 8 && parity <= SPACEPARITY &&
           stop_bits <= TWOSTOPBITS;
}

} // namespace

namespace nerivo {

// The device, the events its overlapped reads and writes wait on, and the write in progress
// with the bytes it was given, which must outlive it; whatever exists is closed with it: a
// write in progress is cancelled first, then the events and the device.
struct SerialPort::Backend {
    HANDLE device = INVALID_HANDLE_VALUE;
    HANDLE read_event = nullptr;
    HANDLE write_event = nullptr;
    OVERLAPPED write_request{};
    std::vector<uint8_t> writing; // empty: no write in progress

    ~Backend() {
        if (!writing.empty()) {
            DWORD written = 0;
            CancelIoEx(device, &write_request);
            GetOverlappedResult(device, &write_request, &written, TRUE);
        }
        for (const HANDLE handle : {read_event, write_event}) {
            if (handle != nullptr) {
                CloseHandle(handle);
            }
        }
        if (device != INVALID_HANDLE_VALUE) {
            CloseHandle(device);
        }
    }
};

void SerialPort::BackendDeleter::operator()(Backend* backend) const {
    delete backend;
}

void SerialPort::set_system_error(int code) const {
    SerialError kind = SerialError::OTHER;
    const auto error = static_cast<DWORD>(code);
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
        kind = SerialError::DEVICE_NOT_FOUND;
        break;
    case ERROR_ACCESS_DENIED:
        // Windows' serial drivers refuse a second opener with "access denied", and a USB
        // adapter pulled while open fails later calls the same way.
        kind = is_open() ? SerialError::DEVICE_GONE : SerialError::IN_USE;
        break;
    case ERROR_SHARING_VIOLATION:
        kind = SerialError::IN_USE;
        break;
    case ERROR_INVALID_PARAMETER:
    case ERROR_NOT_SUPPORTED:
        kind = SerialError::UNSUPPORTED;
        break;
    case ERROR_INVALID_HANDLE:
        kind = SerialError::NOT_OPEN;
        break;
    case ERROR_TIMEOUT:
    case WAIT_TIMEOUT:
    case ERROR_SEM_TIMEOUT:
        kind = SerialError::TIMEOUT;
        break;
    case ERROR_BAD_COMMAND:
    case ERROR_DEVICE_REMOVED:
    case ERROR_OPERATION_ABORTED:
    case ERROR_GEN_FAILURE:
    case ERROR_NOT_READY: // Wine, when the line behind the port has hung up
    case ERROR_BROKEN_PIPE:
    case ERROR_DEVICE_NOT_CONNECTED:
        kind = is_open() ? SerialError::DEVICE_GONE : SerialError::DEVICE_NOT_FOUND;
        break;
    default:
        break;
    }
    error_ = SerialErrorInfo{kind, windows_error_text(error)};
}

bool SerialPort::open(int32_t port_number, uint32_t baud, uint8_t parity, uint8_t byte_size,
                      uint8_t stop_bits) {
    clear_error();
    if (is_open()) {
        return true;
    }
    if (!settings_possible(baud, parity, byte_size, stop_bits)) {
        set_system_error(ERROR_INVALID_PARAMETER);
        return false;
    }
    const auto path = nerivo::com_port_path(port_number);
    if (!path) {
        set_system_error(ERROR_FILE_NOT_FOUND);
        return false;
    }
    const HANDLE device = CreateFileA(path->c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (device == INVALID_HANDLE_VALUE) {
        set_system_error(static_cast<int>(GetLastError()));
        return false;
    }
    std::unique_ptr<Backend, BackendDeleter> opening(new Backend);
    opening->device = device;

    // Reads ask only for what is queued, so the interval time-out never delays one. Writes
    // have none: one the device holds stays in progress, without holding the caller, until
    // the device takes its bytes or the port is closed.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = 1000;
    SetCommTimeouts(device, &timeouts);

    opening->read_event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    opening->write_event = CreateEventA(nullptr, TRUE, FALSE, nullptr);

    DWORD failure = ERROR_SUCCESS;
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(device, &dcb)) {
        failure = GetLastError();
    } else {
        dcb.BaudRate = baud;
        dcb.ByteSize = byte_size;
        dcb.Parity = parity;
        dcb.StopBits = stop_bits;
        // Raw bytes and no flow control, whatever a program before us left set: XON/XOFF would
        // eat 0x11 and 0x13 out of records, and CTS or DSR flow on a three-wire cable holds
        // every byte back for good. DTR and RTS stay up for adapters that draw on them.
        dcb.fBinary = TRUE;
        dcb.fOutxCtsFlow = FALSE;
        dcb.fOutxDsrFlow = FALSE;
        dcb.fDsrSensitivity = FALSE;
        dcb.fOutX = FALSE;
        dcb.fInX = FALSE;
        dcb.fTXContinueOnXoff = TRUE;
        dcb.fNull = FALSE;
        dcb.fErrorChar = FALSE;
        dcb.fAbortOnError = FALSE;
        dcb.fDtrControl = DTR_CONTROL_ENABLE;
        dcb.fRtsControl = RTS_CONTROL_ENABLE;
        if (!SetCommState(device, &dcb)) {
            failure = GetLastError();
        } else if (!SetupComm(device, DEVICE_QUEUE_BYTES, DEVICE_QUEUE_BYTES)) {
            failure = GetLastError();
        }
    }
    if (failure == ERROR_SUCCESS &&
        (opening->read_event == nullptr || opening->write_event == nullptr)) {
        failure = GetLastError();
    }
    if (failure != ERROR_SUCCESS) {
        set_system_error(static_cast<int>(failure));
        return false; // what the attempt made goes with `opening`
    }
    backend_ = std::move(opening);
    return true;
}

bool SerialPort::close() {
    clear_error();
    backend_.reset();
    return true;
}

int32_t SerialPort::write_now(const uint8_t* data, int32_t length) {
    if (!is_open()) {
        set_system_error(ERROR_INVALID_HANDLE);
        return 0;
    }
    Backend& port = *backend_;
    if (port.writing.empty()) {
        // One overlapped write of all the bytes, from a copy that lives as long as it runs.
        port.writing.assign(data, data + length);
        port.write_request = OVERLAPPED{};
        port.write_request.hEvent = port.write_event;
        ResetEvent(port.write_event);
        DWORD written = 0;
        if (WriteFile(port.device, port.writing.data(), static_cast<DWORD>(port.writing.size()),
                      &written, &port.write_request)) {
            port.writing.clear();
            return static_cast<int32_t>(written);
        }
        if (const DWORD started = GetLastError(); started != ERROR_IO_PENDING) {
            port.writing.clear();
            set_system_error(static_cast<int>(started));
            return 0;
        }
        WaitForSingleObject(port.write_event, WRITE_SETTLE_MS);
    }
    // The write in progress holds the bytes the caller offered before, which are the same.
    DWORD written = 0;
    if (!GetOverlappedResult(port.device, &port.write_request, &written, FALSE)) {
        const DWORD failed = GetLastError();
        if (failed == ERROR_IO_INCOMPLETE) {
            return 0;
        }
        port.writing.clear();
        set_system_error(static_cast<int>(failed));
        return static_cast<int32_t>(written);
    }
    port.writing.clear();
    return static_cast<int32_t>(written);
}

bool SerialPort::write_in_progress() const {
    return backend_ && !backend_->writing.empty();
}

int32_t SerialPort::cancel_write() {
    clear_error();
    if (!write_in_progress()) {
        return 0;
    }
    Backend& port = *backend_;
    DWORD written = 0;
    CancelIoEx(port.device, &port.write_request);
    GetOverlappedResult(port.device, &port.write_request, &written, TRUE);
    port.writing.clear();
    return static_cast<int32_t>(written);
}

uint32_t SerialPort::bytes_waiting() const {
    clear_error();
    if (!is_open()) {
        set_system_error(ERROR_INVALID_HANDLE);
        return 0;
    }
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(backend_->device, &errors, &status)) {
        set_system_error(static_cast<int>(GetLastError()));
        return 0;
    }
    return status.cbInQue;
}

int32_t SerialPort::read_waiting(uint8_t* buffer, uint32_t count) {
    const HANDLE device = backend_->device;
    OVERLAPPED request{};
    request.hEvent = backend_->read_event;
    ResetEvent(request.hEvent);
    DWORD delivered = 0;
    if (ReadFile(device, buffer, count, &delivered, &request)) {
        return static_cast<int32_t>(delivered);
    }
    const DWORD started = GetLastError();
    if (started != ERROR_IO_PENDING) {
        set_system_error(static_cast<int>(started));
        return 0;
    }
    if (WaitForSingleObject(request.hEvent, READ_WAIT_MS) != WAIT_OBJECT_0) {
        // Never leave a read running into the caller's buffer after we return.
        CancelIoEx(device, &request);
    }
    if (GetOverlappedResult(device, &request, &delivered, TRUE)) {
        return static_cast<int32_t>(delivered);
    }
    const DWORD failed = GetLastError();
    // A read cut short by the cancel may have taken part of the count off the device already:
    // those bytes are the caller's.
    if (delivered > 0) {
        return static_cast<int32_t>(delivered);
    }
    set_system_error(static_cast<int>(failed == ERROR_OPERATION_ABORTED ? ERROR_TIMEOUT : failed));
    return 0;
}

} // namespace nerivo
