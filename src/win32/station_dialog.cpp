#include "station_dialog.h"

#include "dialog_template.h"
#include "station.h"
#include "station_bindings.h"
#include "wide_text.h"
#include "win32_system_menu.h"
#include "window_dpi.h"
#include "window_ids.h"

#include <utility>
#include <vector>

namespace nerivo {
namespace {

bool is_field(const ControlTemplate& row) {
    return row.kind == ControlKind::EDIT && row.id != NO_ID;
}

// The station window whose keys the filter looks at: one a thread, as there is one station.
StationDialog* filtered_window = nullptr;

} // namespace

INT_PTR StationDialog::run() {
    const std::vector<std::uint8_t> layout = dialog_template_bytes(station_template());
    return DialogBoxIndirectParamW(instance_, reinterpret_cast<LPCDLGTEMPLATEW>(layout.data()),
                                   nullptr, &StationDialog::dialog_proc,
                                   reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK StationDialog::dialog_proc(HWND window, UINT message, WPARAM wparam,
                                            LPARAM lparam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(window, DWLP_USER, lparam);
        auto* self = reinterpret_cast<StationDialog*>(lparam);
        self->window_ = window;
        self->on_init();
        return FALSE; // the focus is set already
    }
    auto* self = reinterpret_cast<StationDialog*>(GetWindowLongPtrW(window, DWLP_USER));
    return self != nullptr ? self->on_message(message, wparam, lparam) : FALSE;
}

// Only keys for the station window and its controls: a message box's loop over it uses the
// same hook code, and the track window has keys of its own.
LRESULT CALLBACK StationDialog::filter_keys(int code, WPARAM wparam, LPARAM lparam) {
    const auto& message = *reinterpret_cast<const MSG*>(lparam);
    StationDialog* self = filtered_window;
    if (code == MSGF_DIALOGBOX && self != nullptr && self->window_ != nullptr &&
        message.message == WM_KEYDOWN && message.wParam == 'T' && GetKeyState(VK_CONTROL) < 0 &&
        GetKeyState(VK_MENU) >= 0 &&
        (message.hwnd == self->window_ || IsChild(self->window_, message.hwnd))) {
        self->open_track_window();
        return 1;
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

void StationDialog::on_init() {
    // A window without a system menu simply has no such entries. About stays the last one.
    (void)add_system_menu_entry(window_, TRACK_COMMAND, TRACK_MENU_TEXT);
    (void)add_system_menu_entry(window_, ABOUT_COMMAND, ABOUT_MENU_TEXT);
    // The dialog's loop (DialogBoxIndirectParamW's) runs no accelerator table, and a key goes
    // to whichever control has the focus, so no window procedure of ours sees Ctrl+T. The
    // loop does hand every message to WH_MSGFILTER hooks (MSGF_DIALOGBOX) before the dialog
    // manager takes it, on Windows and under Wine alike, which needs no subclass on each
    // control and sees nothing of other threads.
    filtered_window = this;
    key_filter_ =
        SetWindowsHookExW(WH_MSGFILTER, &StationDialog::filter_keys, nullptr, GetCurrentThreadId());
    dpi_ = window_dpi(window_);
    set_icons();
    SetTimer(window_, TICK_TIMER, TICK_MS, nullptr);
    status_log_.attach(GetDlgItem(window_, IDC_STATUS_LOG), wide(STATUS_LOG_TITLE).c_str(), dpi_);
    nav_log_.attach(GetDlgItem(window_, IDC_NAV_LOG), wide(NAV_LOG_TITLE).c_str(), dpi_);
    add_tooltips();
    if (station_ != nullptr) {
        station_->init_station();
    }
    SetFocus(GetDlgItem(window_, IDC_EXIT));
}

void StationDialog::set_icons() const {
    for (const auto& [which, size] : {std::pair{ICON_BIG, SM_CXICON}, {ICON_SMALL, SM_CXSMICON}}) {
        SendMessageW(
            window_, WM_SETICON, which,
            reinterpret_cast<LPARAM>(application_icon(instance_, system_metric(size, dpi_))));
    }
}

// One tool per field; its tip stays empty, and so unseen, until the station gives one.
void StationDialog::add_tooltips() {
    tooltips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_,
                                nullptr, instance_, nullptr);
    if (tooltips_ == nullptr) {
        return;
    }
    for (const ControlTemplate& row : station_template().controls) {
        if (!is_field(row)) {
            continue;
        }
        TTTOOLINFOW tool{};
        tool.cbSize = TTTOOLINFOW_V2_SIZE;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = window_;
        tool.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(window_, row.id));
        tool.lpszText = const_cast<wchar_t*>(L"");
        SendMessageW(tooltips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

INT_PTR StationDialog::on_message(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_TIMER:
        if (wparam == TICK_TIMER && station_ != nullptr) {
            station_->on_tick();
            if (track_window_ != nullptr) {
                track_window_->show_new_points();
            }
        }
        return TRUE;
    case WM_COMMAND:
        if (HIWORD(wparam) == BN_CLICKED) {
            on_command(LOWORD(wparam));
            return TRUE;
        }
        return FALSE;
    case WM_SYSCOMMAND: {
        const MSG msg{window_, message, wparam, lparam, 0, {}};
        if (is_system_command(msg, ABOUT_COMMAND)) {
            show_about_box(instance_, window_);
        } else if (is_system_command(msg, TRACK_COMMAND)) {
            open_track_window();
        } else {
            return FALSE;
        }
        SetWindowLongPtrW(window_, DWLP_MSGRESULT, 0);
        return TRUE;
    }
    case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
        if (item.CtlType != ODT_BUTTON) {
            return FALSE;
        }
        draw_state_button(item);
        return TRUE;
    }
    case WM_CTLCOLOREDIT:
        return reinterpret_cast<INT_PTR>(field_colours(
            reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam), COLOR_WINDOW));
    case WM_CTLCOLORSTATIC: // read-only edits ask this way
        return reinterpret_cast<INT_PTR>(field_colours(
            reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam), COLOR_BTNFACE));
    case WM_NOTIFY: {
        const auto& header = *reinterpret_cast<const NMHDR*>(lparam);
        LogList* log = log_of(header.hwndFrom);
        if (log == nullptr || !log->on_notify(header)) {
            return FALSE;
        }
        SetWindowLongPtrW(window_, DWLP_MSGRESULT, 0);
        return TRUE;
    }
    case WM_CONTEXTMENU: {
        // Edits keep their own menus; what reaches the window is from a log, or from the
        // background, a label or a button, which have none.
        const auto source = reinterpret_cast<HWND>(wparam);
        const int x = static_cast<short>(LOWORD(lparam));
        const int y = static_cast<short>(HIWORD(lparam));
        if (LogList* log = log_of(source)) {
            log->show_context_menu(x, y);
        } else {
            show_context_menu(source, x, y);
        }
        return TRUE;
    }
    case WM_DPICHANGED:
        // The dialog manager scales the dialog, its font and its controls; what is set in
        // pixels here follows once it has.
        dpi_ = LOWORD(wparam);
        set_icons();
        PostMessageW(window_, FIT_TO_DPI, 0, 0);
        return FALSE;
    case FIT_TO_DPI:
        status_log_.set_dpi(dpi_);
        nav_log_.set_dpi(dpi_);
        return TRUE;
    case WM_DESTROY:
        for (const ControlTemplate& row : station_template().controls) {
            if (row.id != NO_ID) {
                closed_texts_[row.id] = text_of(row.id);
            }
        }
        status_log_.detach();
        nav_log_.detach();
        if (key_filter_ != nullptr) {
            UnhookWindowsHookEx(key_filter_);
            key_filter_ = nullptr;
            filtered_window = nullptr;
        }
        window_ = nullptr;
        tooltips_ = nullptr; // owned by the window, gone with it
        return FALSE;
    default:
        return FALSE;
    }
}

void StationDialog::on_command(int id) {
    if (id == IDOK || id == IDCANCEL) {
        end(id);
        return;
    }
    for (const ButtonOperation& button : BUTTON_OPERATIONS) {
        if (button.id == id && station_ != nullptr) {
            (station_->*button.operation)();
        }
    }
}

void StationDialog::show_context_menu(HWND source, int x, int y) {
    if (choose_context_entry(window_, source != nullptr ? source : window_, x, y,
                             wide(ABOUT_MENU_TEXT).c_str(), true)) {
        show_about_box(instance_, window_);
    }
}

void StationDialog::open_track_window() {
    if (station_ == nullptr) {
        return;
    }
    if (track_window_ == nullptr) {
        track_window_ = std::make_unique<TrackWindow>(instance_, station_->track());
    }
    track_window_->open(window_);
}

void StationDialog::end(INT_PTR result) {
    KillTimer(window_, TICK_TIMER);
    EndDialog(window_, result);
}

LogList* StationDialog::log_of(HWND control) {
    if (control == nullptr) {
        return nullptr;
    }
    if (control == status_log_.control()) {
        return &status_log_;
    }
    return control == nav_log_.control() ? &nav_log_ : nullptr;
}

HBRUSH StationDialog::field_colours(HDC dc, HWND control, int background) const {
    if (stale_.count(GetDlgCtrlID(control)) == 0) {
        return nullptr;
    }
    SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    SetBkColor(dc, GetSysColor(background));
    return GetSysColorBrush(background);
}

// The face in the station's colour, raised (sunken while pressed), a black ring when focused,
// the caption centred on one line, and the dotted focus rectangle inside.
void StationDialog::draw_state_button(const DRAWITEMSTRUCT& item) const {
    const auto found = button_colours_.find(static_cast<int>(item.CtlID));
    const COLORREF text_colour =
        found != button_colours_.end() ? found->second.text : GetSysColor(COLOR_BTNTEXT);
    const COLORREF face_colour =
        found != button_colours_.end() ? found->second.face : GetSysColor(COLOR_BTNFACE);
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    const bool focused = (item.itemState & ODS_FOCUS) != 0;
    const bool disabled = (item.itemState & ODS_DISABLED) != 0;
    const HDC dc = item.hDC;
    RECT face = item.rcItem;

    HBRUSH brush = CreateSolidBrush(disabled ? GetSysColor(COLOR_BTNFACE) : face_colour);
    FillRect(dc, &face, brush);
    DeleteObject(brush);
    if (focused && !pressed) {
        FrameRect(dc, &face, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        InflateRect(&face, -1, -1);
    }
    DrawEdge(dc, &face, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);

    wchar_t caption[512] = {};
    GetWindowTextW(item.hwndItem, caption, 512);
    const HGDIOBJ font =
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(item.hwndItem, WM_GETFONT, 0, 0)));
    SetBkMode(dc, TRANSPARENT);
    constexpr UINT CENTRED = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    const int pixel = scaled(1, dpi_); // the caption's offset, as far at every scale
    RECT text = item.rcItem;
    if (disabled) {
        SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
        DrawTextW(dc, caption, -1, &text, CENTRED);
        OffsetRect(&text, -pixel, -pixel);
        SetTextColor(dc, GetSysColor(COLOR_BTNSHADOW));
    } else {
        SetTextColor(dc, text_colour);
        if (!pressed) {
            OffsetRect(&text, -pixel, -pixel);
        }
    }
    DrawTextW(dc, caption, -1, &text, CENTRED);
    SelectObject(dc, font);

    if (focused) {
        RECT ring = item.rcItem;
        InflateRect(&ring, -scaled(4, dpi_), -scaled(4, dpi_));
        DrawFocusRect(dc, &ring);
    }
}

std::wstring StationDialog::text_of(int id) const {
    if (window_ == nullptr) {
        const auto found = closed_texts_.find(id);
        return found != closed_texts_.end() ? found->second : std::wstring();
    }
    const HWND control = GetDlgItem(window_, id);
    const int length = control != nullptr ? GetWindowTextLengthW(control) : 0;
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    if (length > 0) {
        text.resize(static_cast<std::size_t>(GetWindowTextW(control, text.data(), length + 1)));
    } else {
        text.clear();
    }
    return text;
}

void StationDialog::set_text_of(int id, const std::wstring& text) {
    if (window_ == nullptr) {
        closed_texts_[id] = text;
        return;
    }
    SetDlgItemTextW(window_, id, text.c_str());
}

void StationDialog::View::add_status_line(WallTime, const std::string& line) {
    window_.status_log_.add_line_at_top(line);
}

void StationDialog::View::add_nav_line(WallTime, const std::string& line) {
    window_.nav_log_.add_line_at_top(line);
}

std::string StationDialog::View::field_text(int id) const {
    return utf8(window_.text_of(id));
}

void StationDialog::View::set_field_text(int id, const std::string& text) {
    window_.set_text_of(id, wide(text));
}

void StationDialog::View::set_button_colours(int id, uint32_t text_colour, uint32_t face_colour) {
    window_.button_colours_[id] = Colours{text_colour, face_colour};
    if (window_.window_ != nullptr) {
        InvalidateRect(GetDlgItem(window_.window_, id), nullptr, FALSE);
    }
}

// Greyed, not disabled: a stale value can still be selected and copied, and keeps its place in
// the tab order.
void StationDialog::View::set_field_stale(int id, bool stale) {
    const bool changed = stale ? window_.stale_.insert(id).second : window_.stale_.erase(id) > 0;
    if (changed && window_.window_ != nullptr) {
        InvalidateRect(GetDlgItem(window_.window_, id), nullptr, TRUE);
    }
}

void StationDialog::View::set_field_tooltip(int id, const std::string& text) {
    if (window_.tooltips_ == nullptr) {
        return;
    }
    std::wstring tip = wide(text);
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = window_.window_;
    tool.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(window_.window_, id));
    tool.lpszText = tip.data();
    SendMessageW(window_.tooltips_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

// The tick goes on meanwhile: the message box's own loop still delivers the window's timer.
bool StationDialog::View::ask_yes_no(const std::string& text, const std::string& caption) {
    return MessageBoxW(window_.window_, wide(text).c_str(), wide(caption).c_str(),
                       MB_YESNO | MB_DEFBUTTON1) == IDYES;
}

} // namespace nerivo
