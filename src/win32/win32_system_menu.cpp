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

bool choose_context_entry(HWND owner, HWND source, int x, int y, const wchar_t* text,
                          bool enabled) {
    if (x == -1 && y == -1) {
        // The window's own corner is its client area's: its frame is not where the operator is.
        POINT corner{0, 0};
        ClientToScreen(source, &corner);
        x = corner.x;
        y = corner.y;
    }
    constexpr UINT ENTRY = 1;
    const HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING | (enabled ? MF_ENABLED : MF_GRAYED), ENTRY, text);
    const BOOL chosen =
        TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, x, y, 0, owner, nullptr);
    DestroyMenu(menu);
    return chosen == static_cast<BOOL>(ENTRY);
}

} // namespace nerivo
