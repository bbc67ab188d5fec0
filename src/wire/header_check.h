#pragma once

// Inside the record library: what the header decoder finds, apart from the line it prints,
// so the dump can put that line in its text instead of on standard output.

#include "smac_header.h"

#include <cstdint>
#include <string>

namespace nerivo {

struct SmacHeaderCheck {
    SmacDecodeResult result = SMAC_MALFORMED;
    bool trailer_tested = false; // the header was sound, so both sums below are set
    uint32_t computed = 0;       // checksum of header and payload
    uint32_t stored = 0;         // the trailer as received
};

// smac_decode_header without printing; fills `header` when and as smac_decode_header does.
SmacHeaderCheck smac_check_header(const uint8_t* record, uint32_t length, SmacHeader* header);

// "Checksum check: <computed> (<stored>)\n", the decoder's line once the trailer was tested.
std::string smac_checksum_line(const SmacHeaderCheck& check);

} // namespace nerivo
