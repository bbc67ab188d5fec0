#include "log_list.h"

#include "wide_text.h"
#include "win32_system_menu.h"
#include "window_dpi.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace nerivo {
namespace {

std::vector<int> selected_rows(HWND list) {
    std::vector<int> rows;
    for (int row = ListView_GetNextItem(list, -1, LVNI_SELECTED); row != -1;
         row = ListView_GetNextItem(list, row, LVNI_SELECTED)) {
        rows.push_back(row);
    }
    return rows;
}

void set_row_state(HWND list, int row, UINT state) {
    ListView_SetItemState(list, row, state, state);
}

} // namespace

void LogList::attach(HWND list, const wchar_t* heading, unsigned dpi) {
    list_ = list;
    dpi_ = dpi;
    if (list_ == nullptr) {
        return;
    }
    ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT);
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH;
    column.fmt = LVCFMT_LEFT;
    column.cx = scaled(COLUMN_WIDTH, dpi_);
    column.pszText = const_cast<wchar_t*>(heading);
    SendMessageW(list_, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    ListView_SetItemCountEx(list_, row_count(), LVSICF_NOSCROLL);
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        measure(wide(std::string(lines_.at(i))));
    }
}

void LogList::set_dpi(unsigned dpi) {
    dpi_ = dpi;
    if (list_ == nullptr) {
        return;
    }
    widest_width_ = widest_line_.empty() ? 0 : ListView_GetStringWidth(list_, widest_line_.c_str());
    fit_column();
}

void LogList::measure(const std::wstring& line) {
    const int width = ListView_GetStringWidth(list_, line.c_str());
    if (width > widest_width_) {
        widest_line_ = line;
        widest_width_ = width;
        fit_column();
    }
}

void LogList::fit_column() const {
    const int needed = widest_width_ + scaled(LABEL_PADDING, dpi_);
    ListView_SetColumnWidth(list_, 0, std::max(scaled(COLUMN_WIDTH, dpi_), needed));
}

void LogList::add_line_at_top(const std::string& line) {
    lines_.append(line);
    if (list_ == nullptr) {
        return;
    }
    measure(wide(line));
    // Every row moves down one; the control keeps selection by row, so it is moved along.
    const std::vector<int> selected = selected_rows(list_);
    const int focused = ListView_GetNextItem(list_, -1, LVNI_FOCUSED);
    if (!selected.empty()) {
        ListView_SetItemState(list_, -1, 0, LVIS_SELECTED);
    }
    ListView_SetItemCountEx(list_, row_count(), LVSICF_NOSCROLL | LVSICF_NOINVALIDATEALL);
    for (int row : selected) {
        if (row + 1 < row_count()) {
            set_row_state(list_, row + 1, LVIS_SELECTED);
        }
    }
    if (focused != -1 && focused + 1 < row_count()) {
        set_row_state(list_, focused + 1, LVIS_FOCUSED);
    }
    InvalidateRect(list_, nullptr, FALSE);
}

bool LogList::on_notify(const NMHDR& header) {
    if (list_ == nullptr || header.hwndFrom != list_) {
        return false;
    }
    if (header.code == LVN_GETDISPINFOW) {
        LVITEMW& item = reinterpret_cast<NMLVDISPINFOW&>(const_cast<NMHDR&>(header)).item;
        if ((item.mask & LVIF_TEXT) != 0 && item.cchTextMax > 0) {
            const int row = item.iItem;
            const std::wstring text =
                row >= 0 && row < row_count()
                    ? wide(std::string(lines_.at(lines_.size() - 1 - static_cast<size_t>(row))))
                    : std::wstring();
            const std::size_t fits =
                std::min(text.size(), static_cast<std::size_t>(item.cchTextMax - 1));
            std::memcpy(item.pszText, text.data(), fits * sizeof(wchar_t));
            item.pszText[fits] = L'\0';
        }
        return true;
    }
    if (header.code == LVN_KEYDOWN) {
        const auto& key = reinterpret_cast<const NMLVKEYDOWN&>(header);
        if (key.wVKey == 'C' && GetKeyState(VK_CONTROL) < 0) {
            copy_selection();
            return true;
        }
    }
    return false;
}

void LogList::show_context_menu(int x, int y) {
    if (choose_context_entry(GetParent(list_), list_, x, y, COPY_MENU_TEXT,
                             ListView_GetSelectedCount(list_) > 0)) {
        copy_selection();
    }
}

std::wstring LogList::selected_text() const {
    std::wstring text;
    if (list_ == nullptr) {
        return text;
    }
    bool first = true;
    for (int row : selected_rows(list_)) {
        if (row >= row_count()) {
            break;
        }
        if (!first) {
            text += L"\r\n";
        }
        first = false;
        text += wide(std::string(lines_.at(lines_.size() - 1 - static_cast<size_t>(row))));
    }
    return text;
}

void LogList::copy_selection() const {
    const std::wstring text = selected_text();
    if (text.empty() || !OpenClipboard(GetParent(list_))) {
        return;
    }
    EmptyClipboard();
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
        std::memcpy(GlobalLock(memory), text.c_str(), bytes);
        GlobalUnlock(memory);
        if (SetClipboardData(CF_UNICODETEXT, memory) == nullptr) {
            GlobalFree(memory);
        }
    }
    CloseClipboard();
}

} // namespace nerivo
