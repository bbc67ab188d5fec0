#pragma once

// Control, layout and command ids of the station window and the About box. The controller
// reads and writes every field through these ids, never through a widget member.

// Layouts and resources.
constexpr int IDD_ABOUT = 100;
constexpr int IDS_ABOUT_MENU = 101;
constexpr int IDD_STATION = 102;
constexpr int IDR_APP_ICON = 128;

// Controls with no id (labels, group boxes, the About box's picture).
constexpr int NO_ID = -1;

// Station window.
constexpr int IDC_EXIT = 1; // the default button
constexpr int IDC_NAV_LOG = 1002;
constexpr int IDC_XMIT_BUTTON = 1003;
constexpr int IDC_DEPTH = 1004;
constexpr int IDC_BEHAVIOUR = 1005;
constexpr int IDC_BATTERY_VOLTAGE = 1006;
constexpr int IDC_ALTITUDE = 1007;
constexpr int IDC_LATITUDE = 1008;
constexpr int IDC_WINFROG_BUTTON = 1009;
constexpr int IDC_LONGITUDE = 1010;
constexpr int IDC_GPS_BUTTON = 1011;
constexpr int IDC_HEADING = 1012;
constexpr int IDC_AUV_BUTTON = 1013;
constexpr int IDC_WINFROG_COM = 1014;
constexpr int IDC_GPS_COM = 1015;
constexpr int IDC_AUV_COM = 1016;
constexpr int IDC_STATUS_LOG = 1017;
constexpr int IDC_XMIT_PERIOD = 1018;
constexpr int IDC_HUMIDITY = 1019;
constexpr int IDC_ABORT = 1020;
constexpr int IDC_REQUEST_STATUS = 1021;
constexpr int IDC_ABORT_MISSION = 1022;
constexpr int IDC_START_SURVEY = 1023;

// About box.
constexpr int IDC_ABOUT_OK = 1;

// The system-menu command that opens the About box. Command ids are compared with their
// low four bits masked off, so 0x0010 to 0x001F all mean About.
constexpr unsigned ABOUT_COMMAND = 0x0010;
constexpr unsigned SYSTEM_COMMAND_MASK = 0xFFF0;

namespace nerivo {

// System commands that mean something to a window here too.
constexpr unsigned SYSTEM_MINIMIZE = 0xF020;
constexpr unsigned SYSTEM_CLOSE = 0xF060;
constexpr unsigned SYSTEM_RESTORE = 0xF120;

// String 101: the About entry of the system menu (or of the window's context menu).
constexpr const char* ABOUT_MENU_TEXT = "&About Nerivo...";

} // namespace nerivo
