#include "win32_system_menu.h"

#include "wide_text.h"
#include "window_ids.h"

#include <string>

namespace nerivo {

bool add_system_menu_entry(HWND window, unsigned command, const char* text) {
    const HMENU menu = GetSystemMenu(window, FALSE);
    const std::wstring entry = text != nullptr ? wide(text) : std::wstring();
    if (menu == nullptr || entry.empty()) {
        return false;
    }
    return AppendMenuW(menu, MF_SEPARATOR, 0, nullptr) != FALSE &&
           AppendMenuW(menu, MF_STRING, command, entry.c_str()) != FALSE;
}

bool is_system_command(const MSG& message, unsigned command) {
    return message.message == WM_SYSCOMMAND &&
           (static_cast<unsigned>(message.wParam) & SYSTEM_COMMAND_MASK) == command;
}

} // namespace nerivo
