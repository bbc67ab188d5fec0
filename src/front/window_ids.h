#pragma once

// Layouts, the About box's controls and the system commands of the station window. The ids
// of the station window's own controls are the station's vocabulary (control_ids.h).

#include "control_ids.h"

namespace nerivo {

// The system-menu command that opens the About box. Windows keeps a system command's low four
// bits for itself: commands are compared masked, so 0x0010 to 0x001F all mean About.
constexpr unsigned ABOUT_COMMAND = 0x0010;
constexpr unsigned SYSTEM_COMMAND_MASK = 0xFFF0;
// The system-menu command that opens the track window (or brings it to the front).
constexpr unsigned TRACK_COMMAND = 0x0020;

// Layouts.
constexpr int IDD_ABOUT = 100;
constexpr int IDD_STATION = 102;

// Controls with no id (labels, group boxes, the About box's picture).
constexpr int NO_ID = -1;

// About box.
constexpr int IDC_ABOUT_OK = 1;

// System commands that mean something to a window here too.
constexpr unsigned SYSTEM_MINIMIZE = 0xF020;
constexpr unsigned SYSTEM_CLOSE = 0xF060;
constexpr unsigned SYSTEM_RESTORE = 0xF120;

// The About entry of the system menu (or of the window's context menu).
constexpr const char* ABOUT_MENU_TEXT = "&About Nerivo...";
// The track window's entry beside it; Ctrl+T in the station window does the same.
constexpr const char* TRACK_MENU_TEXT = "&Track plot...";
constexpr const char* TRACK_WINDOW_TITLE = "Track plot - Nerivo";
// Ctrl+S in the track window: the save box's title, the name it offers the first time (in the
// current folder), and what a failed save says before why.
constexpr const char* TRACK_SAVE_TITLE = "Save track as GPX";
constexpr const char* TRACK_SAVE_FIRST_NAME = "nerivo-track.gpx";
constexpr const char* TRACK_NOT_SAVED = "The track was not saved: ";

} // namespace nerivo
