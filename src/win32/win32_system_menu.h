#pragma once

// Entries of a window's system menu: the station window adds its About entry here and asks
// here whether a message is that entry's command. Tested on a plain window of its own.

#include "win32_api.h"

namespace nerivo {

// Appends a separator and then an entry `text` (UTF-8) with the command id `command` to the
// system menu of `window`. False when the window has no system menu.
[[nodiscard]] bool add_system_menu_entry(HWND window, unsigned command, const char* text);

// True when `message` is a WM_SYSCOMMAND for `command`, its low four bits masked off as
// Windows does (SYSTEM_COMMAND_MASK).
bool is_system_command(const MSG& message, unsigned command);

} // namespace nerivo
