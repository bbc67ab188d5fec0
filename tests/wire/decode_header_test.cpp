#include "record_bytes.h"
#include "smac_header.h"
#include "smac_stdio.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace nerivo;

namespace {

using nerivo::testing::reseal;
using nerivo::testing::sealed_record;

std::vector<uint8_t> valid_nav_record() {
    return sealed_record(1, 16, 1700000000, 5, 0, 0, std::vector<uint8_t>(16, 0x5A));
}

const SmacHeader UNTOUCHED{0xAAAAAAAA, 0xAAAAAAAA, {0xAAAAAAAA, 0xAAAAAAAA},
                           0xAAAAAAAA, 0xAAAAAAAA, 0xAAAAAAAA};

int decode(const std::vector<uint8_t>& record, SmacHeader* out) {
    ::testing::internal::CaptureStdout();
    const int result = smac_decode_header(record.data(), static_cast<uint32_t>(record.size()), out);
    ::testing::internal::GetCapturedStdout();
    return result;
}

TEST(SmacDecodeHeader, ValidRecordGivesZeroAndTheHeader) {
    const std::vector<uint8_t> record = valid_nav_record();
    SmacHeader header = UNTOUCHED;
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(smac_decode_header(record.data(), 48, &header), 0);
    const std::string printed = ::testing::internal::GetCapturedStdout();
    const uint32_t trailer = smac_get_u32(record.data() + 44);
    EXPECT_EQ(printed, "Checksum check: " + std::to_string(trailer) + " (" +
                           std::to_string(trailer) + ")\n");
    EXPECT_EQ(header.version, 1u);
    EXPECT_EQ(header.rec_size, 16u);
    EXPECT_EQ(header.timestamp[0], 1700000000u);
    EXPECT_EQ(header.timestamp[1], 5u);
    EXPECT_EQ(header.rec_type, 0u);
    EXPECT_EQ(header.checksum, smac_get_u32(record.data() + 24));
}

struct BadHeaderCase {
    const char* what;
    uint32_t version, rec_size, rec_type;
};

class InvalidHeaders : public ::testing::TestWithParam<BadHeaderCase> {};

TEST_P(InvalidHeaders, AreMalformedWhateverTheChecksums) {
    const BadHeaderCase& c = GetParam();
    const uint32_t payload = c.rec_size == 0 ? 4 : c.rec_size;
    std::vector<uint8_t> record = sealed_record(c.version, c.rec_size, 1700000000, 0, c.rec_type, 0,
                                                std::vector<uint8_t>(payload, 1));
    SmacHeader header = UNTOUCHED;
    EXPECT_EQ(decode(record, &header), 1) << c.what;
    EXPECT_EQ(std::memcmp(&header, &UNTOUCHED, sizeof header), 0) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Smac, InvalidHeaders,
    ::testing::Values(BadHeaderCase{"version 2", 2, 16, 0}, BadHeaderCase{"version 0", 0, 16, 0},
                      BadHeaderCase{"rec_type 3", 1, 16, 3},
                      BadHeaderCase{"rec_type with top bit", 1, 16, 0x80000000u},
                      BadHeaderCase{"rec_size 0", 1, 0, 0}));

TEST(SmacDecodeHeader, NullPointersAreMalformed) {
    const std::vector<uint8_t> record = valid_nav_record();
    SmacHeader header{};
    EXPECT_EQ(smac_decode_header(nullptr, 48, &header), 1);
    EXPECT_EQ(smac_decode_header(record.data(), 48, nullptr), 1);
}

TEST(SmacDecodeHeader, LengthBelowTheHeaderIsMalformed) {
    std::vector<uint8_t> record = valid_nav_record();
    SmacHeader header = UNTOUCHED;
    EXPECT_EQ(smac_decode_header(record.data(), 27, &header), 1);
    // 28 bytes pass the length test far enough for the header checksum to be judged.
    record[23] ^= 0x40;
    EXPECT_EQ(smac_decode_header(record.data(), 28, &header), 2);
}

TEST(SmacDecodeHeader, RecordShorterThanItsHeaderPromisesIsMalformed) {
    // Exactly sized heap copies, so any read past the end trips the address sanitizer.
    const std::vector<uint8_t> whole = valid_nav_record();
    for (size_t length = 28; length < whole.size(); ++length) {
        const std::vector<uint8_t> cut(whole.begin(), whole.begin() + static_cast<long>(length));
        SmacHeader header = UNTOUCHED;
        EXPECT_EQ(decode(cut, &header), 1) << length;
        EXPECT_EQ(std::memcmp(&header, &UNTOUCHED, sizeof header), 0) << length;
    }
    // A huge rec_size must not wrap the length arithmetic either.
    std::vector<uint8_t> huge = whole;
    smac_put_u32(huge.data() + 4, 0xFFFFFFFF);
    reseal(huge);
    SmacHeader header{};
    EXPECT_EQ(decode(huge, &header), 1);
}

TEST(SmacDecodeHeader, ChangedHeaderBytesGiveTwo) {
    for (int byte : {8, 12, 20, 23, 24, 27}) { // seconds, ms, param, its top byte, checksum
        std::vector<uint8_t> record = valid_nav_record();
        record[static_cast<size_t>(byte)] ^= 0x01;
        SmacHeader header = UNTOUCHED;
        EXPECT_EQ(decode(record, &header), 2) << "byte " << byte;
        EXPECT_EQ(std::memcmp(&header, &UNTOUCHED, sizeof header), 0) << "byte " << byte;
    }
}

TEST(SmacDecodeHeader, ChangedPayloadGivesMinusOneAndShowsBothSums) {
    std::vector<uint8_t> record = valid_nav_record();
    record[43] ^= 0x80;
    SmacHeader header{};
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(smac_decode_header(record.data(), 48, &header), -1);
    const std::string printed = ::testing::internal::GetCapturedStdout();
    const uint32_t computed = smac_checksum(record.data(), 44);
    const uint32_t stored = smac_get_u32(record.data() + 44);
    ASSERT_NE(computed, stored);
    EXPECT_EQ(printed, "Checksum check: " + std::to_string(computed) + " (" +
                           std::to_string(stored) + ")\n");
    EXPECT_EQ(header.rec_size, 16u); // the header is handed over before the trailer test
}

TEST(SmacDecodeHeader, TrailerOfAnOddSizedRecordIsReadUnaligned) {
    const std::vector<uint8_t> command = sealed_record(1, 1, 1700000000, 0, 2, 3, {0});
    ASSERT_EQ(command.size(), 33u);
    SmacHeader header{};
    EXPECT_EQ(decode(command, &header), 0);
    std::vector<uint8_t> broken = command;
    broken[32] ^= 0x01; // top byte of the trailer
    EXPECT_EQ(decode(broken, &header), -1);
}

} // namespace
