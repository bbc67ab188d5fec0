#include "smac_records.h"

#include "header_check.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

namespace nerivo {

namespace {

__attribute__((format(printf, 2, 3))) void append(std::string& out, const char* format, ...) {
    char piece[128];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(piece, sizeof piece, format, args);
    va_end(args);
    if (n > 0) {
        out.append(piece, std::min(static_cast<std::size_t>(n), sizeof piece - 1));
    }
}

} // namespace

std::string smac_dump_text(const uint8_t* record, uint32_t packet_size) {
    std::string out;
    append(out, "packet_size = %ld\n", static_cast<long>(packet_size));
    SmacHeader header{}; // shown zeroed when the header does not decode
    const SmacHeaderCheck check = smac_check_header(record, packet_size, &header);
    if (check.trailer_tested) {
        out += smac_checksum_line(check);
    }
    if (check.result != SMAC_OK) {
        append(out, "Problem decoding header: %d\n", check.result);
    }
    out += "=============== SMAC record dump ================\n";
    if (record != nullptr) {
        for (uint32_t i = 0; i < packet_size; ++i) {
            append(out, "%02X:", static_cast<unsigned>(record[i]));
            if ((i + 1) % 8 == 0) {
                out += ' ';
            }
            if ((i + 1) % 16 == 0) {
                out += '\n';
            }
        }
    }
    out += '\n';
    append(out, "hdr.version   = %d  hdr.rec_size = %-4d\n", static_cast<int>(header.version),
           static_cast<int>(header.rec_size));
    // Seconds as the unsigned word they are, so the dump stays right after January 2038.
    append(out, "hdr.timestamp = %lu.%ld\n", static_cast<unsigned long>(header.timestamp[0]),
           static_cast<long>(static_cast<int32_t>(header.timestamp[1])));
    append(out, "hdr.rec_type  = %d  hdr.param = %d\n", static_cast<int>(header.rec_type),
           static_cast<int>(header.param));
    append(out, "hdr.checksum  = %d\n", static_cast<int>(header.checksum));
    out += "=================================================\n";
    return out;
}

} // namespace nerivo
