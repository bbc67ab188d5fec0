#pragma once

// <windows.h> as the Windows files use it, none of the min/max macros nor the rarely used
// parts, and the system's words for an error code. Included by *_win.cpp files only.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>

namespace nerivo {

// What Windows says of a Win32 or Winsock error code, without the line end; "Error N" when
// it has no text for it.
std::string windows_error_text(DWORD code);

} // namespace nerivo
