#include "fake_clock.h"
#include "smac_header.h"
#include "smac_stdio.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace nerivo;

namespace {

struct ChecksumCase {
    std::string bytes;
    uint32_t sum;
};

class KnownChecksums : public ::testing::TestWithParam<ChecksumCase> {};

TEST_P(KnownChecksums, SumOfEncipheredBytes) {
    const ChecksumCase& c = GetParam();
    const auto* bytes = reinterpret_cast<const uint8_t*>(c.bytes.data());
    EXPECT_EQ(smac_checksum(bytes, static_cast<uint32_t>(c.bytes.size())), c.sum);
}

INSTANTIATE_TEST_SUITE_P(Smac, KnownChecksums,
                         ::testing::Values(ChecksumCase{"", 0},
                                           ChecksumCase{std::string(1, '\0'), 217},
                                           ChecksumCase{"abc", 413}, ChecksumCase{"a", 184},
                                           ChecksumCase{"ab", 184 + 88}));

TEST(SmacChecksum, NullBytesSumToZero) {
    EXPECT_EQ(smac_checksum(nullptr, 10), 0u);
}

TEST(SmacChecksum, LongestRangeStaysBelowWrap) {
    const std::vector<uint8_t> bytes(64, 0xFF);
    const uint32_t sum = smac_checksum(bytes.data(), 64);
    EXPECT_LE(sum, 64u * 255u);
    EXPECT_EQ(sum, smac_checksum(bytes.data(), 64)); // same bytes, same sum
}

TEST(SmacChecksum, AnyChangedByteChangesTheSumOfTheRange) {
    std::vector<uint8_t> bytes(44);
    for (size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<uint8_t>(i * 37 + 11);
    }
    const uint32_t original = smac_checksum(bytes.data(), 44);
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::vector<uint8_t> changed = bytes;
        changed[i] ^= 0x01;
        EXPECT_NE(smac_checksum(changed.data(), 44), original) << "byte " << i;
    }
}

TEST(SmacHeaderChecksum, CoversTheFirstSixWordsOnly) {
    SmacHeader header{1, 16, {1700000000, 5}, 0, 0, 0};
    const uint32_t sum = smac_header_checksum(&header);
    header.checksum = 0xDEADBEEF;
    EXPECT_EQ(smac_header_checksum(&header), sum);
    header.param = 1u << 24;
    EXPECT_NE(smac_header_checksum(&header), sum);
}

TEST(SmacHeaderChecksum, IsTheChecksumOfTheLittleEndianBytes) {
    const SmacHeader header{1, 36, {0x01020304, 999}, 1, 0x0A0B0C0D, 0};
    const uint8_t bytes[24] = {1,    0, 0, 0, 36, 0, 0, 0, 4,    3,    2,    1,
                               0xE7, 3, 0, 0, 1,  0, 0, 0, 0x0D, 0x0C, 0x0B, 0x0A};
    EXPECT_EQ(smac_header_checksum(&header), smac_checksum(bytes, 24));
}

TEST(SmacInitHeader, StampsTheWallClockToTheMillisecond) {
    nerivo::testing::FakeClock clock(1700000000, 5);
    SmacHeader header{7, 16, {0, 0}, 2, 4, 123};
    smac_init_header(&header);
    EXPECT_EQ(header.version, 1u);
    EXPECT_EQ(header.checksum, 0u);
    EXPECT_EQ(header.timestamp[0], 1700000000u);
    EXPECT_EQ(header.timestamp[1], 5u);
    // Left for the record builders.
    EXPECT_EQ(header.rec_size, 16u);
    EXPECT_EQ(header.rec_type, 2u);
    EXPECT_EQ(header.param, 4u);
}

TEST(SmacInitHeader, KeepsTheLow32BitsOfSecondsAfter2038) {
    nerivo::testing::FakeClock clock(int64_t{1} << 31, 999); // 2038-01-19 03:14:08 UTC
    SmacHeader header{};
    smac_init_header(&header);
    EXPECT_EQ(header.timestamp[0], 0x80000000u);
    EXPECT_EQ(header.timestamp[1], 999u);
}

TEST(SmacStampHeaderDeathTest, NullIsIgnored) {
    // A dereference would end the child on a signal instead.
    EXPECT_EXIT(
        {
            smac_stamp_header(nullptr, {1700000000, 5});
            smac_init_header(nullptr);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(SmacHeaderBytes, WriteAndReadAreLittleEndianAndInverse) {
    const SmacHeader header{0x04030201, 0x08070605, {0x0C0B0A09, 0x100F0E0D},
                            0x14131211, 0x18171615, 0x1C1B1A19};
    uint8_t bytes[28];
    smac_write_header(&header, bytes);
    for (int i = 0; i < 28; ++i) {
        EXPECT_EQ(bytes[i], i + 1);
    }
    SmacHeader back{};
    smac_read_header(bytes, &back);
    EXPECT_EQ(std::memcmp(&back, &header, sizeof header), 0);
}

} // namespace
