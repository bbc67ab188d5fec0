#include "log_file.h"

#include "windows_api.h"

namespace nerivo {
namespace {

HANDLE as_handle(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

} // namespace

LogFile::Made LogFile::make(const std::filesystem::path& path) {
    close();
    // CREATE_NEW: made here or not at all, whatever holds the name (a link included).
    // FILE_APPEND_DATA alone puts every write at the end, as O_APPEND does.
    const HANDLE handle =
        CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) {
            return Made::TAKEN;
        }
        // A folder by that name is refused as access denied.
        const bool held = GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
        SetLastError(error);
        return error == ERROR_ACCESS_DENIED && held ? Made::TAKEN : Made::FAILED;
    }
    handle_ = reinterpret_cast<std::intptr_t>(handle);
    return Made::NEW;
}

bool LogFile::append(const std::string& text) {
    SetLastError(ERROR_SUCCESS);
    const char* data = text.data();
    std::size_t size = text.size();
    while (size > 0) {
        const DWORD chunk = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(as_handle(handle_), data, chunk, &written, nullptr) || written == 0) {
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

void LogFile::close() {
    if (as_handle(handle_) != INVALID_HANDLE_VALUE) {
        CloseHandle(as_handle(handle_));
        handle_ = -1;
    }
}

std::string LogFile::last_reason() {
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? windows_error_text(error) : "unknown error";
}

} // namespace nerivo
