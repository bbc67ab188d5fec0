#include "record_framer.h"

#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <string>
#include <vector>

using namespace nerivo;

namespace {

using nerivo::FrameEvent;
using nerivo::FrameEventKind;
using nerivo::RecordFramer;
using Bytes = std::vector<uint8_t>;

constexpr nerivo::WallTime BUILT_AT{1'700'000'000, 250};

Bytes command_record(uint32_t code) {
    SmacHeader header{};
    header.param = code;
    const uint8_t payload = 0;
    uint8_t out[SMAC_COMMAND_RECORD_SIZE];
    uint32_t size = 0;
    EXPECT_EQ(smac_build_command(&header, &payload, BUILT_AT, out, &size), SMAC_BUILT);
    return {out, out + size};
}

Bytes nav_record(const NavFix& fix) {
    SmacHeader header{};
    uint8_t out[SMAC_NAV_RECORD_SIZE];
    uint32_t size = 0;
    EXPECT_EQ(smac_build_nav(&header, &fix, BUILT_AT, out, &size), SMAC_BUILT);
    return {out, out + size};
}

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes with_done(const Bytes& nav) {
    return nav + Bytes(std::begin(SMAC_NAV_TERMINATOR), std::end(SMAC_NAV_TERMINATOR));
}

// Events in a compact form: "nav", "cmd3", "status3" (its heading), "garbage5", "header",
// "trailer", "nodone", "other".
std::string describe(const std::vector<FrameEvent>& events) {
    std::string out;
    for (const FrameEvent& e : events) {
        if (!out.empty()) {
            out += " ";
        }
        switch (e.kind) {
        case FrameEventKind::NAV_OK:
            out += "nav";
            break;
        case FrameEventKind::COMMAND_OK:
            out += "cmd" + std::to_string(e.header.param);
            break;
        case FrameEventKind::BAD_HEADER_CHECKSUM:
            out += "header";
            break;
        case FrameEventKind::BAD_TRAILER:
            out += "trailer";
            break;
        case FrameEventKind::NAV_WITHOUT_DONE:
            out += "nodone";
            break;
        case FrameEventKind::STATUS_OK:
            out += "status" + std::to_string(static_cast<int>(e.status.heading));
            break;
        case FrameEventKind::UNEXPECTED_RECORD:
            out += "other";
            break;
        case FrameEventKind::GARBAGE_SKIPPED:
            out += "garbage" + std::to_string(e.skipped);
            break;
        }
    }
    return out;
}

std::vector<FrameEvent> frame_in_pieces(const Bytes& stream, const std::vector<std::size_t>& cuts) {
    RecordFramer framer;
    std::vector<FrameEvent> events;
    std::size_t from = 0;
    for (std::size_t cut : cuts) {
        auto got = framer.feed(stream.data() + from, cut - from);
        events.insert(events.end(), got.begin(), got.end());
        from = cut;
    }
    auto got = framer.feed(stream.data() + from, stream.size() - from);
    events.insert(events.end(), got.begin(), got.end());
    got = framer.flush();
    events.insert(events.end(), got.begin(), got.end());
    return events;
}

const NavFix FIX{34205.25f, -45.705761f, -3.5f, 12.5f};

Bytes status_record() {
    const VehicleStatus s{1, 2, 3, 4, 5, 6, 7, 1, 0};
    SmacHeader h{};
    uint8_t out[SMAC_STATUS_RECORD_SIZE];
    uint32_t size = 0;
    smac_build_status(&h, &s, BUILT_AT, out, &size);
    return {out, out + size};
}

Bytes head(const Bytes& bytes, std::size_t count) {
    return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(count));
}

Bytes damaged(Bytes record, std::size_t offset) {
    record[offset] ^= 0x40;
    return record;
}

struct StreamCase {
    const char* name;
    Bytes stream;
    const char* events;
};

class FramerStreams : public ::testing::TestWithParam<StreamCase> {};

TEST_P(FramerStreams, GiveTheEventsInStreamOrder) {
    EXPECT_EQ(describe(frame_in_pieces(GetParam().stream, {})), GetParam().events);
}

TEST_P(FramerStreams, GiveTheSameEventsWhenSplitAtAnyByte) {
    const Bytes& stream = GetParam().stream;
    for (std::size_t cut = 1; cut < stream.size(); ++cut) {
        EXPECT_EQ(describe(frame_in_pieces(stream, {cut})), GetParam().events) << "cut at " << cut;
    }
    std::vector<std::size_t> every_byte;
    for (std::size_t cut = 1; cut < stream.size(); ++cut) {
        every_byte.push_back(cut);
    }
    EXPECT_EQ(describe(frame_in_pieces(stream, every_byte)), GetParam().events) << "byte by byte";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FramerStreams,
    ::testing::Values(
        StreamCase{"records_back_to_back",
                   with_done(nav_record(FIX)) + command_record(0) + command_record(4),
                   "nav cmd0 cmd4"},
        StreamCase{"garbage_before", Bytes{0x55, 0xAA, 'x', 0, 0xFF} + command_record(3),
                   "garbage5 cmd3"},
        StreamCase{"garbage_between",
                   with_done(nav_record(FIX)) + Bytes{'\r', '\n', 7, 7, 7, 7, 7} +
                       command_record(0),
                   "nav garbage7 cmd0"},
        StreamCase{"header_start_inside_garbage",
                   Bytes{0x55, 0x01, 0x00, 0x00, 0x00, 0x07, 0x01, 0x01} + command_record(0),
                   "garbage8 cmd0"},
        StreamCase{"version_bytes_right_before_a_record",
                   Bytes{0xAA, 0x01, 0x00, 0x00} + command_record(4), "garbage4 cmd4"},
        StreamCase{"bad_header_checksum",
                   damaged(command_record(3), 25) + with_done(nav_record(FIX)),
                   "header garbage33 nav"},
        StreamCase{"bad_header_field", damaged(with_done(nav_record(FIX)), 20) + command_record(0),
                   "header garbage53 cmd0"},
        StreamCase{"bad_trailer", damaged(command_record(4), 28) + command_record(0),
                   "trailer garbage32 cmd0"},
        StreamCase{"bad_trailer_on_nav",
                   damaged(with_done(nav_record(FIX)), 30) + command_record(0),
                   "trailer garbage52 cmd0"},
        StreamCase{"nav_without_done", nav_record(FIX) + command_record(0), "nodone cmd0"},
        StreamCase{"nav_with_wrong_terminator",
                   nav_record(FIX) + Bytes{'D', 'o', 'm', 'e', 0} + command_record(0),
                   "nodone garbage5 cmd0"},
        StreamCase{"nav_without_done_at_end_of_stream", nav_record(FIX), "nodone"},
        StreamCase{"record_cut_short_at_end", command_record(0) + head(command_record(4), 20),
                   "cmd0 garbage20"},
        StreamCase{"status_record_carries_its_values", status_record() + command_record(0),
                   "status3 cmd0"},
        StreamCase{"status_records_after_noise",
                   Bytes{5, 1, 0, 7} + status_record() + damaged(status_record(), 40) +
                       status_record(),
                   "garbage4 status3 trailer garbage67 status3"},
        // A vehicle that reset while sending: the record after it is inside the length the
        // cut one promised.
        StreamCase{"status_record_cut_short", head(status_record(), 40) + status_record(),
                   "trailer garbage39 status3"}),
    [](const ::testing::TestParamInfo<StreamCase>& row) { return std::string(row.param.name); });

TEST(RecordFramer, NavEventCarriesTheFixAndHeader) {
    RecordFramer framer;
    const Bytes nav = with_done(nav_record(FIX));
    const auto events = framer.feed(nav.data(), nav.size());
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, FrameEventKind::NAV_OK);
    EXPECT_EQ(events[0].fix.time_of_day, FIX.time_of_day);
    EXPECT_EQ(events[0].fix.latitude, FIX.latitude);
    EXPECT_EQ(events[0].fix.longitude, FIX.longitude);
    EXPECT_EQ(events[0].fix.sl, FIX.sl);
    EXPECT_EQ(events[0].header.rec_size, 16u);
    EXPECT_FALSE(framer.has_pending());
}

TEST(RecordFramer, HoldsANavRecordUntilItsTerminatorArrives) {
    RecordFramer framer;
    const Bytes nav = nav_record(FIX);
    EXPECT_TRUE(framer.feed(nav.data(), nav.size()).empty());
    EXPECT_TRUE(framer.has_pending());
    EXPECT_TRUE(framer.feed(SMAC_NAV_TERMINATOR, 3).empty());
    EXPECT_EQ(describe(framer.feed(SMAC_NAV_TERMINATOR + 3, 2)), "nav");
    EXPECT_FALSE(framer.has_pending());
}

TEST(RecordFramer, RecoversEveryRecordFromRandomGarbage) {
    std::mt19937 random(7);
    Bytes stream;
    int records = 0;
    for (int i = 0; i < 200; ++i) {
        const auto garbage = random() % 41;
        for (uint32_t g = 0; g < garbage; ++g) {
            // Plenty of zeros and ones, the bytes a header starts with.
            const auto kind = random() % 4;
            stream.push_back(kind == 0 ? 0 : kind == 1 ? 1 : static_cast<uint8_t>(random()));
        }
        stream = stream + (i % 2 == 0 ? with_done(nav_record(FIX)) : command_record(4));
        ++records;
    }
    // Fed in random small pieces, as a busy line delivers them.
    std::vector<std::size_t> cuts;
    for (std::size_t at = 0; at < stream.size();) {
        at += 1 + random() % 17;
        if (at < stream.size()) {
            cuts.push_back(at);
        }
    }
    int good = 0;
    std::size_t skipped = 0;
    for (const FrameEvent& e : frame_in_pieces(stream, cuts)) {
        if (e.kind == FrameEventKind::NAV_OK || e.kind == FrameEventKind::COMMAND_OK) {
            ++good;
        } else {
            ASSERT_EQ(e.kind, FrameEventKind::GARBAGE_SKIPPED);
            skipped += e.skipped;
        }
    }
    EXPECT_EQ(good, records);
    EXPECT_EQ(skipped + 100 * (53 + 33), stream.size());
}

TEST(RecordFramer, FlushStartsAfresh) {
    RecordFramer framer;
    const Bytes partial = head(command_record(0), 30);
    framer.feed(partial.data(), partial.size());
    EXPECT_EQ(describe(framer.flush()), "garbage30");
    EXPECT_FALSE(framer.has_pending());
    const Bytes whole = command_record(3);
    EXPECT_EQ(describe(framer.feed(whole.data(), whole.size())), "cmd3");
}

} // namespace
