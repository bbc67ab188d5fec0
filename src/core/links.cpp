// Connecting the links, the relay switch and the operator's commands to the vehicle.
#include "station.h"

#include "c_text.h"
#include "com_port_path.h"
#include "control_ids.h"

namespace nerivo {

void Station::connect_link(int field_id, SerialPort& port, int32_t& port_number, int32_t& connected,
                           int button_id, const char* message) {
    const int32_t number = decimal_value(view_.field_text(field_id));
    // The operator means the port the field names now, not the one still open.
    const bool switching = port.is_open() && number != port_number;
    if (switching) {
        port.close();
        forget_link_input(port);
    }
    if (!port.open(number, LINK_BAUD, SerialPort::PARITY_NONE, LINK_BYTE_SIZE,
                   SerialPort::STOP_BITS_ONE)) {
        // The operator may correct the number, or the device, and try again.
        const auto device = com_port_path(number);
        add_status_message("Cannot open COM" + std::to_string(number) +
                           (device ? " (" + *device + ")" : std::string()) + ": " +
                           port.last_error().text);
        if (switching) {
            // The old port is closed: the link is down, and shown so.
            connected = 0;
            view_.set_button_colours(button_id, STATE_CAPTION, STATE_RED);
            if (&port == &auv_port && transmitting != 0) {
                toggle_relay();
            }
        }
        return;
    }
    port_number = number;
    if (message != nullptr) {
        add_status_message(message);
    }
    connected = 1;
    view_.set_button_colours(button_id, STATE_CAPTION, STATE_GREEN);
}

void Station::forget_link_input(const SerialPort& port) {
    if (&port == &auv_port) {
        status_framer_ = RecordFramer();
    } else if (&port == &winfrog_port) {
        usbl_intake_.clear();
    }
}

void Station::connect_winfrog() {
    connect_link(IDC_WINFROG_COM, winfrog_port, winfrog_port_number_, winfrog_connected,
                 IDC_WINFROG_BUTTON, "WinFrog responding...Connected");
}

void Station::connect_auv() {
    connect_link(IDC_AUV_COM, auv_port, auv_port_number_, auv_connected, IDC_AUV_BUTTON,
                 "AUV responding...Connected");
}

void Station::connect_gps() {
    connect_link(IDC_GPS_COM, gps_port, gps_port_number_, gps_connected, IDC_GPS_BUTTON, nullptr);
}

bool Station::still_there(SerialPort& port) {
    if (port.last_error().kind != SerialError::DEVICE_GONE) {
        return true;
    }
    if (&port == &auv_port) {
        lose_auv_link();
    } else if (&port == &winfrog_port) {
        lose_winfrog_link();
    }
    return false;
}

// The port is closed so that the connect button can open the device again once it is back.
void Station::lose_auv_link() {
    add_status_message("AUV link lost");
    auv_port.close();
    auv_connected = 0;
    forget_link_input(auv_port);
    view_.set_button_colours(IDC_AUV_BUTTON, STATE_CAPTION, STATE_RED);
    if (transmitting != 0) {
        toggle_relay();
    }
}

void Station::lose_winfrog_link() {
    add_status_message("WinFrog link lost");
    winfrog_port.close();
    winfrog_connected = 0;
    forget_link_input(winfrog_port);
    view_.set_button_colours(IDC_WINFROG_BUTTON, STATE_CAPTION, STATE_RED);
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
    last_xmit_time.reset();
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
    // The link may have been lost while the question was open.
    if (auv_connected == 0) {
        add_status_message("Not connected to AUV");
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
        still_there(auv_port);
    }
}

} // namespace nerivo
