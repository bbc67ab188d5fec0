#pragma once

// The station window's controls, by id. The station reads and writes every field through
// its text by these ids, and colours the state buttons by them; the window lays them out.

namespace nerivo {

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

} // namespace nerivo
