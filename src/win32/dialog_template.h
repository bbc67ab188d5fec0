#pragma once

// A dialog's in-memory template (DLGTEMPLATEEX) made from a layout table, for
// DialogBoxIndirectParamW: the controls in table order (the tab order), with their positions
// in dialog units as the table gives them, in "MS Shell Dlg" 8 pt.

#include "dialog_layout.h"

#include <cstdint>
#include <vector>

namespace nerivo {

constexpr const wchar_t* DIALOG_FONT = L"MS Shell Dlg";
constexpr int DIALOG_FONT_POINTS = 8;

// The window class and the style bits a control of the table becomes.
const wchar_t* control_class(ControlKind kind);
std::uint32_t control_style(const ControlTemplate& row);
std::uint32_t control_ex_style(const ControlTemplate& row);

// The template's bytes; DWORD-aligned wherever the format needs it, so keep them in a buffer
// that is (std::vector's is).
std::vector<std::uint8_t> dialog_template_bytes(const DialogTemplate& layout);

} // namespace nerivo
