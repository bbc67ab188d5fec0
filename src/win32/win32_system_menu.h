#pragma once

// The station window's menus: the About entry of its system menu (tested on a plain window of
// its own), and the one-entry context menus of the window and its logs.

#include "win32_api.h"

namespace nerivo {

// Appends a separator and then an entry `text` (UTF-8) with the command id `command` to the
// system menu of `window`. False when the window has no system menu.
[[nodiscard]] bool add_system_menu_entry(HWND window, unsigned command, const char* text);

// True when `message` is a WM_SYSCOMMAND for `command`, its low four bits masked off as
// Windows does (SYSTEM_COMMAND_MASK).
bool is_system_command(const MSG& message, unsigned command);

// A context menu of one entry, `text`, for a WM_CONTEXTMENU from `source` at screen point
// (x, y) (-1, -1 when it came from the keyboard: then at `source`'s corner). True when the
// operator chose the entry.
[[nodiscard]] bool choose_context_entry(HWND owner, HWND source, int x, int y, const wchar_t* text,
                                        bool enabled);

} // namespace nerivo
