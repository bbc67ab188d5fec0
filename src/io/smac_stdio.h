#pragma once

// The record calls that read the wall clock or print on standard output, over the pure codecs
// in smac_header.h and smac_records.h: what a tool on either side of the protocol calls. The
// station itself stamps its records with its injected clock and sends its dump through a
// DumpOutput.

#include "smac_records.h"

#include <cstdint>

namespace nerivo {

// smac_stamp_header at the wall clock's time.
void smac_init_header(SmacHeader* header);

// smac_build_nav at the wall clock's time, then smac_dump_record of the record.
SmacBuildResult smac_encode_nav(SmacHeader* header, const NavFix* fix, uint8_t* out,
                                uint32_t* packet_size);

// smac_build_command at the wall clock's time.
SmacBuildResult smac_encode_command(SmacHeader* header, const uint8_t* payload, uint8_t* out,
                                    uint32_t* packet_size);

// Checks a received record: 0 valid, 1 malformed (null, short, bad version, type or size,
// or fewer bytes than the header promises), 2 header checksum mismatch, -1 trailer mismatch.
// Prints "Checksum check: %d (%d)" once the header is sound.
[[nodiscard]] SmacDecodeResult smac_decode_header(const uint8_t* record, uint32_t length,
                                                  SmacHeader* header);

// Prints smac_dump_text of the record to standard output, and flushes it.
void smac_dump_record(const uint8_t* record, uint32_t packet_size);

} // namespace nerivo
