#pragma once

// Entries of a window's system menu, in plain Win32: the station window adds its About entry
// here and asks here whether a message is that entry's command. Free of Qt, so it is built
// and tested on its own.

#include <cstdint>

namespace nerivo {

// Appends a separator and then an entry `text` (UTF-8) with the command id `command` to the
// system menu of `window` (an HWND). False when the window has no system menu.
bool add_system_menu_entry(intptr_t window, unsigned command, const char* text);

// True when `message` (an MSG) is a WM_SYSCOMMAND for `command`. Windows keeps the low four
// bits of a system command for itself, so `command` to `command` + 15 all count.
bool is_system_command(const void* message, unsigned command);

} // namespace nerivo
