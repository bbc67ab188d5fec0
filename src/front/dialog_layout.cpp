#include "dialog_layout.h"

#include "window_ids.h"

namespace nerivo {

namespace {

using K = ControlKind;

constexpr unsigned EDIT = STYLE_BORDER | STYLE_TAB_STOP | STYLE_AUTO_HSCROLL;
constexpr unsigned READ_ONLY = EDIT | STYLE_READ_ONLY;
constexpr unsigned DIGITS = EDIT | STYLE_DIGITS_ONLY;
constexpr unsigned LABEL = STYLE_GROUP;
constexpr unsigned LOG = STYLE_BORDER | STYLE_TAB_STOP;

constexpr ControlTemplate STATION_CONTROLS[] = {
    {IDC_EXIT, K::PUSH_BUTTON, "Exit", STYLE_DEFAULT_BUTTON | STYLE_TAB_STOP, 15, 190, 50, 16},
    {NO_ID, K::GROUP_BOX, "USBL-Aided Navigation", STYLE_FLAT, 7, 13, 228, 115},
    {NO_ID, K::GROUP_BOX, "Vehicle Status", STYLE_FLAT, 248, 13, 301, 116},
    {IDC_XMIT_BUTTON, K::STATE_BUTTON, "Start Nav Packets", STYLE_TAB_STOP, 164, 154, 68, 14},
    {IDC_DEPTH, K::EDIT, "", READ_ONLY, 453, 36, 37, 14},
    {NO_ID, K::LABEL, "Depth", LABEL, 457, 26, 20, 8},
    {IDC_BEHAVIOUR, K::EDIT, "", READ_ONLY, 252, 77, 58, 14},
    {NO_ID, K::LABEL, "Current Behavior", LABEL, 253, 67, 64, 8},
    {NO_ID, K::LABEL, "Batt Volt", LABEL, 398, 67, 28, 8},
    {IDC_BATTERY_VOLTAGE, K::EDIT, "", READ_ONLY, 395, 77, 37, 14},
    {NO_ID, K::LABEL, "Altitude", LABEL, 505, 26, 26, 8},
    {IDC_ALTITUDE, K::EDIT, "", READ_ONLY, 502, 37, 36, 14},
    {NO_ID, K::LABEL, "Latitude", LABEL, 254, 25, 27, 8},
    {IDC_LATITUDE, K::EDIT, "", READ_ONLY, 252, 36, 68, 14},
    {NO_ID, K::LABEL, "Longitude", LABEL, 329, 25, 32, 8},
    {IDC_LONGITUDE, K::EDIT, "", READ_ONLY, 327, 36, 72, 14},
    {NO_ID, K::LABEL, "Heading", LABEL, 407, 25, 27, 8},
    {IDC_HEADING, K::EDIT, "", READ_ONLY, 405, 36, 38, 14},
    {IDC_WINFROG_BUTTON, K::STATE_BUTTON, "Connect to WinFrog", STYLE_TAB_STOP, 14, 154, 74, 14},
    {IDC_GPS_BUTTON, K::STATE_BUTTON, "Connect to GPS", STYLE_TAB_STOP | STYLE_HIDDEN, 117, 75, 74,
     14},
    {IDC_AUV_BUTTON, K::STATE_BUTTON, "Connect to AUV", STYLE_TAB_STOP, 94, 154, 62, 14},
    {IDC_WINFROG_COM, K::EDIT, "", DIGITS, 37, 137, 13, 14},
    {IDC_GPS_COM, K::EDIT, "", DIGITS | STYLE_HIDDEN, 149, 58, 13, 14},
    {IDC_AUV_COM, K::EDIT, "", DIGITS, 119, 137, 13, 14},
    {NO_ID, K::LABEL, "COM", LABEL, 18, 139, 16, 8},
    {NO_ID, K::LABEL, "COM", LABEL | STYLE_HIDDEN, 129, 60, 16, 8},
    {NO_ID, K::LABEL, "COM", LABEL, 99, 139, 16, 8},
    {IDC_NAV_LOG, K::LIST_VIEW, "", LOG | STYLE_CLIENT_EDGE, 17, 25, 211, 93},
    {IDC_STATUS_LOG, K::LIST_VIEW, "", LOG, 299, 134, 242, 73},
    {IDC_XMIT_PERIOD, K::EDIT, "", DIGITS, 210, 137, 13, 14},
    {NO_ID, K::LABEL, "Xmit Period", LABEL, 170, 139, 39, 8},
    {IDC_HUMIDITY, K::EDIT, "", READ_ONLY, 441, 77, 35, 14},
    {NO_ID, K::LABEL, "Humidity", LABEL, 444, 67, 28, 8},
    {NO_ID, K::LABEL, "Abort", LABEL, 324, 67, 19, 8},
    {IDC_ABORT, K::EDIT, "", READ_ONLY, 321, 77, 28, 14},
    {IDC_REQUEST_STATUS, K::PUSH_BUTTON, "Request Status", STYLE_TAB_STOP, 252, 104, 66, 14},
    {IDC_ABORT_MISSION, K::PUSH_BUTTON, "Abort Mission", STYLE_TAB_STOP, 411, 104, 66, 14},
    {IDC_START_SURVEY, K::PUSH_BUTTON, "Start Survey", STYLE_TAB_STOP, 331, 104, 66, 14},
};

constexpr ControlTemplate ABOUT_CONTROLS[] = {
    {NO_ID, K::ICON, "", 0, 11, 17, 20, 20},
    {NO_ID, K::LABEL, "Nerivo Version 1.0", STYLE_NO_PREFIX, 40, 10, 119, 8},
    {IDC_ABOUT_OK, K::PUSH_BUTTON, "OK", STYLE_DEFAULT_BUTTON | STYLE_GROUP | STYLE_TAB_STOP, 178,
     7, 50, 16},
};

constexpr DialogTemplate STATION{IDD_STATION, "Nerivo", 549, 221, STATION_CONTROLS};
constexpr DialogTemplate ABOUT{IDD_ABOUT, "About Nerivo", 235, 55, ABOUT_CONTROLS};

} // namespace

const DialogTemplate& station_template() {
    return STATION;
}
const DialogTemplate& about_template() {
    return ABOUT;
}

} // namespace nerivo
