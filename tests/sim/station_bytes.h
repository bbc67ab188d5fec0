#pragma once

// What the station puts on the vehicle link, built with the project's own encoders, and
// small helpers for reading a pseudo-terminal's device end.

#include "smac_records.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

namespace nerivo::testing {

// When the station built them; the vehicle does not look at the time.
inline constexpr WallTime STATION_TIME{1'700'000'000, 250};

inline std::vector<uint8_t> command_record(uint32_t code) {
    SmacHeader header{};
    header.param = code;
    const uint8_t payload = 0;
    uint8_t out[SMAC_COMMAND_RECORD_SIZE];
    uint32_t size = 0;
    EXPECT_EQ(smac_build_command(&header, &payload, STATION_TIME, out, &size), SMAC_BUILT);
    return {out, out + size};
}

// A nav record without its terminator.
inline std::vector<uint8_t> nav_record(const NavFix& fix) {
    SmacHeader header{};
    uint8_t out[SMAC_NAV_RECORD_SIZE];
    uint32_t size = 0;
    EXPECT_EQ(smac_build_nav(&header, &fix, STATION_TIME, out, &size), SMAC_BUILT);
    return {out, out + size};
}

inline std::vector<uint8_t> with_done(std::vector<uint8_t> nav) {
    nav.insert(nav.end(), std::begin(SMAC_NAV_TERMINATOR), std::end(SMAC_NAV_TERMINATOR));
    return nav;
}

inline std::vector<uint8_t> operator+(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace nerivo::testing
