// The framer takes whatever a line delivers, in whatever pieces. Every byte must be accounted
// for once, every record it passes must be one, and it must not hoard what it is fed.
//
// Input: one byte giving the largest piece (1 to 256), then the stream; each piece is as long
// as its own first byte says (modulo the largest), so the fuzzer chooses the splits too.
#include "record_framer.h"
#include "smac_stdio.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace nerivo;

namespace {

using nerivo::FrameEvent;
using nerivo::FrameEventKind;

constexpr std::size_t LARGEST_RECORD =
    SMAC_HEADER_SIZE + nerivo::RecordFramer::MAX_PAYLOAD + SMAC_TRAILER_SIZE;

void require(bool ok) {
    if (!ok) {
        std::abort();
    }
}

bool same(const SmacHeader& a, const SmacHeader& b) {
    return a.version == b.version && a.rec_size == b.rec_size && a.timestamp[0] == b.timestamp[0] &&
           a.timestamp[1] == b.timestamp[1] && a.rec_type == b.rec_type && a.param == b.param &&
           a.checksum == b.checksum;
}

// Walks the stream alongside the events, checking each against the bytes where it stands.
class Ledger {
public:
    explicit Ledger(const std::vector<uint8_t>& stream) : stream_(stream) {}

    void take(const std::vector<FrameEvent>& events, std::size_t fed) {
        for (const FrameEvent& e : events) {
            at_ += check(e, fed);
            require(at_ <= fed);
        }
    }
    std::size_t accounted() const { return at_; }

private:
    // The event's header as it stands in the stream, with its checksum right or not.
    bool header_here(const FrameEvent& e, std::size_t fed, bool checksum_ok) const {
        if (fed - at_ < SMAC_HEADER_SIZE) {
            return false;
        }
        SmacHeader h;
        smac_read_header(stream_.data() + at_, &h);
        return same(h, e.header) && (smac_header_checksum(&h) == h.checksum) == checksum_ok;
    }

    std::size_t record_size(const FrameEvent& e) const {
        return SMAC_HEADER_SIZE + e.header.rec_size + SMAC_TRAILER_SIZE;
    }

    bool trailer_ok(const FrameEvent& e) const {
        const uint32_t summed = SMAC_HEADER_SIZE + e.header.rec_size;
        return smac_checksum(stream_.data() + at_, summed) ==
               smac_get_u32(stream_.data() + at_ + summed);
    }

    // The record decodes as the one the event names, by the decoder's own rules.
    bool decodes_as(const FrameEvent& e, uint32_t type, uint32_t size) const {
        SmacHeader h;
        return e.header.rec_type == type && e.header.rec_size == size &&
               smac_decode_header(stream_.data() + at_, static_cast<uint32_t>(record_size(e)),
                                  &h) == SMAC_OK &&
               same(h, e.header);
    }

    bool fix_here(const FrameEvent& e) const {
        NavFix fix;
        smac_read_nav_payload(stream_.data() + at_ + SMAC_HEADER_SIZE, &fix);
        return std::memcmp(&fix, &e.fix, sizeof fix) == 0;
    }

    bool status_here(const FrameEvent& e) const {
        VehicleStatus status;
        smac_read_status_payload(stream_.data() + at_ + SMAC_HEADER_SIZE, &status);
        return std::memcmp(&status, &e.status, sizeof status) == 0;
    }

    bool done_after(std::size_t nav_end, std::size_t fed) const {
        return fed - nav_end >= sizeof SMAC_NAV_TERMINATOR &&
               std::memcmp(stream_.data() + nav_end, SMAC_NAV_TERMINATOR,
                           sizeof SMAC_NAV_TERMINATOR) == 0;
    }

    // How many stream bytes the event stands for.
    std::size_t check(const FrameEvent& e, std::size_t fed) const {
        switch (e.kind) {
        case FrameEventKind::GARBAGE_SKIPPED:
            require(e.skipped > 0 && e.skipped <= fed - at_);
            return e.skipped;
        case FrameEventKind::BAD_HEADER_CHECKSUM:
            // Its bytes are reported skipped afterwards.
            require(header_here(e, fed, false));
            return 0;
        default:
            break;
        }
        require(header_here(e, fed, true) && e.header.rec_size > 0 &&
                e.header.rec_size <= nerivo::RecordFramer::MAX_PAYLOAD &&
                record_size(e) <= fed - at_);
        const std::size_t size = record_size(e);
        switch (e.kind) {
        case FrameEventKind::BAD_TRAILER:
            // Only its first byte is gone: the next record may start inside it.
            require(!trailer_ok(e));
            return 1;
        case FrameEventKind::UNEXPECTED_RECORD:
            require(trailer_ok(e));
            require(
                !(e.header.rec_type == SMAC_REC_NAV && e.header.rec_size == SMAC_NAV_PAYLOAD_SIZE));
            require(!(e.header.rec_type == SMAC_REC_COMMAND &&
                      e.header.rec_size == SMAC_COMMAND_PAYLOAD_SIZE));
            require(!(e.header.rec_type == SMAC_REC_STATUS &&
                      e.header.rec_size == SMAC_STATUS_PAYLOAD_SIZE));
            return size;
        case FrameEventKind::STATUS_OK:
            require(decodes_as(e, SMAC_REC_STATUS, SMAC_STATUS_PAYLOAD_SIZE) && status_here(e));
            return size;
        case FrameEventKind::COMMAND_OK:
            require(decodes_as(e, SMAC_REC_COMMAND, SMAC_COMMAND_PAYLOAD_SIZE));
            return size;
        case FrameEventKind::NAV_OK:
            require(decodes_as(e, SMAC_REC_NAV, SMAC_NAV_PAYLOAD_SIZE) && fix_here(e) &&
                    done_after(at_ + size, fed));
            return size + sizeof SMAC_NAV_TERMINATOR;
        case FrameEventKind::NAV_WITHOUT_DONE:
            require(decodes_as(e, SMAC_REC_NAV, SMAC_NAV_PAYLOAD_SIZE) && fix_here(e) &&
                    !done_after(at_ + size, fed));
            return size;
        default:
            std::abort();
        }
    }

    const std::vector<uint8_t>& stream_;
    std::size_t at_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FILE* quiet = std::freopen("/dev/null", "w", stdout); // the decoder prints its check
    (void)quiet;
    if (size == 0) {
        return 0;
    }
    const std::size_t largest_piece = std::size_t{data[0]} + 1;
    const std::vector<uint8_t> stream(data + 1, data + size);
    nerivo::RecordFramer framer;
    Ledger ledger(stream);
    std::size_t fed = 0;
    while (fed < stream.size()) {
        const std::size_t piece = std::min(1 + stream[fed] % largest_piece, stream.size() - fed);
        // Exactly sized, so a read past the piece is caught.
        const std::vector<uint8_t> bytes(stream.begin() + static_cast<std::ptrdiff_t>(fed),
                                         stream.begin() + static_cast<std::ptrdiff_t>(fed + piece));
        const std::vector<FrameEvent> events = framer.feed(bytes.data(), bytes.size());
        fed += piece;
        ledger.take(events, fed);
        require(framer.held_bytes() < LARGEST_RECORD + piece);
        require(ledger.accounted() + framer.held_bytes() <= fed);
    }
    ledger.take(framer.flush(), fed);
    require(ledger.accounted() == fed && framer.held_bytes() == 0 && !framer.has_pending());
    return 0;
}
