#pragma once

// Cuts a byte stream off the vehicle link, in either direction, into SMAC records. Bytes come
// in any pieces; a record is recognised by its header (version 1, a matching header checksum,
// a payload of 1 to MAX_PAYLOAD bytes), checked against its trailer, and a nav record must
// be followed by "Done" and its zero. Anything else is skipped a byte at a time until the
// stream is in step again; so is a record whose trailer fails, since a record cut short
// hides the start of the next inside the length its header promised.

#include "smac_records.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace nerivo {

enum class FrameEventKind {
    NAV_OK,              // header, fix
    COMMAND_OK,          // header (param is the command code)
    STATUS_OK,           // header, status
    BAD_HEADER_CHECKSUM, // header; one of the three record shapes, its checksum wrong
    BAD_TRAILER,         // header; its first byte dropped, the rest looked at again
    NAV_WITHOUT_DONE,    // header, fix; the terminator was missing or wrong
    UNEXPECTED_RECORD,   // header; a sound record of another type or size
    GARBAGE_SKIPPED,     // skipped bytes
};

struct FrameEvent {
    FrameEventKind kind{};
    SmacHeader header{};
    NavFix fix{};
    VehicleStatus status{};
    std::size_t skipped = 0;
};

class RecordFramer {
public:
    // The largest payload a header may promise before we call it garbage.
    static constexpr uint32_t MAX_PAYLOAD = 1024;

    // Appends the bytes and returns what they completed, in stream order.
    std::vector<FrameEvent> feed(const uint8_t* bytes, std::size_t count);
    // The stream has gone quiet: whatever is left can never complete. Reports it and
    // starts afresh.
    std::vector<FrameEvent> flush();

    // Something is held back: part of a record, a terminator, or skipped bytes not yet
    // reported.
    bool has_pending() const { return buffer_.size() > start_ || skipped_ > 0 || awaiting_done_; }
    // Bytes kept for the next feed: the start of a record or of a terminator.
    std::size_t held_bytes() const { return buffer_.size() - start_; }

private:
    void scan(std::vector<FrameEvent>& events);
    void skip(std::size_t count);
    void report_skipped(std::vector<FrameEvent>& events);

    std::vector<uint8_t> buffer_;
    std::size_t start_ = 0; // first byte not yet consumed
    std::size_t skipped_ = 0;
    bool awaiting_done_ = false;
    FrameEvent nav_;
};

} // namespace nerivo
