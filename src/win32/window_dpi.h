#pragma once

// Pixels at the window's scale. The layout is in dialog units and scales with the dialog's
// font; what the window itself sets in pixels (the logs' columns, icons, the state buttons'
// insets) is given at 96 DPI and scaled here.

#include "win32_api.h"

namespace nerivo {

constexpr unsigned BASE_DPI = 96; // 100 %

// The window's DPI: 96 at 100 %, 144 at 150 %, 192 at 200 %.
[[nodiscard]] unsigned window_dpi(HWND window);

// `pixels` at 96 DPI, at `dpi`.
[[nodiscard]] int scaled(int pixels, unsigned dpi);

// GetSystemMetrics at `dpi` (icon sizes, say).
[[nodiscard]] int system_metric(int index, unsigned dpi);

// The system's message font (message boxes' text) at `dpi`.
[[nodiscard]] LOGFONTW message_font(unsigned dpi);

} // namespace nerivo
