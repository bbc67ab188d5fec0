#include "smac_records.h"

#include <cstdio>

void smac_dump_record(const uint8_t* record, uint32_t packet_size) {
    std::printf("packet_size = %ld\n", static_cast<long>(packet_size));
    SmacHeader header{}; // shown zeroed when the header does not decode
    const int result = smac_decode_header(record, packet_size, &header);
    if (result != SMAC_OK) {
        std::printf("Problem decoding header: %d\n", result);
    }
    std::fputs("=============== SMAC record dump ================\n", stdout);
    if (record != nullptr) {
        for (uint32_t i = 0; i < packet_size; ++i) {
            std::printf("%02X:", static_cast<unsigned>(record[i]));
            if ((i + 1) % 8 == 0) {
                std::fputc(' ', stdout);
            }
            if ((i + 1) % 16 == 0) {
                std::fputc('\n', stdout);
            }
        }
    }
    std::fputc('\n', stdout);
    std::printf("hdr.version   = %d  hdr.rec_size = %-4d\n", static_cast<int>(header.version),
                static_cast<int>(header.rec_size));
    // Seconds as the unsigned word they are, so the dump stays right after January 2038.
    std::printf("hdr.timestamp = %lu.%ld\n", static_cast<unsigned long>(header.timestamp[0]),
                static_cast<long>(static_cast<int32_t>(header.timestamp[1])));
    std::printf("hdr.rec_type  = %d  hdr.param = %d\n", static_cast<int>(header.rec_type),
                static_cast<int>(header.param));
    std::printf("hdr.checksum  = %d\n", static_cast<int>(header.checksum));
    std::fputs("=================================================\n", stdout);
    // A pipe or log file sees each record whole, and none is lost if the program dies.
    std::fflush(stdout);
}
