// Connecting the links, the relay switch and the operator's commands to the vehicle.
#include "station.h"

#include "c_text.h"
#include "control_ids.h"

namespace nerivo {

void Station::connect_link(int field_id, SerialPort& port, int32_t& connected, int button_id,
                           const char* message) {
    const int32_t number = decimal_value(view_.field_text(field_id));
    if (!port.open(number, LINK_BAUD, SerialPort::PARITY_NONE, LINK_BYTE_SIZE,
                   SerialPort::STOP_BITS_ONE)) {
        return; // the operator may correct the number and try again
    }
    if (message != nullptr) {
        add_status_message(message);
    }
    connected = 1;
    view_.set_button_colours(button_id, STATE_CAPTION, STATE_GREEN);
}

void Station::connect_winfrog() {
    connect_link(IDC_WINFROG_COM, winfrog_port, winfrog_connected, IDC_WINFROG_BUTTON,
                 "WinFrog responding...Connected");
}

void Station::connect_auv() {
    connect_link(IDC_AUV_COM, auv_port, auv_connected, IDC_AUV_BUTTON,
                 "AUV responding...Connected");
}

void Station::connect_gps() {
    connect_link(IDC_GPS_COM, gps_port, gps_connected, IDC_GPS_BUTTON, nullptr);
}

void Station::toggle_relay() {
    if (transmitting == 0) {
        // The field is digits only, so cutting bytes cuts characters.
        xmit_period =
            decimal_value(view_.field_text(IDC_XMIT_PERIOD).substr(0, XMIT_PERIOD_MAX_CHARS));
        if (gps_connected == 0 || winfrog_connected == 0 || auv_connected == 0) {
            add_status_message("WinFrog-USBL|AUV not connected");
            return;
        }
        add_status_message("Start transmitting Nav packets");
        transmitting = 1;
        view_.set_button_colours(IDC_XMIT_BUTTON, STATE_CAPTION, STATE_GREEN);
        view_.set_field_text(IDC_XMIT_BUTTON, "Stop Packet Xmit");
        return;
    }
    add_status_message("Stop transmitting Nav packets");
    last_xmit_time = 0;
    transmitting = 0;
    view_.set_button_colours(IDC_XMIT_BUTTON, STATE_CAPTION, STATE_RED);
    view_.set_field_text(IDC_XMIT_BUTTON, "Start Packet Xmit");
}

void Station::request_status() {
    if (auv_connected == 0) {
        add_status_message("Not connected to AUV");
        return;
    }
    add_status_message("Requesting status from AUV");
    send_command(SMAC_COMMAND_REQUEST_STATUS);
}

void Station::abort_mission() {
    send_confirmed_command("Abort mission and return to surface?", "Abort Mission",
                           "Sending \"Abort\" message to AUV", SMAC_COMMAND_ABORT);
}

void Station::start_survey() {
    send_confirmed_command("Start mapping survey now?", "Start Survey",
                           "Sending \"Start Survey\" message to AUV", SMAC_COMMAND_START_SURVEY);
}

void Station::send_confirmed_command(const char* question, const char* caption,
                                     const char* log_line, uint32_t code) {
    if (auv_connected == 0) {
        add_status_message("Not connected to AUV");
        return;
    }
    if (!view_.ask_yes_no(question, caption)) {
        return;
    }
    add_status_message(log_line);
    // Read after the answer: the tick went on while the question was open.
    if (transmitting != 0) {
        toggle_relay();
    }
    send_command(code);
}

void Station::send_command(uint32_t code) {
    SmacHeader header{};
    header.param = code;
    const uint8_t payload = 0; // the command is carried by param alone
    uint8_t record[SMAC_COMMAND_RECORD_SIZE];
    uint32_t size = 0;
    smac_build_command(&header, &payload, wall_clock_now(), record, &size);
    if (auv_port.send(record, static_cast<int32_t>(size)) != static_cast<int32_t>(size)) {
        add_status_message("Send to AUV failed");
    }
}

} // namespace nerivo
