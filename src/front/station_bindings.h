#pragma once

// What both windows bind to the station: the operation behind each of its buttons (Exit is
// the window's own), and the titles of the two logs' columns.

#include "control_ids.h"
#include "station.h"

#include <array>

namespace nerivo {

struct ButtonOperation {
    int id;
    void (Station::*operation)();
};

inline constexpr std::array<ButtonOperation, 7> BUTTON_OPERATIONS{{
    {IDC_GPS_BUTTON, &Station::connect_gps},
    {IDC_WINFROG_BUTTON, &Station::connect_winfrog},
    {IDC_AUV_BUTTON, &Station::connect_auv},
    {IDC_XMIT_BUTTON, &Station::toggle_relay},
    {IDC_REQUEST_STATUS, &Station::request_status},
    {IDC_ABORT_MISSION, &Station::abort_mission},
    {IDC_START_SURVEY, &Station::start_survey},
}};

inline constexpr const char* STATUS_LOG_TITLE = "Status Message";
inline constexpr const char* NAV_LOG_TITLE = "Transmitted Nav Records";

} // namespace nerivo
