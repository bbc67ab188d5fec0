#include "smac_stdio.h"

#include "header_check.h"
#include "wall_clock.h"

#include <cstdio>

namespace nerivo {

void smac_init_header(SmacHeader* header) {
    smac_stamp_header(header, wall_clock_now());
}

SmacDecodeResult smac_decode_header(const uint8_t* record, uint32_t length, SmacHeader* header) {
    const SmacHeaderCheck check = smac_check_header(record, length, header);
    if (check.trailer_tested) {
        std::fputs(smac_checksum_line(check).c_str(), stdout);
    }
    return check.result;
}

SmacBuildResult smac_encode_nav(SmacHeader* header, const NavFix* fix, uint8_t* out,
                                uint32_t* packet_size) {
    const SmacBuildResult result = smac_build_nav(header, fix, wall_clock_now(), out, packet_size);
    if (result == SMAC_BUILT) {
        smac_dump_record(out, *packet_size);
    }
    return result;
}

SmacBuildResult smac_encode_command(SmacHeader* header, const uint8_t* payload, uint8_t* out,
                                    uint32_t* packet_size) {
    return smac_build_command(header, payload, wall_clock_now(), out, packet_size);
}

void smac_dump_record(const uint8_t* record, uint32_t packet_size) {
    const std::string text = smac_dump_text(record, packet_size);
    std::fwrite(text.data(), 1, text.size(), stdout);
    // A pipe or log file sees each record whole, and none is lost if the program dies.
    std::fflush(stdout);
}

} // namespace nerivo
