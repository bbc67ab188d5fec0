#pragma once

// One of the station's serial links, as the operator sees it: the port its COM field names,
// the button that shows whether it is connected, and what happens when its device goes away
// and comes back.

#include "event_log.h"
#include "send_queue.h"
#include "serial_port.h"
#include "station_view.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace nerivo {

class Link {
public:
    // Links run at 9600 baud unless made with another rate, 8 data bits, no parity, one stop
    // bit.
    static constexpr uint32_t BAUD = 9600;
    static constexpr uint8_t BYTE_SIZE = 8;
    // How often a lost link tries its port again.
    static constexpr int64_t REOPEN_EVERY_MS = 1000;
    // How long the tick waits for a port to open: one that takes longer (some Bluetooth and
    // USB adapters do) goes on opening on its own thread, and a later tick takes it.
    static constexpr int OPEN_WAIT_MS = 100;
    // For a link the window has no field or button for.
    static constexpr int NO_CONTROL = -1;

    struct Names {
        const char* name;      // as the status log calls it: "AUV", "WinFrog"
        int com_field;         // the field with its COM number
        int button;            // its state button
        const char* connected; // logged when the operator connects it; null: nothing
    };

    // `closed` runs whenever the link has let its port go (lost, or moved to another port), so
    // that nothing read from the old device is taken for the new one's; connected() then says
    // whether the link is still up.
    Link(StationView& view, EventLog& log, const Names& names, std::function<void()> closed,
         uint32_t baud = BAUD);

    // Counted as connected from the start although no port is open (the GPS link).
    void count_as_connected() { state_ = State::CONNECTED; }
    // The operator's Connect: the port the COM field names now. Another number than the open
    // port's moves the link there; the same number keeps the open port. A port slow to open
    // is told as opening, and its outcome comes with a later tick.
    void connect();
    // For a port named once for the whole run rather than by a field: opens COM `number`, and
    // when it will not open, keeps trying every REOPEN_EVERY_MS as for a lost link. False when
    // it did not open now, port().last_error() saying why.
    [[nodiscard]] bool keep_open(int32_t number);
    // After a call on the port: false, with the link shown lost and closed, when the device
    // has gone.
    bool still_there();
    // While lost, opens the port again every REOPEN_EVERY_MS, without a line per try, and
    // takes a port that has finished opening; true when it came back just now.
    bool reopen_if_due();

    // Queues a record for the device and hands it what it takes now; nothing here waits on
    // the device. `record.sent` runs once it has taken the last byte, a command's `not_sent`
    // when it is given up. False when the device failed (port().last_error() says why).
    [[nodiscard]] bool send(SendQueue::Record record);
    // Once a tick: what is queued goes as far as the device takes it, and commands the device
    // has not begun to take for SendQueue::GIVE_UP_MS are given up. False as send().
    [[nodiscard]] bool pump();

    // True when bytes have waited SendQueue::GIVE_UP_MS for a device that takes none.
    bool stalled() const { return queue_.stalled(monotonic_ms()); }

    bool connected() const { return state_ == State::CONNECTED; }
    bool lost() const { return state_ == State::LOST; }
    SerialPort& port() { return port_; }

private:
    enum class State { DOWN, CONNECTED, LOST };
    // What an open was for, so that its outcome is shown as the operator expects.
    enum class Purpose { CONNECT, KEEP_OPEN, REOPEN };
    struct Opening;

    // Opens COM `number`, waiting OPEN_WAIT_MS at most; true when it is open now.
    bool open(int32_t number, Purpose purpose, bool switching);
    bool finish_opening_if_done();
    bool finish_opening(bool opened, Purpose purpose, bool switching, int32_t number);
    void show(State state);
    // The port is let go: nothing queued for it goes to the next device.
    void close_port(const char* why);

    StationView& view_;
    EventLog& log_;
    Names names_;
    std::function<void()> closed_;
    uint32_t baud_;
    SerialPort port_;
    SendQueue queue_;
    std::shared_ptr<Opening> opening_; // an open still running
    int32_t port_number_ = 0;          // the COM number the port was opened with
    State state_ = State::DOWN;
    int64_t last_try_ms_ = 0;
};

} // namespace nerivo
