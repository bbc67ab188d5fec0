#include "fake_clock.h"
#include "record_bytes.h"
#include "smac_records.h"
#include "smac_stdio.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

using namespace nerivo;

namespace {

using nerivo::testing::FakeClock;
using nerivo::testing::reseal;
using nerivo::testing::sealed_record;
using nerivo::testing::words_le;

uint32_t float_bits(float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    return bits;
}

std::vector<uint8_t> status_payload(float lat, float lon, float heading, float depth, float alt,
                                    float volts, float humidity, uint32_t behaviour,
                                    int32_t abort_flag) {
    return words_le({float_bits(lat), float_bits(lon), float_bits(heading), float_bits(depth),
                     float_bits(alt), float_bits(volts), float_bits(humidity), behaviour,
                     static_cast<uint32_t>(abort_flag)});
}

std::vector<uint8_t> valid_status() {
    return sealed_record(
        1, 36, 1700000000, 250, 1, 0,
        status_payload(-45.5f, 170.25f, 270.25f, 12.5f, 3.75f, 24.1f, 31.0f, 2, 0));
}

VehicleStatus decoded(const std::vector<uint8_t>& bytes, int expected) {
    VehicleStatus status{};
    EXPECT_EQ(smac_decode_status(bytes.data(), static_cast<uint32_t>(bytes.size()), &status),
              expected);
    return status;
}

TEST(SmacNavRecord, IsByteExactAtAKnownTime) {
    FakeClock clock(1700000000, 5);
    const NavFix fix{34205.25f, -45.705761f, -3.5f, 12.5f};
    SmacHeader header{};
    uint8_t out[48];
    uint32_t size = 0;
    ::testing::internal::CaptureStdout();
    ASSERT_EQ(smac_encode_nav(&header, &fix, out, &size), 0);
    ::testing::internal::GetCapturedStdout();
    ASSERT_EQ(size, 48u);
    // Worked out independently of the encoder.
    const uint8_t expected[48] = {0x01, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0x00, 0xF1,
                                  0x53, 0x65, 0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                  0x00, 0x00, 0x00, 0x00, 0x2B, 0x0F, 0x00, 0x00, 0x40, 0x9D,
                                  0x05, 0x47, 0xB3, 0xD2, 0x36, 0xC2, 0x00, 0x00, 0x60, 0xC0,
                                  0x00, 0x00, 0x48, 0x41, 0xF5, 0x17, 0x00, 0x00};
    EXPECT_EQ(std::vector<uint8_t>(out, out + 48), std::vector<uint8_t>(expected, expected + 48));
    // The caller's header is the header as sent.
    EXPECT_EQ(header.rec_size, 16u);
    EXPECT_EQ(header.rec_type, 0u);
    EXPECT_EQ(header.timestamp[1], 5u);
    EXPECT_EQ(header.checksum, 0x0F2Bu);
}

TEST(SmacNavRecord, KeepsTheParamTheCallerSet) {
    FakeClock clock(1700000000, 0);
    const NavFix fix{1, 2, 3, 4};
    SmacHeader header{};
    header.param = 0x01020304;
    uint8_t out[48];
    uint32_t size = 0;
    ::testing::internal::CaptureStdout();
    ASSERT_EQ(smac_encode_nav(&header, &fix, out, &size), 0);
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(smac_get_u32(out + 20), 0x01020304u);
    EXPECT_EQ(smac_get_u32(out + 24), smac_checksum(out, 24));
    NavFix back{};
    smac_read_nav_payload(out + 28, &back);
    EXPECT_EQ(std::memcmp(&back, &fix, sizeof fix), 0);
}

TEST(SmacCommandRecord, Is33BytesWithTheTrailerUnalignedAt29) {
    FakeClock clock(1700000000, 5);
    SmacHeader header{};
    header.param = SMAC_COMMAND_ABORT;
    const uint8_t payload = 0;
    uint8_t out[33];
    uint32_t size = 0;
    ASSERT_EQ(smac_encode_command(&header, &payload, out, &size), 0);
    ASSERT_EQ(size, 33u);
    const std::vector<uint8_t> expected = sealed_record(1, 1, 1700000000, 5, 2, 3, {0});
    EXPECT_EQ(std::vector<uint8_t>(out, out + 33), expected);
    EXPECT_EQ(smac_get_u32(out + 29), smac_checksum(out, 29));
    EXPECT_EQ(header.param, 3u);
}

TEST(SmacBuilders, NullPointersBuildNothing) {
    const nerivo::WallTime time{1700000000, 5};
    const NavFix fix{};
    const VehicleStatus status{};
    const uint8_t payload = 0;
    const SmacHeader untouched{7, 7, {7, 7}, 7, 7, 7};
    for (int missing = 0; missing < 4; ++missing) {
        SmacHeader header = untouched;
        uint8_t out[SMAC_STATUS_RECORD_SIZE] = {};
        uint32_t size = 77;
        SmacHeader* h = missing == 0 ? nullptr : &header;
        uint8_t* o = missing == 2 ? nullptr : out;
        uint32_t* n = missing == 3 ? nullptr : &size;
        const bool no_payload = missing == 1;
        EXPECT_EQ(smac_build_nav(h, no_payload ? nullptr : &fix, time, o, n), SMAC_NULL_POINTER);
        EXPECT_EQ(smac_build_command(h, no_payload ? nullptr : &payload, time, o, n),
                  SMAC_NULL_POINTER);
        EXPECT_EQ(smac_build_status(h, no_payload ? nullptr : &status, time, o, n),
                  SMAC_NULL_POINTER);
        EXPECT_EQ(smac_encode_nav(h, no_payload ? nullptr : &fix, o, n), SMAC_NULL_POINTER);
        EXPECT_EQ(smac_encode_command(h, no_payload ? nullptr : &payload, o, n), SMAC_NULL_POINTER);
        EXPECT_EQ(size, 77u) << missing;
        EXPECT_EQ(std::vector<uint8_t>(out, out + sizeof out), std::vector<uint8_t>(sizeof out, 0))
            << missing;
        EXPECT_EQ(std::memcmp(&header, &untouched, sizeof header), 0) << missing;
    }
}

const NavFix FIX{34205.25f, -45.705761f, -3.5f, 12.5f};
const VehicleStatus STATUS{-45.5f, 170.25f, 270.25f, 12.5f, 3.75f, 24.1f, 31.0f, 2, 0};

std::vector<uint8_t> nav_payload(const NavFix& f) {
    return words_le({float_bits(f.time_of_day), float_bits(f.latitude), float_bits(f.longitude),
                     float_bits(f.sl)});
}

struct TimeCase {
    int64_t seconds;
    int32_t milliseconds;
    uint32_t seconds_word;
};

class BuiltAt : public ::testing::TestWithParam<TimeCase> {};

TEST_P(BuiltAt, EachRecordCarriesTheTimeInItsTwoTimestampWords) {
    const TimeCase& c = GetParam();
    const nerivo::WallTime time{c.seconds, c.milliseconds};
    const auto ms = static_cast<uint32_t>(c.milliseconds);
    uint8_t out[SMAC_STATUS_RECORD_SIZE];
    uint32_t size = 0;

    SmacHeader nav{};
    ASSERT_EQ(smac_build_nav(&nav, &FIX, time, out, &size), SMAC_BUILT);
    EXPECT_EQ(std::vector<uint8_t>(out, out + size),
              sealed_record(1, 16, c.seconds_word, ms, 0, 0, nav_payload(FIX)));

    SmacHeader command{};
    command.param = SMAC_COMMAND_START_SURVEY;
    const uint8_t payload = 0;
    ASSERT_EQ(smac_build_command(&command, &payload, time, out, &size), SMAC_BUILT);
    EXPECT_EQ(std::vector<uint8_t>(out, out + size),
              sealed_record(1, 1, c.seconds_word, ms, 2, 4, {0}));

    SmacHeader status{};
    ASSERT_EQ(smac_build_status(&status, &STATUS, time, out, &size), SMAC_BUILT);
    EXPECT_EQ(
        std::vector<uint8_t>(out, out + size),
        sealed_record(1, 36, c.seconds_word, ms, 1, 0,
                      status_payload(-45.5f, 170.25f, 270.25f, 12.5f, 3.75f, 24.1f, 31.0f, 2, 0)));
    // The caller's header is the header as sent.
    EXPECT_EQ(status.timestamp[0], c.seconds_word);
    EXPECT_EQ(status.timestamp[1], ms);
    EXPECT_EQ(status.checksum, smac_get_u32(out + 24));
}

INSTANTIATE_TEST_SUITE_P(Smac, BuiltAt,
                         ::testing::Values(TimeCase{1700000000, 0, 1700000000},
                                           TimeCase{1700000000, 999, 1700000000}, TimeCase{0, 1, 0},
                                           TimeCase{int64_t{1} << 31, 500, 0x80000000u},
                                           TimeCase{(int64_t{1} << 32) + 5, 42, 5},
                                           TimeCase{(int64_t{1} << 33) - 1, 7, 0xFFFFFFFFu}));

TEST(SmacEncoders, AreTheBuildersAtTheClocksTimeAndOnlyTheNavEncoderPrints) {
    FakeClock clock(1700000000, 5);
    const nerivo::WallTime now{1700000000, 5};
    SmacHeader header{};
    uint8_t nav[48], command[33], status[68], encoded[48];
    uint32_t size = 0;
    const uint8_t payload = 0;
    using Bytes = std::vector<uint8_t>;

    ::testing::internal::CaptureStdout();
    ASSERT_EQ(smac_build_nav(&header, &FIX, now, nav, &size), SMAC_BUILT);
    ASSERT_EQ(smac_build_command(&header, &payload, now, command, &size), SMAC_BUILT);
    ASSERT_EQ(smac_build_status(&header, &STATUS, now, status, &size), SMAC_BUILT);
    ASSERT_EQ(smac_encode_command(&header, &payload, encoded, &size), SMAC_BUILT);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(Bytes(encoded, encoded + 33), Bytes(command, command + 33));

    ::testing::internal::CaptureStdout();
    ASSERT_EQ(smac_encode_nav(&header, &FIX, encoded, &size), SMAC_BUILT);
    const std::string printed = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(Bytes(encoded, encoded + 48), Bytes(nav, nav + 48));
    EXPECT_EQ(printed, smac_dump_text(nav, 48));
}

TEST(SmacStatusRecord, ValidRecordDecodesEveryField) {
    const VehicleStatus s = decoded(valid_status(), 0);
    EXPECT_EQ(s.latitude, -45.5f);
    EXPECT_EQ(s.longitude, 170.25f);
    EXPECT_EQ(s.heading, 270.25f);
    EXPECT_EQ(s.depth, 12.5f);
    EXPECT_EQ(s.altitude, 3.75f);
    EXPECT_EQ(s.battery_voltage, 24.1f);
    EXPECT_EQ(s.humidity, 31.0f);
    EXPECT_EQ(s.behaviour, 2u);
    EXPECT_EQ(s.abort_flag, 0);
}

TEST(SmacStatusRecord, BehaviourIsUnsignedAndAbortFlagSigned) {
    const VehicleStatus s = decoded(
        sealed_record(1, 36, 0, 0, 1, 0, status_payload(0, 0, 0, 0, 0, 0, 0, 0xFFFFFFFF, -1)), 0);
    EXPECT_EQ(s.behaviour, 0xFFFFFFFFu);
    EXPECT_EQ(s.abort_flag, -1);
}

TEST(SmacStatusRecord, FollowingBytesAreIgnored) {
    std::vector<uint8_t> bytes = valid_status();
    bytes.resize(100, 0xEE);
    decoded(bytes, 0);
}

TEST(SmacStatusRecord, ShortCountsAreMalformed) {
    const std::vector<uint8_t> whole = valid_status();
    for (size_t count : {0, 28, 63, 64, 65, 66, 67}) {
        const std::vector<uint8_t> cut(whole.begin(), whole.begin() + static_cast<long>(count));
        VehicleStatus s{};
        EXPECT_EQ(smac_decode_status(cut.data(), static_cast<uint32_t>(count), &s), 1) << count;
    }
    VehicleStatus s{};
    EXPECT_EQ(smac_decode_status(nullptr, 68, &s), 1);
    EXPECT_EQ(smac_decode_status(whole.data(), 68, nullptr), 1);
}

struct WrongHeaderCase {
    const char* what;
    uint32_t version, rec_size, rec_type;
};

class StatusWithWrongHeader : public ::testing::TestWithParam<WrongHeaderCase> {};

TEST_P(StatusWithWrongHeader, IsMalformedEvenWithGoodChecksums) {
    const WrongHeaderCase& c = GetParam();
    std::vector<uint8_t> record = valid_status();
    smac_put_u32(record.data() + 0, c.version);
    smac_put_u32(record.data() + 4, c.rec_size);
    smac_put_u32(record.data() + 16, c.rec_type);
    reseal(record);
    decoded(record, 1);
}

INSTANTIATE_TEST_SUITE_P(Smac, StatusWithWrongHeader,
                         ::testing::Values(WrongHeaderCase{"version 2", 2, 36, 1},
                                           WrongHeaderCase{"rec_size 35", 1, 35, 1},
                                           WrongHeaderCase{"rec_size 37", 1, 37, 1},
                                           WrongHeaderCase{"nav type", 1, 36, 0},
                                           WrongHeaderCase{"command type", 1, 36, 2}));

TEST(SmacStatusRecord, ChangedHeaderByteGivesTwo) {
    for (size_t byte : {8u, 20u, 23u, 24u}) {
        std::vector<uint8_t> record = valid_status();
        record[byte] ^= 0x01;
        decoded(record, 2);
    }
}

TEST(SmacStatusRecord, ChangedPayloadGivesMinusOneWithThePayloadAsReceived) {
    std::vector<uint8_t> record = valid_status();
    record[63] = 0x7F; // top byte of abort_flag
    const VehicleStatus s = decoded(record, -1);
    EXPECT_EQ(s.abort_flag, 0x7F000000);
    EXPECT_EQ(s.heading, 270.25f);

    std::vector<uint8_t> trailer_hit = valid_status();
    trailer_hit[67] ^= 0x01;
    decoded(trailer_hit, -1);
}

TEST(SmacStatusRecord, BuilderRoundTripsThroughTheDecoder) {
    const VehicleStatus sent{12.5f, -3.25f, NAN, -0.0f, 1e30f, 0.0f, 100.0f, 3, 1};
    SmacHeader header{};
    uint8_t out[68];
    uint32_t size = 0;
    ASSERT_EQ(smac_build_status(&header, &sent, {1800000000, 999}, out, &size), SMAC_BUILT);
    ASSERT_EQ(size, 68u);
    VehicleStatus back{};
    ASSERT_EQ(smac_decode_status(out, size, &back), 0);
    EXPECT_EQ(std::memcmp(&back, &sent, sizeof sent), 0); // bit for bit, NaN and -0 included
    EXPECT_EQ(header.timestamp[1], 999u);
}

std::vector<uint8_t> with_header_checksum_flipped(std::vector<uint8_t> record) {
    record[24] ^= 0xA5;
    const uint32_t summed = static_cast<uint32_t>(record.size()) - 4;
    smac_put_u32(record.data() + summed, smac_checksum(record.data(), summed));
    return record;
}

struct SealCase {
    const char* name;
    std::vector<uint8_t> record;
};

class SealTrailer : public ::testing::TestWithParam<SealCase> {};

TEST_P(SealTrailer, RewritesOnlyTheTrailerTheHeaderSizePoints) {
    const std::vector<uint8_t>& record = GetParam().record;
    std::vector<uint8_t> damaged = record;
    damaged.resize(record.size() + 4, 0xEE); // bytes past the trailer stay as they are
    for (size_t i = record.size() - 4; i < record.size(); ++i) {
        damaged[i] = 0xEE;
    }
    smac_seal_trailer(damaged.data());
    std::vector<uint8_t> expected = record;
    expected.resize(record.size() + 4, 0xEE);
    EXPECT_EQ(damaged, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Smac, SealTrailer,
    ::testing::Values(SealCase{"nav", sealed_record(1, 16, 1700000000, 5, 0, 0, nav_payload(FIX))},
                      SealCase{"command_trailer_unaligned",
                               sealed_record(1, 1, 1700000000, 5, 2, 3, {0xAB})},
                      SealCase{"status", valid_status()},
                      SealCase{"any_size", sealed_record(1, 5, 0, 0, 1, 0, {1, 2, 3, 4, 5})},
                      SealCase{"wrong_header_checksum_under_a_matching_trailer",
                               with_header_checksum_flipped(valid_status())}),
    [](const ::testing::TestParamInfo<SealCase>& row) { return std::string(row.param.name); });

struct BehaviourCase {
    uint32_t code;
    const char* name;
};

class BehaviourNames : public ::testing::TestWithParam<BehaviourCase> {};

TEST_P(BehaviourNames, NameWhatTheVehicleReports) {
    EXPECT_STREQ(smac_behaviour_name(GetParam().code), GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(Smac, BehaviourNames,
                         ::testing::Values(BehaviourCase{0, "Abort"}, BehaviourCase{1, "Diving"},
                                           BehaviourCase{2, "Survey"},
                                           BehaviourCase{3, "Ascending"},
                                           BehaviourCase{4, "UNKNOWN"},
                                           BehaviourCase{0xFFFFFFFFu, "UNKNOWN"}));

} // namespace
