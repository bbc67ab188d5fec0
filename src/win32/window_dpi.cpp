#include "window_dpi.h"

namespace nerivo {
namespace {

// Windows before 10 (1607) has neither call: nerivo.exe must still start there, so they are
// looked up rather than imported.
template <typename Function> Function* user32_function(const char* name) {
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    const FARPROC found = user32 != nullptr ? GetProcAddress(user32, name) : nullptr;
    return reinterpret_cast<Function*>(reinterpret_cast<void (*)()>(found));
}

} // namespace

unsigned window_dpi(HWND window) {
    static const auto dpi_for_window = user32_function<UINT WINAPI(HWND)>("GetDpiForWindow");
    if (dpi_for_window != nullptr && window != nullptr) {
        if (const UINT dpi = dpi_for_window(window); dpi != 0) {
            return dpi;
        }
    }
    // Without per-monitor scaling every monitor has the system's DPI.
    const HDC dc = GetDC(window);
    const int dpi = dc != nullptr ? GetDeviceCaps(dc, LOGPIXELSX) : 0;
    if (dc != nullptr) {
        ReleaseDC(window, dc);
    }
    return dpi > 0 ? static_cast<unsigned>(dpi) : BASE_DPI;
}

int scaled(int pixels, unsigned dpi) {
    return MulDiv(pixels, static_cast<int>(dpi), static_cast<int>(BASE_DPI));
}

int system_metric(int index, unsigned dpi) {
    static const auto metric_for_dpi =
        user32_function<int WINAPI(int, UINT)>("GetSystemMetricsForDpi");
    return metric_for_dpi != nullptr ? metric_for_dpi(index, dpi) : GetSystemMetrics(index);
}

LOGFONTW message_font(unsigned dpi) {
    static const auto metrics_for_dpi =
        user32_function<BOOL WINAPI(UINT, UINT, PVOID, UINT, UINT)>("SystemParametersInfoForDpi");
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (metrics_for_dpi != nullptr &&
        metrics_for_dpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi)) {
        return metrics.lfMessageFont;
    }
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof metrics.lfMessageFont,
                   &metrics.lfMessageFont);
    }
    // Given at the system's DPI.
    LOGFONTW font = metrics.lfMessageFont;
    font.lfHeight =
        MulDiv(font.lfHeight, static_cast<int>(dpi), static_cast<int>(window_dpi(nullptr)));
    return font;
}

} // namespace nerivo
