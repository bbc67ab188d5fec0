#include "fake_clock.h"
#include "record_bytes.h"
#include "smac_records.h"
#include "smac_stdio.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace nerivo;

namespace {

using nerivo::testing::FakeClock;
using nerivo::testing::sealed_record;

std::string dump_of(const std::vector<uint8_t>& record) {
    ::testing::internal::CaptureStdout();
    smac_dump_record(record.data(), static_cast<uint32_t>(record.size()));
    return ::testing::internal::GetCapturedStdout();
}

TEST(SmacDump, NavRecordBuiltAtAKnownTimeDumpsCharacterForCharacter) {
    FakeClock clock(1700000000, 5);
    const NavFix fix{34205.25f, -45.705761f, -3.5f, 12.5f};
    SmacHeader header{};
    uint8_t out[48];
    uint32_t size = 0;
    ::testing::internal::CaptureStdout();
    ASSERT_EQ(smac_encode_nav(&header, &fix, out, &size), 0);
    const std::string printed = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed, "packet_size = 48\n"
                       "Checksum check: 6133 (6133)\n"
                       "=============== SMAC record dump ================\n"
                       "01:00:00:00:10:00:00:00: 00:F1:53:65:05:00:00:00: \n"
                       "00:00:00:00:00:00:00:00: 2B:0F:00:00:40:9D:05:47: \n"
                       "B3:D2:36:C2:00:00:60:C0: 00:00:48:41:F5:17:00:00: \n"
                       "\n"
                       "hdr.version   = 1  hdr.rec_size = 16  \n"
                       "hdr.timestamp = 1700000000.5\n"
                       "hdr.rec_type  = 0  hdr.param = 0\n"
                       "hdr.checksum  = 3883\n"
                       "=================================================\n");
}

TEST(SmacDump, MillisecondsHaveNoLeadingZeros) {
    for (const auto& [ms, shown] : {std::pair{50u, ".50\n"}, std::pair{5u, ".5\n"},
                                    std::pair{0u, ".0\n"}, std::pair{999u, ".999\n"}}) {
        const std::string text =
            dump_of(sealed_record(1, 16, 1700000000, ms, 0, 0, std::vector<uint8_t>(16, 0)));
        EXPECT_NE(text.find(std::string("hdr.timestamp = 1700000000") + shown), std::string::npos)
            << text;
    }
}

TEST(SmacDump, SecondsPastJanuary2038StayPositive) {
    const std::string text =
        dump_of(sealed_record(1, 16, 0x80000000u, 0, 0, 0, std::vector<uint8_t>(16, 0)));
    EXPECT_NE(text.find("hdr.timestamp = 2147483648.0\n"), std::string::npos) << text;
}

TEST(SmacDump, ByteValuesPrintAsTwoUpperCaseHexDigits) {
    // A command record: 33 bytes, so the last line holds one byte and ends at the extra "\n".
    std::vector<uint8_t> record = sealed_record(1, 1, 0xD9D9D9D9, 5, 2, 4, {0xAB});
    const std::string text = dump_of(record);
    char bytes[200];
    std::snprintf(bytes, sizeof bytes,
                  "================\n"
                  "01:00:00:00:01:00:00:00: D9:D9:D9:D9:05:00:00:00: \n"
                  "02:00:00:00:04:00:00:00: %02X:%02X:00:00:AB:%02X:%02X:%02X: \n"
                  "%02X:\n"
                  "hdr.version   = 1  hdr.rec_size = 1   \n",
                  record[24], record[25], record[29], record[30], record[31], record[32]);
    EXPECT_NE(text.find(bytes), std::string::npos) << text;
    EXPECT_NE(text.find("hdr.rec_type  = 2  hdr.param = 4\n"), std::string::npos);
}

TEST(SmacDump, RecordThatDoesNotDecodeShowsTheProblemAndAZeroedHeader) {
    std::vector<uint8_t> record =
        sealed_record(1, 16, 1700000000, 5, 0, 0, std::vector<uint8_t>(16, 0));
    record[24] ^= 0xFF; // header checksum
    const std::string text = dump_of(record);
    EXPECT_EQ(text.rfind("packet_size = 48\nProblem decoding header: 2\n====", 0), 0u) << text;
    EXPECT_NE(text.find("hdr.version   = 0  hdr.rec_size = 0   \n"
                        "hdr.timestamp = 0.0\n"
                        "hdr.rec_type  = 0  hdr.param = 0\n"
                        "hdr.checksum  = 0\n"),
              std::string::npos)
        << text;
}

TEST(SmacDump, DamagedPayloadShowsBothSumsAndTheHeader) {
    std::vector<uint8_t> record =
        sealed_record(1, 16, 1700000000, 5, 0, 0, std::vector<uint8_t>(16, 0));
    record[40] ^= 0x01;
    const std::string text = dump_of(record);
    EXPECT_NE(text.find("Problem decoding header: -1\n"), std::string::npos) << text;
    EXPECT_NE(text.find("hdr.version   = 1  hdr.rec_size = 16  \n"), std::string::npos) << text;
}

TEST(SmacDump, NullRecordPrintsNoBytes) {
    ::testing::internal::CaptureStdout();
    smac_dump_record(nullptr, 48);
    const std::string text = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(text.rfind("packet_size = 48\nProblem decoding header: 1\n"
                         "=============== SMAC record dump ================\n\n",
                         0),
              0u)
        << text;
}

struct DumpCase {
    const char* name;
    std::vector<uint8_t> record;
    uint32_t packet_size;
};

class DumpText : public ::testing::TestWithParam<DumpCase> {};

TEST_P(DumpText, IsWhatTheDumpPrints) {
    const DumpCase& c = GetParam();
    const uint8_t* record = c.record.empty() ? nullptr : c.record.data();
    ::testing::internal::CaptureStdout();
    smac_dump_record(record, c.packet_size);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), smac_dump_text(record, c.packet_size));
}

std::vector<uint8_t> nav_with(std::size_t offset, uint8_t flip) {
    std::vector<uint8_t> record =
        sealed_record(1, 16, 1700000000, 5, 0, 0, std::vector<uint8_t>(16, 0x33));
    record[offset] ^= flip;
    return record;
}

INSTANTIATE_TEST_SUITE_P(
    Smac, DumpText,
    ::testing::Values(DumpCase{"valid_nav", nav_with(0, 0), 48},
                      DumpCase{"command", sealed_record(1, 1, 0xD9D9D9D9, 5, 2, 4, {0xAB}), 33},
                      DumpCase{"bad_header_checksum", nav_with(24, 0xFF), 48},
                      DumpCase{"bad_trailer", nav_with(40, 0x01), 48},
                      DumpCase{"shorter_than_promised", nav_with(0, 0), 40},
                      DumpCase{"null", {}, 48}),
    [](const ::testing::TestParamInfo<DumpCase>& row) { return std::string(row.param.name); });

} // namespace
