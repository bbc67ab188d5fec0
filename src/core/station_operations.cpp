// The operator's operations: connecting the links, the relay switch, the commands.
#include "station.h"

#include "c_text.h"
#include "control_ids.h"

namespace nerivo {

void Station::connect_winfrog() {
    winfrog_.connect();
    resume_relay_if_due();
}

void Station::connect_auv() {
    auv_.connect();
    resume_relay_if_due();
}

void Station::connect_gps() {
    gps_.connect();
}

void Station::vehicle_link_closed() {
    monitor_.forget_input();
    if (!auv_.connected()) {
        report_target_lost();
    }
    if (!auv_.connected() && relay_.transmitting()) {
        stop_relay();
        resume_relay_ = auv_.lost();
    }
}

void Station::resume_relay_if_due() {
    if (resume_relay_ && gps_.connected() && winfrog_.connected() && auv_.connected()) {
        resume_relay_ = false;
        start_relay();
    }
}

void Station::toggle_relay() {
    resume_relay_ = false; // the operator's word wins
    if (relay_.transmitting()) {
        stop_relay();
    } else {
        start_relay();
    }
}

void Station::start_relay() {
    // The field is digits only, so cutting bytes cuts characters.
    const int32_t period =
        decimal_value(view_.field_text(IDC_XMIT_PERIOD).substr(0, XMIT_PERIOD_MAX_CHARS));
    if (!gps_.connected() || !winfrog_.connected() || !auv_.connected()) {
        add_status_message("WinFrog-USBL|AUV not connected");
        return;
    }
    add_status_message("Start transmitting Nav packets");
    relay_.start(period);
    view_.set_button_colours(IDC_XMIT_BUTTON, STATE_CAPTION, STATE_GREEN);
    view_.set_field_text(IDC_XMIT_BUTTON, "Stop Packet Xmit");
}

void Station::stop_relay() {
    add_status_message("Stop transmitting Nav packets");
    relay_.stop();
    view_.set_button_colours(IDC_XMIT_BUTTON, STATE_CAPTION, STATE_RED);
    view_.set_field_text(IDC_XMIT_BUTTON, "Start Packet Xmit");
}

void Station::request_status() {
    if (!auv_.connected()) {
        add_status_message("Not connected to AUV");
        return;
    }
    add_status_message("Requesting status from AUV");
    monitor_.requested();
    send_command(SMAC_COMMAND_REQUEST_STATUS, "Status request");
}

void Station::abort_mission() {
    send_confirmed_command("Abort mission and return to surface?", "Abort Mission",
                           "Sending \"Abort\" message to AUV", SMAC_COMMAND_ABORT, "Abort");
}

void Station::start_survey() {
    send_confirmed_command("Start mapping survey now?", "Start Survey",
                           "Sending \"Start Survey\" message to AUV", SMAC_COMMAND_START_SURVEY,
                           "Start Survey");
}

void Station::send_confirmed_command(const char* question, const char* caption,
                                     const char* log_line, uint32_t code, const char* name) {
    if (!auv_.connected()) {
        add_status_message("Not connected to AUV");
        return;
    }
    if (!view_.ask_yes_no(question, caption)) {
        return;
    }
    // The link may have been lost while the question was open.
    if (!auv_.connected()) {
        add_status_message("Not connected to AUV");
        return;
    }
    add_status_message(log_line);
    // Read after the answer: the tick went on while the question was open.
    if (relay_.transmitting()) {
        stop_relay();
    }
    send_command(code, name);
}

void Station::send_command(uint32_t code, const char* name) {
    SmacHeader header{};
    header.param = code;
    const uint8_t payload = 0; // the command is carried by param alone
    uint8_t record[SMAC_COMMAND_RECORD_SIZE];
    uint32_t size = 0;
    smac_build_command(&header, &payload, wall_clock_now(), record, &size);
    // Queued, never waited for: a link that takes no data has it told as not sent.
    SendQueue::Record command;
    command.bytes.assign(record, record + size);
    command.not_sent = [this, name](const std::string& why) {
        add_status_message(std::string(name) + " not sent: " + why);
    };
    if (!auv_.send(std::move(command))) {
        vehicle_send_failed();
    }
}

void Station::vehicle_send_failed() {
    add_status_message("Send to AUV failed");
    auv_.still_there();
}

} // namespace nerivo
