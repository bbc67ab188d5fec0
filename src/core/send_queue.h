#pragma once

// What a link has yet to hand its device: whole records in order, each written as far as the
// device takes it on every call and never with a hole. Only the newest position is worth
// sending, so a newer record of a replaceable kind takes the place of one the device has not
// begun to take; commands wait their turn, and one the device has not begun to take within
// GIVE_UP_MS is given up and told, never dropped silently.

#include "serial_port.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace nerivo {

class SendQueue {
public:
    static constexpr std::size_t MAX_RECORDS = 16;
    static constexpr int64_t GIVE_UP_MS = 5000;

    // Runs when a record is given up, with why, in the operator's words.
    using NotSent = std::function<void(const std::string& why)>;

    struct Record {
        std::vector<uint8_t> bytes;
        bool replaceable = false;   // nav records, NMEA sentences: only the newest counts
        std::function<void()> sent; // the device has taken the last byte
        NotSent not_sent;           // commands: given up
    };

    explicit SendQueue(SerialPort& port) : port_(port) {}

    // Queues `record` at `now_ms`. A full queue refuses it at once, as not sent.
    void push(Record record, int64_t now_ms);
    // Hands the port what it takes at `now_ms`, front first, running `sent` for each record it
    // took whole. False when the port failed (its last_error() says why).
    [[nodiscard]] bool drain(int64_t now_ms);
    // Commands not begun for GIVE_UP_MS by `now_ms` are given up, told `why`.
    void give_up_waiting(int64_t now_ms, const std::string& why);
    // The device was let go: everything queued is given up, told `why`, a record begun too.
    void give_up_all(const std::string& why);
    // True when records have waited GIVE_UP_MS by `now_ms` with the device taking nothing.
    bool stalled(int64_t now_ms) const {
        return !records_.empty() && now_ms - moved_ms_ >= GIVE_UP_MS;
    }

private:
    struct Queued {
        Record record;
        int64_t queued_ms = 0;
    };

    // Whether the front record may still be taken out of the queue: the device has taken
    // none of it. A write the port holds for it counts as begun, unless `take_back`, which
    // takes it back from the port first (a command given up is worth that; a newer position,
    // every tick of a stall, is not).
    bool front_free(bool take_back);
    // Removes the records `drop` picks, the front one only while it is free, running their
    // `not_sent` with `why` when given (and then taking back a held write).
    template <typename Drop> void remove(Drop drop, const std::string* why);

    SerialPort& port_;
    std::deque<Queued> records_;
    std::size_t front_taken_ = 0; // of the front record, by the device
    int64_t moved_ms_ = 0;        // when the device last took bytes, or the queue was empty
};

} // namespace nerivo
