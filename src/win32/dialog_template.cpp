#include "dialog_template.h"

#include "wide_text.h"

#include "win32_api.h"

#include <string>

namespace nerivo {
namespace {

// Little-endian, field by field, as the dialog manager reads it.
class TemplateWriter {
public:
    void word(std::uint16_t value) {
        bytes_.push_back(static_cast<std::uint8_t>(value & 0xFF));
        bytes_.push_back(static_cast<std::uint8_t>(value >> 8));
    }
    void dword(std::uint32_t value) {
        word(static_cast<std::uint16_t>(value & 0xFFFF));
        word(static_cast<std::uint16_t>(value >> 16));
    }
    void byte(std::uint8_t value) { bytes_.push_back(value); }
    void text(const std::wstring& value) {
        for (wchar_t c : value) {
            word(static_cast<std::uint16_t>(c));
        }
        word(0);
    }
    void align_dword() {
        while (bytes_.size() % 4 != 0) {
            bytes_.push_back(0);
        }
    }
    std::vector<std::uint8_t> take() { return std::move(bytes_); }

private:
    std::vector<std::uint8_t> bytes_;
};

constexpr std::uint32_t DIALOG_STYLE = DS_SETFONT | DS_MODALFRAME | DS_3DLOOK | DS_CENTER |
                                       WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

} // namespace

const wchar_t* control_class(ControlKind kind) {
    switch (kind) {
    case ControlKind::PUSH_BUTTON:
    case ControlKind::STATE_BUTTON:
    case ControlKind::GROUP_BOX:
        return L"BUTTON";
    case ControlKind::LABEL:
    case ControlKind::ICON:
        return L"STATIC";
    case ControlKind::EDIT:
        return L"EDIT";
    case ControlKind::LIST_VIEW:
        return L"SysListView32";
    }
    return L"STATIC";
}

std::uint32_t control_style(const ControlTemplate& row) {
    std::uint32_t style = WS_CHILD;
    const auto has = [&row](unsigned bit) {
        return (row.style & bit) != 0;
    };
    if (!has(STYLE_HIDDEN)) {
        style |= WS_VISIBLE;
    }
    if (has(STYLE_TAB_STOP)) {
        style |= WS_TABSTOP;
    }
    if (has(STYLE_GROUP)) {
        style |= WS_GROUP;
    }
    if (has(STYLE_BORDER)) {
        style |= WS_BORDER;
    }
    switch (row.kind) {
    case ControlKind::PUSH_BUTTON:
        style |= has(STYLE_DEFAULT_BUTTON) ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
        break;
    case ControlKind::STATE_BUTTON:
        style |= BS_OWNERDRAW;
        break;
    case ControlKind::GROUP_BOX:
        style |= BS_GROUPBOX | (has(STYLE_FLAT) ? BS_FLAT : 0);
        break;
    case ControlKind::LABEL:
        style |= SS_LEFT | (has(STYLE_NO_PREFIX) ? SS_NOPREFIX : 0);
        break;
    case ControlKind::ICON:
        style |= SS_ICON;
        break;
    case ControlKind::EDIT:
        style |= ES_LEFT | (has(STYLE_READ_ONLY) ? ES_READONLY : 0) |
                 (has(STYLE_DIGITS_ONLY) ? ES_NUMBER : 0) |
                 (has(STYLE_AUTO_HSCROLL) ? ES_AUTOHSCROLL : 0);
        break;
    case ControlKind::LIST_VIEW:
        // The lines live in the window, not in the control: it asks for the rows it shows.
        style |= LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER;
        break;
    }
    return style;
}

std::uint32_t control_ex_style(const ControlTemplate& row) {
    return (row.style & STYLE_CLIENT_EDGE) != 0 ? WS_EX_CLIENTEDGE : 0;
}

std::vector<std::uint8_t> dialog_template_bytes(const DialogTemplate& layout) {
    TemplateWriter out;
    out.word(1);      // version
    out.word(0xFFFF); // the extended template
    out.dword(0);     // help id
    out.dword(0);     // extended style
    out.dword(DIALOG_STYLE);
    out.word(static_cast<std::uint16_t>(layout.controls.size()));
    out.word(0);
    out.word(0);
    out.word(static_cast<std::uint16_t>(layout.width));
    out.word(static_cast<std::uint16_t>(layout.height));
    out.word(0); // no menu
    out.word(0); // the dialog class
    out.text(wide(layout.caption));
    out.word(DIALOG_FONT_POINTS);
    out.word(FW_NORMAL);
    out.byte(0); // not italic
    out.byte(DEFAULT_CHARSET);
    out.text(DIALOG_FONT);
    for (const ControlTemplate& row : layout.controls) {
        out.align_dword();
        out.dword(0); // help id
        out.dword(control_ex_style(row));
        out.dword(control_style(row));
        out.word(static_cast<std::uint16_t>(row.x));
        out.word(static_cast<std::uint16_t>(row.y));
        out.word(static_cast<std::uint16_t>(row.width));
        out.word(static_cast<std::uint16_t>(row.height));
        out.dword(static_cast<std::uint32_t>(row.id));
        out.text(control_class(row.kind));
        out.text(wide(row.text));
        out.word(0); // no creation data
    }
    return out.take();
}

} // namespace nerivo
