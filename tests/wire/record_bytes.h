#pragma once

// Builds records byte by byte in the tests, independently of the encoders under test.

#include "smac_header.h"

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace nerivo::testing {

inline std::vector<uint8_t> words_le(std::initializer_list<uint32_t> words) {
    std::vector<uint8_t> out;
    for (uint32_t w : words) {
        for (int shift = 0; shift < 32; shift += 8) {
            out.push_back(static_cast<uint8_t>(w >> shift));
        }
    }
    return out;
}

// A record: header words (checksum computed), payload, trailer computed.
inline std::vector<uint8_t> sealed_record(uint32_t version, uint32_t rec_size, uint32_t seconds,
                                          uint32_t ms, uint32_t rec_type, uint32_t param,
                                          const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> out = words_le({version, rec_size, seconds, ms, rec_type, param});
    const uint32_t header_sum = smac_checksum(out.data(), 24);
    const std::vector<uint8_t> sum_bytes = words_le({header_sum});
    out.insert(out.end(), sum_bytes.begin(), sum_bytes.end());
    out.insert(out.end(), payload.begin(), payload.end());
    const std::vector<uint8_t> trailer =
        words_le({smac_checksum(out.data(), static_cast<uint32_t>(out.size()))});
    out.insert(out.end(), trailer.begin(), trailer.end());
    return out;
}

// Recomputes both checksums after a test changed header or payload bytes.
inline void reseal(std::vector<uint8_t>& record) {
    smac_put_u32(record.data() + 24, smac_checksum(record.data(), 24));
    const uint32_t summed = static_cast<uint32_t>(record.size()) - 4;
    smac_put_u32(record.data() + summed, smac_checksum(record.data(), summed));
}

} // namespace nerivo::testing
