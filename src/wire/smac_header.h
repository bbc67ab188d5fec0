#pragma once

// The record envelope shared by everything exchanged with the vehicle: a 28-byte header of
// seven little-endian 32-bit words, the payload, and a 32-bit trailer that checks both.

#include "wall_clock.h"

#include <cstdint>

namespace nerivo {

struct SmacHeader {
    uint32_t version, rec_size;
    uint32_t timestamp[2]; // seconds since 1970 UTC, then the milliseconds 0 to 999
    uint32_t rec_type, param, checksum;
};

constexpr uint32_t SMAC_HEADER_SIZE = 28;
constexpr uint32_t SMAC_TRAILER_SIZE = 4;
constexpr uint32_t SMAC_VERSION = 1;

constexpr uint32_t SMAC_REC_NAV = 0;     // station to vehicle
constexpr uint32_t SMAC_REC_STATUS = 1;  // vehicle to station
constexpr uint32_t SMAC_REC_COMMAND = 2; // station to vehicle

// Results of the decoders, with the values the protocol's tools have always printed.
enum SmacDecodeResult : int {
    SMAC_OK = 0,
    SMAC_MALFORMED = 1,
    SMAC_BAD_HEADER_CHECKSUM = 2,
    SMAC_BAD_TRAILER = -1,
};

// Results of the encoders.
enum SmacBuildResult : int {
    SMAC_BUILT = 0,
    SMAC_NULL_POINTER = 1,
};

// Sum of the bytes as enciphered by the r = 55665 / 52845 / 22719 stream cipher.
uint32_t smac_checksum(const uint8_t* bytes, uint32_t length);

// smac_checksum of the 24 header bytes before the checksum word.
uint32_t smac_header_checksum(const SmacHeader* header);

// version 1, checksum 0, time stamp from `time` (seconds' low 32 bits, then milliseconds);
// rec_size, rec_type and param kept. Null is ignored.
void smac_stamp_header(SmacHeader* header, WallTime time);

// The 28 wire bytes of a header and back, little-endian whatever the host.
void smac_write_header(const SmacHeader* header, uint8_t* out);
void smac_read_header(const uint8_t* bytes, SmacHeader* header);

// Little-endian words, for code that builds or reads records byte by byte.
inline uint32_t smac_get_u32(const uint8_t* bytes) {
    return static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
           (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

inline void smac_put_u32(uint8_t* bytes, uint32_t value) {
    bytes[0] = static_cast<uint8_t>(value);
    bytes[1] = static_cast<uint8_t>(value >> 8);
    bytes[2] = static_cast<uint8_t>(value >> 16);
    bytes[3] = static_cast<uint8_t>(value >> 24);
}

} // namespace nerivo
