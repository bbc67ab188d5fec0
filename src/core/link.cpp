#include "link.h"

#include "c_text.h"
#include "com_port_path.h"

#include <utility>

namespace nerivo {

Link::Link(StationView& view, EventLog& log, const Names& names, std::function<void()> closed,
           uint32_t baud)
    : view_(view), log_(log), names_(names), closed_(std::move(closed)), baud_(baud),
      queue_(port_) {}

bool Link::open(int32_t number) {
    if (!port_.open(number, baud_, SerialPort::PARITY_NONE, BYTE_SIZE, SerialPort::STOP_BITS_ONE)) {
        return false;
    }
    port_number_ = number;
    return true;
}

void Link::show(State state) {
    state_ = state;
    if (names_.button == NO_CONTROL) {
        return;
    }
    view_.set_button_colours(names_.button, STATE_CAPTION,
                             state == State::CONNECTED ? STATE_GREEN : STATE_RED);
}

void Link::connect() {
    const int32_t number = decimal_value(view_.field_text(names_.com_field));
    // The operator means the port the field names now, not the one still open.
    const bool switching = port_.is_open() && number != port_number_;
    if (switching) {
        close_port("was moved to another port");
    }
    if (!open(number)) {
        // The operator may correct the number, or the device, and try again.
        const auto device = com_port_path(number);
        log_.add_status_message("Cannot open COM" + std::to_string(number) +
                                (device ? " (" + *device + ")" : std::string()) + ": " +
                                port_.last_error().text);
        if (switching) {
            show(State::DOWN); // the old port is closed: the link is down, and shown so
            closed_();
        }
        return;
    }
    if (switching) {
        closed_();
    }
    if (names_.connected != nullptr) {
        log_.add_status_message(names_.connected);
    }
    show(State::CONNECTED);
}

bool Link::keep_open(int32_t number) {
    if (open(number)) {
        show(State::CONNECTED);
        return true;
    }
    port_number_ = number;
    last_try_ms_ = monotonic_ms();
    show(State::LOST);
    return false;
}

bool Link::still_there() {
    if (port_.last_error().kind != SerialError::DEVICE_GONE) {
        return true;
    }
    // Closed, so that the device can be opened again once it is back.
    log_.add_status_message(std::string(names_.name) + " link lost");
    close_port("was lost");
    last_try_ms_ = monotonic_ms();
    show(State::LOST);
    closed_();
    return false;
}

void Link::close_port(const char* why) {
    port_.close();
    queue_.give_up_all("the " + std::string(names_.name) + " link " + why);
}

bool Link::send(SendQueue::Record record) {
    if (!port_.is_open()) {
        if (record.not_sent) {
            record.not_sent("the " + std::string(names_.name) + " link is not connected");
        }
        return true;
    }
    const int64_t now = monotonic_ms();
    queue_.push(std::move(record), now);
    return queue_.drain(now);
}

bool Link::pump() {
    if (!port_.is_open()) {
        return true;
    }
    const int64_t now = monotonic_ms();
    const bool working = queue_.drain(now);
    queue_.give_up_waiting(now, "the " + std::string(names_.name) + " link takes no data");
    return working;
}

bool Link::reopen_if_due() {
    const int64_t now = monotonic_ms();
    if (state_ != State::LOST || now - last_try_ms_ < REOPEN_EVERY_MS) {
        return false;
    }
    last_try_ms_ = now;
    if (!open(port_number_)) {
        return false;
    }
    log_.add_status_message(std::string(names_.name) + " link back...Connected");
    show(State::CONNECTED);
    return true;
}

} // namespace nerivo
