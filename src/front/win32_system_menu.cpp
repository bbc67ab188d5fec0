#include "win32_system_menu.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>

namespace nerivo {
namespace {

constexpr unsigned SYSTEM_COMMAND_BITS = 0xFFF0;

std::wstring wide(const char* utf8) {
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    if (length <= 1) {
        return {};
    }
    std::wstring text(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, text.data(), length);
    text.pop_back(); // the terminator the call counted
    return text;
}

} // namespace

bool add_system_menu_entry(intptr_t window, unsigned command, const char* text) {
    const HMENU menu = GetSystemMenu(reinterpret_cast<HWND>(window), FALSE);
    const std::wstring entry = text != nullptr ? wide(text) : std::wstring();
    if (menu == nullptr || entry.empty()) {
        return false;
    }
    return AppendMenuW(menu, MF_SEPARATOR, 0, nullptr) != FALSE &&
           AppendMenuW(menu, MF_STRING, command, entry.c_str()) != FALSE;
}

bool is_system_command(const void* message, unsigned command) {
    const auto* msg = static_cast<const MSG*>(message);
    return msg != nullptr && msg->message == WM_SYSCOMMAND &&
           (static_cast<unsigned>(msg->wParam) & SYSTEM_COMMAND_BITS) == command;
}

} // namespace nerivo
