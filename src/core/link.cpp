#include "link.h"

#include "c_text.h"
#include "com_port_path.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

namespace nerivo {

Link::Link(StationView& view, EventLog& log, const Names& names, std::function<void()> closed,
           uint32_t baud)
    : view_(view), log_(log), names_(names), closed_(std::move(closed)), baud_(baud),
      queue_(port_) {}

// The open runs on a thread of its own, with a port of its own that the link takes over once
// it is done: the thread may outlive the link, and then closes what it opened.
struct Link::Opening {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    bool opened = false;
    SerialPort port;
    int32_t number = 0;
    Purpose purpose = Purpose::CONNECT;
    bool switching = false;
};

bool Link::open(int32_t number, Purpose purpose, bool switching) {
    if (port_.is_open()) {
        // The same port: it stays as it is (the first settings too).
        return finish_opening(true, purpose, switching, number);
    }
    auto opening = std::make_shared<Opening>();
    opening->number = number;
    opening->purpose = purpose;
    opening->switching = switching;
    std::thread([opening, baud = baud_] {
        const bool opened = opening->port.open(opening->number, baud, SerialPort::PARITY_NONE,
                                               BYTE_SIZE, SerialPort::STOP_BITS_ONE);
        std::lock_guard lock(opening->mutex);
        opening->opened = opened;
        opening->done = true;
        opening->finished.notify_all();
    }).detach();
    {
        std::unique_lock lock(opening->mutex);
        opening->finished.wait_for(lock, std::chrono::milliseconds(OPEN_WAIT_MS),
                                   [&] { return opening->done; });
    }
    opening_ = std::move(opening);
    return finish_opening_if_done();
}

bool Link::finish_opening_if_done() {
    if (!opening_) {
        return false;
    }
    std::unique_lock lock(opening_->mutex);
    if (!opening_->done) {
        return false;
    }
    const std::shared_ptr<Opening> opening = std::move(opening_);
    lock.unlock();
    port_ = std::move(opening->port);
    return finish_opening(opening->opened, opening->purpose, opening->switching, opening->number);
}

bool Link::finish_opening(bool opened, Purpose purpose, bool switching, int32_t number) {
    if (opened) {
        port_number_ = number;
    }
    switch (purpose) {
    case Purpose::CONNECT:
        if (!opened) {
            // The operator may correct the number, or the device, and try again.
            const auto device = com_port_path(number);
            log_.add_status_message("Cannot open COM" + std::to_string(number) +
                                    (device ? " (" + *device + ")" : std::string()) + ": " +
                                    port_.last_error().text);
            if (switching) {
                show(State::DOWN); // the old port is closed: the link is down, and shown so
                closed_();
            }
            return false;
        }
        if (switching) {
            closed_();
        }
        if (names_.connected != nullptr) {
            log_.add_status_message(names_.connected);
        }
        show(State::CONNECTED);
        return true;
    case Purpose::KEEP_OPEN:
        if (opened) {
            show(State::CONNECTED);
        }
        return opened;
    case Purpose::REOPEN:
        if (opened) {
            log_.add_status_message(std::string(names_.name) + " link back...Connected");
            show(State::CONNECTED);
        }
        return opened;
    }
    return false;
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
    if (opening_) {
        log_.add_status_message("Still opening COM" + std::to_string(opening_->number));
        return;
    }
    // The operator means the port the field names now, not the one still open.
    const bool switching = port_.is_open() && number != port_number_;
    if (switching) {
        close_port("was moved to another port");
    }
    if (!open(number, Purpose::CONNECT, switching) && opening_) {
        log_.add_status_message("Opening COM" + std::to_string(number) + "...");
    }
}

bool Link::keep_open(int32_t number) {
    port_number_ = number;
    last_try_ms_ = monotonic_ms();
    if (open(number, Purpose::KEEP_OPEN, false)) {
        return true;
    }
    show(State::LOST); // tried again every REOPEN_EVERY_MS
    return opening_ != nullptr;
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
    if (opening_) {
        const bool reopening = opening_->purpose == Purpose::REOPEN;
        return finish_opening_if_done() && reopening;
    }
    const int64_t now = monotonic_ms();
    if (state_ != State::LOST || now - last_try_ms_ < REOPEN_EVERY_MS) {
        return false;
    }
    last_try_ms_ = now;
    return open(port_number_, Purpose::REOPEN, false);
}
} // namespace nerivo
