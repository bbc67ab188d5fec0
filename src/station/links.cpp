// Connecting the links, the relay switch and the operator's commands to the vehicle.
#include "station_window.h"

#include "c_text.h"
#include "smac_records.h"

#include <QMessageBox>

namespace {

// Every link runs at 9600 baud, 8 data bits, no parity, one stop bit.
constexpr uint32_t LINK_BAUD = 9600;
constexpr uint8_t LINK_BYTE_SIZE = 8;

// The transmit period field is read cut to this many characters.
constexpr int XMIT_PERIOD_MAX_CHARS = 9;

} // namespace

void StationWindow::connect_link(int field_id, SerialPort& port, int32_t& connected,
                                 StateButton* button, const char* message) {
    const int32_t number = nerivo::decimal_value(field_text(field_id).toStdString());
    if (!port.open(number, LINK_BAUD, SerialPort::PARITY_NONE, LINK_BYTE_SIZE,
                   SerialPort::STOP_BITS_ONE)) {
        return; // the operator may correct the number and try again
    }
    if (message != nullptr) {
        add_status_message(QString::fromLatin1(message));
    }
    connected = 1;
    if (button != nullptr) {
        button->set_colours(STATE_CAPTION, STATE_GREEN);
    }
}

void StationWindow::connect_winfrog() {
    connect_link(IDC_WINFROG_COM, winfrog_port, winfrog_connected, winfrog_button,
                 "WinFrog responding...Connected");
}

void StationWindow::connect_auv() {
    connect_link(IDC_AUV_COM, auv_port, auv_connected, auv_button, "AUV responding...Connected");
}

void StationWindow::connect_gps() {
    connect_link(IDC_GPS_COM, gps_port, gps_connected, gps_button, nullptr);
}

void StationWindow::toggle_relay() {
    if (transmitting == 0) {
        xmit_period = nerivo::decimal_value(
            field_text(IDC_XMIT_PERIOD).left(XMIT_PERIOD_MAX_CHARS).toStdString());
        if (gps_connected == 0 || winfrog_connected == 0 || auv_connected == 0) {
            add_status_message(QStringLiteral("WinFrog-USBL|AUV not connected"));
            return;
        }
        add_status_message(QStringLiteral("Start transmitting Nav packets"));
        transmitting = 1;
        if (xmit_button != nullptr) {
            xmit_button->set_colours(STATE_CAPTION, STATE_GREEN);
        }
        set_field_text(IDC_XMIT_BUTTON, QStringLiteral("Stop Packet Xmit"));
        return;
    }
    add_status_message(QStringLiteral("Stop transmitting Nav packets"));
    last_xmit_time = 0;
    transmitting = 0;
    if (xmit_button != nullptr) {
        xmit_button->set_colours(STATE_CAPTION, STATE_RED);
    }
    set_field_text(IDC_XMIT_BUTTON, QStringLiteral("Start Packet Xmit"));
}

void StationWindow::request_status() {
    if (auv_connected == 0) {
        add_status_message(QStringLiteral("Not connected to AUV"));
        return;
    }
    add_status_message(QStringLiteral("Requesting status from AUV"));
    send_command(SMAC_COMMAND_REQUEST_STATUS);
}

void StationWindow::abort_mission() {
    if (auv_connected == 0) {
        add_status_message(QStringLiteral("Not connected to AUV"));
        return;
    }
    if (!confirm(QStringLiteral("Abort mission and return to surface?"),
                 QStringLiteral("Abort Mission"))) {
        return;
    }
    add_status_message(QStringLiteral("Sending \"Abort\" message to AUV"));
    // Read after the answer: the tick went on while the box was open.
    if (transmitting != 0) {
        toggle_relay();
    }
    send_command(SMAC_COMMAND_ABORT);
}

void StationWindow::start_survey() {
    if (auv_connected == 0) {
        add_status_message(QStringLiteral("Not connected to AUV"));
        return;
    }
    if (!confirm(QStringLiteral("Start mapping survey now?"), QStringLiteral("Start Survey"))) {
        return;
    }
    add_status_message(QStringLiteral("Sending \"Start Survey\" message to AUV"));
    if (transmitting != 0) {
        toggle_relay();
    }
    send_command(SMAC_COMMAND_START_SURVEY);
}

bool StationWindow::confirm(const QString& text, const QString& caption) {
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Yes | QMessageBox::No, this);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

void StationWindow::send_command(uint32_t code) {
    SmacHeader header{};
    header.param = code;
    const uint8_t payload = 0; // the command is carried by param alone
    uint8_t record[SMAC_COMMAND_RECORD_SIZE];
    uint32_t size = 0;
    smac_encode_command(&header, &payload, record, &size);
    if (auv_port.send(record, static_cast<int32_t>(size)) != static_cast<int32_t>(size)) {
        add_status_message(QStringLiteral("Send to AUV failed"));
    }
}
