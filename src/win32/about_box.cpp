// The About box and the program's icon.
#include "dialog_template.h"
#include "station_dialog.h"
#include "window_dpi.h"
#include "window_ids.h"

#include <vector>

namespace nerivo {
namespace {

BOOL CALLBACK take_first_name(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR found) {
    *reinterpret_cast<LPWSTR*>(found) = name;
    return FALSE;
}

INT_PTR CALLBACK about_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG: {
        const auto instance = reinterpret_cast<HINSTANCE>(lparam);
        // The picture is the first control without an id that is an icon: the table's first.
        HWND picture = GetDlgItem(window, NO_ID);
        if (picture != nullptr) {
            SendMessageW(picture, STM_SETICON,
                         reinterpret_cast<WPARAM>(application_icon(
                             instance, system_metric(SM_CXICON, window_dpi(window)))),
                         0);
        }
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wparam) == IDC_ABOUT_OK || LOWORD(wparam) == IDCANCEL) {
            EndDialog(window, LOWORD(wparam));
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

} // namespace

HICON application_icon(HINSTANCE instance, int size) {
    LPWSTR name = nullptr;
    EnumResourceNamesW(instance, RT_GROUP_ICON, &take_first_name,
                       reinterpret_cast<LONG_PTR>(&name));
    HANDLE icon =
        name != nullptr ? LoadImageW(instance, name, IMAGE_ICON, size, size, LR_SHARED) : nullptr;
    if (icon == nullptr) {
        icon = LoadImageW(nullptr, IDI_APPLICATION, IMAGE_ICON, 0, 0, LR_SHARED | LR_DEFAULTSIZE);
    }
    return static_cast<HICON>(icon);
}

void show_about_box(HINSTANCE instance, HWND owner) {
    const std::vector<std::uint8_t> layout = dialog_template_bytes(about_template());
    DialogBoxIndirectParamW(instance, reinterpret_cast<LPCDLGTEMPLATEW>(layout.data()), owner,
                            &about_proc, reinterpret_cast<LPARAM>(instance));
}

} // namespace nerivo
