#pragma once

// The three record types on the vehicle link (nav and command out, status in) and the dump
// of a record to standard output.

#include "smac_header.h"

#include <cstdint>
#include <string>

namespace nerivo {

struct NavFix {
    float time_of_day, latitude, longitude, sl;
};

struct VehicleStatus {
    float latitude, longitude, heading, depth, altitude, battery_voltage, humidity;
    uint32_t behaviour; // SMAC_BEHAVIOUR_*
    int32_t abort_flag; // non-zero once the vehicle has aborted
};

constexpr uint32_t SMAC_NAV_PAYLOAD_SIZE = 16;
constexpr uint32_t SMAC_COMMAND_PAYLOAD_SIZE = 1;
constexpr uint32_t SMAC_STATUS_PAYLOAD_SIZE = 36;
constexpr uint32_t SMAC_NAV_RECORD_SIZE = 48;
constexpr uint32_t SMAC_COMMAND_RECORD_SIZE = 33;
constexpr uint32_t SMAC_STATUS_RECORD_SIZE = 68;

// Command codes carried in a command record's param.
constexpr uint32_t SMAC_COMMAND_REQUEST_STATUS = 0;
constexpr uint32_t SMAC_COMMAND_ABORT = 3;
constexpr uint32_t SMAC_COMMAND_START_SURVEY = 4;

// What follows every nav record on the wire.
inline constexpr uint8_t SMAC_NAV_TERMINATOR[5] = {'D', 'o', 'n', 'e', '\0'};

// What the vehicle is doing, as its status record reports it.
constexpr uint32_t SMAC_BEHAVIOUR_ABORT = 0;
constexpr uint32_t SMAC_BEHAVIOUR_DIVING = 1;
constexpr uint32_t SMAC_BEHAVIOUR_SURVEY = 2;
constexpr uint32_t SMAC_BEHAVIOUR_ASCENDING = 3;

// "Abort", "Diving", "Survey", "Ascending"; "UNKNOWN" for any other code.
const char* smac_behaviour_name(uint32_t behaviour);

// The builders put a whole record stamped with `time` into `out`, and its size into
// `packet_size`, and print nothing. The caller's header comes back as sent, its param as the
// caller set it. SMAC_BUILT, or SMAC_NULL_POINTER with nothing written when a pointer was null.
// A 48-byte nav record (the station sends param 0).
SmacBuildResult smac_build_nav(SmacHeader* header, const NavFix* fix, WallTime time, uint8_t* out,
                               uint32_t* packet_size);
// A 33-byte command record; the command code is the param.
SmacBuildResult smac_build_command(SmacHeader* header, const uint8_t* payload, WallTime time,
                                   uint8_t* out, uint32_t* packet_size);
// A 68-byte status record, as the vehicle sends it (for the simulator and tests).
SmacBuildResult smac_build_status(SmacHeader* header, const VehicleStatus* status, WallTime time,
                                  uint8_t* out, uint32_t* packet_size);

// Recomputes the trailer of a record whose header and payload are in place (for a record
// damaged on purpose, e.g. a wrong header checksum under a matching trailer).
void smac_seal_trailer(uint8_t* record); // reads rec_size from the record's header bytes

// Validates a status record at the start of `bytes` and unpacks its payload:
// 0 valid, 1 malformed, 2 header checksum mismatch, -1 trailer mismatch (payload unpacked).
[[nodiscard]] SmacDecodeResult smac_decode_status(const uint8_t* bytes, uint32_t count,
                                                  VehicleStatus* status);

// The status record's 36 payload bytes and back, little-endian whatever the host.
void smac_write_status_payload(const VehicleStatus* status, uint8_t* out);
void smac_read_status_payload(const uint8_t* bytes, VehicleStatus* status);

// The nav record's 16 payload bytes and back.
void smac_write_nav_payload(const NavFix* fix, uint8_t* out);
void smac_read_nav_payload(const uint8_t* bytes, NavFix* fix);

// The record as text, exactly what smac_dump_record prints for the record, checksum line included:
// size, the decoder's checksum check or problem, bytes in hexadecimal, header fields.
std::string smac_dump_text(const uint8_t* record, uint32_t packet_size);

} // namespace nerivo
