#include "record_framer.h"

#include <algorithm>
#include <cstring>

namespace nerivo {
namespace {

constexpr uint8_t VERSION_BYTES[4] = {1, 0, 0, 0};

// Header fields that make a header worth believing before its checksum is looked at.
bool known_shape(const SmacHeader& h) {
    return (h.rec_type == SMAC_REC_NAV && h.rec_size == SMAC_NAV_PAYLOAD_SIZE) ||
           (h.rec_type == SMAC_REC_COMMAND && h.rec_size == SMAC_COMMAND_PAYLOAD_SIZE) ||
           (h.rec_type == SMAC_REC_STATUS && h.rec_size == SMAC_STATUS_PAYLOAD_SIZE);
}

} // namespace

std::vector<FrameEvent> RecordFramer::feed(const uint8_t* bytes, std::size_t count) {
    std::vector<FrameEvent> events;
    if (bytes != nullptr && count > 0) {
        buffer_.insert(buffer_.end(), bytes, bytes + count);
    }
    scan(events);
    return events;
}

std::vector<FrameEvent> RecordFramer::flush() {
    std::vector<FrameEvent> events;
    if (awaiting_done_) {
        awaiting_done_ = false;
        nav_.kind = FrameEventKind::NAV_WITHOUT_DONE;
        events.push_back(nav_);
    }
    skip(buffer_.size() - start_);
    report_skipped(events);
    buffer_.clear();
    start_ = 0;
    return events;
}

void RecordFramer::skip(std::size_t count) {
    start_ += count;
    skipped_ += count;
}

void RecordFramer::report_skipped(std::vector<FrameEvent>& events) {
    if (skipped_ > 0) {
        FrameEvent e;
        e.kind = FrameEventKind::GARBAGE_SKIPPED;
        e.skipped = skipped_;
        events.push_back(e);
        skipped_ = 0;
    }
}

void RecordFramer::scan(std::vector<FrameEvent>& events) {
    for (;;) {
        const uint8_t* p = buffer_.data() + start_;
        const std::size_t available = buffer_.size() - start_;

        if (awaiting_done_) {
            const std::size_t n = std::min(available, sizeof SMAC_NAV_TERMINATOR);
            if (std::memcmp(p, SMAC_NAV_TERMINATOR, n) != 0) {
                // The bytes that broke the terminator may start the next record: keep them.
                awaiting_done_ = false;
                nav_.kind = FrameEventKind::NAV_WITHOUT_DONE;
                events.push_back(nav_);
                continue;
            }
            if (n < sizeof SMAC_NAV_TERMINATOR) {
                break;
            }
            start_ += sizeof SMAC_NAV_TERMINATOR;
            awaiting_done_ = false;
            nav_.kind = FrameEventKind::NAV_OK;
            events.push_back(nav_);
            continue;
        }

        // Find the next place that could start a header; a tail that could be the start of
        // one stays for the next feed.
        std::size_t offset = 0;
        while (offset < available) {
            const std::size_t n = std::min(available - offset, sizeof VERSION_BYTES);
            if (std::memcmp(p + offset, VERSION_BYTES, n) == 0) {
                break;
            }
            ++offset;
        }
        skip(offset);
        p += offset;
        const std::size_t left = available - offset;
        if (left < SMAC_HEADER_SIZE) {
            break;
        }

        SmacHeader header;
        smac_read_header(p, &header);
        const bool checksum_ok = smac_header_checksum(&header) == header.checksum;
        if (!checksum_ok) {
            if (known_shape(header)) {
                // Looks like one of ours but is damaged: its size can't be trusted, so
                // resynchronise past its first byte like any other garbage.
                report_skipped(events);
                FrameEvent e;
                e.kind = FrameEventKind::BAD_HEADER_CHECKSUM;
                e.header = header;
                events.push_back(e);
            }
            skip(1);
            continue;
        }
        if (header.rec_size == 0 || header.rec_size > MAX_PAYLOAD) {
            skip(1);
            continue;
        }
        const std::size_t whole = SMAC_HEADER_SIZE + header.rec_size + SMAC_TRAILER_SIZE;
        if (left < whole) {
            break;
        }
        report_skipped(events);
        const uint32_t summed = SMAC_HEADER_SIZE + header.rec_size;
        FrameEvent e;
        e.header = header;
        if (smac_checksum(p, summed) != smac_get_u32(p + summed)) {
            e.kind = FrameEventKind::BAD_TRAILER;
            events.push_back(e);
            // Its length is no more trustworthy than the rest of it: a record cut short by a
            // reset ends early, and the next record starts inside the span it promised. Look
            // again from its second byte; the rest of it is skipped like any garbage.
            start_ += 1;
            continue;
        }
        start_ += whole;
        if (header.rec_type == SMAC_REC_NAV && header.rec_size == SMAC_NAV_PAYLOAD_SIZE) {
            smac_read_nav_payload(p + SMAC_HEADER_SIZE, &e.fix);
            nav_ = e;
            awaiting_done_ = true;
            continue;
        }
        if (header.rec_type == SMAC_REC_STATUS && header.rec_size == SMAC_STATUS_PAYLOAD_SIZE) {
            smac_read_status_payload(p + SMAC_HEADER_SIZE, &e.status);
            e.kind = FrameEventKind::STATUS_OK;
        } else {
            e.kind =
                header.rec_type == SMAC_REC_COMMAND && header.rec_size == SMAC_COMMAND_PAYLOAD_SIZE
                    ? FrameEventKind::COMMAND_OK
                    : FrameEventKind::UNEXPECTED_RECORD;
        }
        events.push_back(e);
    }
    // Keep the buffer from growing with consumed bytes.
    if (start_ > 0) {
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(start_));
        start_ = 0;
    }
}

} // namespace nerivo
