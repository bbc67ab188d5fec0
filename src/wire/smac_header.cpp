#include "smac_header.h"

#include "header_check.h"

#include <cstdio>

namespace nerivo {

uint32_t smac_checksum(const uint8_t* bytes, uint32_t length) {
    if (bytes == nullptr) {
        return 0;
    }
    uint16_t r = 55665;
    uint32_t sum = 0;
    for (uint32_t i = 0; i < length; ++i) {
        const uint8_t c = static_cast<uint8_t>(bytes[i] ^ (r >> 8));
        r = static_cast<uint16_t>((c + r) * 52845u + 22719u);
        sum += c;
    }
    return sum;
}

void smac_write_header(const SmacHeader* header, uint8_t* out) {
    smac_put_u32(out + 0, header->version);
    smac_put_u32(out + 4, header->rec_size);
    smac_put_u32(out + 8, header->timestamp[0]);
    smac_put_u32(out + 12, header->timestamp[1]);
    smac_put_u32(out + 16, header->rec_type);
    smac_put_u32(out + 20, header->param);
    smac_put_u32(out + 24, header->checksum);
}

void smac_read_header(const uint8_t* bytes, SmacHeader* header) {
    header->version = smac_get_u32(bytes + 0);
    header->rec_size = smac_get_u32(bytes + 4);
    header->timestamp[0] = smac_get_u32(bytes + 8);
    header->timestamp[1] = smac_get_u32(bytes + 12);
    header->rec_type = smac_get_u32(bytes + 16);
    header->param = smac_get_u32(bytes + 20);
    header->checksum = smac_get_u32(bytes + 24);
}

uint32_t smac_header_checksum(const SmacHeader* header) {
    uint8_t bytes[SMAC_HEADER_SIZE];
    smac_write_header(header, bytes);
    return smac_checksum(bytes, SMAC_HEADER_SIZE - 4);
}

void smac_stamp_header(SmacHeader* header, WallTime time) {
    if (header == nullptr) {
        return;
    }
    header->version = SMAC_VERSION;
    header->checksum = 0;
    // The wire word holds the low 32 bits of the seconds (unsigned, good until 2106).
    header->timestamp[0] = static_cast<uint32_t>(time.seconds);
    header->timestamp[1] = static_cast<uint32_t>(time.milliseconds);
}

SmacHeaderCheck smac_check_header(const uint8_t* record, uint32_t length, SmacHeader* header) {
    SmacHeaderCheck check;
    if (record == nullptr || header == nullptr || length < SMAC_HEADER_SIZE) {
        return check;
    }
    SmacHeader received;
    smac_read_header(record, &received);
    if (received.version != SMAC_VERSION || received.rec_type > SMAC_REC_COMMAND ||
        received.rec_size == 0) {
        return check;
    }
    if (smac_header_checksum(&received) != received.checksum) {
        check.result = SMAC_BAD_HEADER_CHECKSUM;
        return check;
    }
    // The trailer sits after the payload; a record shorter than its header promises would
    // have us read past the buffer.
    const uint64_t whole = uint64_t{SMAC_HEADER_SIZE} + received.rec_size + SMAC_TRAILER_SIZE;
    if (length < whole) {
        return check;
    }
    *header = received;
    const uint32_t summed = SMAC_HEADER_SIZE + received.rec_size;
    check.trailer_tested = true;
    check.computed = smac_checksum(record, summed);
    check.stored = smac_get_u32(record + summed);
    check.result = check.computed == check.stored ? SMAC_OK : SMAC_BAD_TRAILER;
    return check;
}

std::string smac_checksum_line(const SmacHeaderCheck& check) {
    char line[64];
    std::snprintf(line, sizeof line, "Checksum check: %d (%d)\n", static_cast<int>(check.computed),
                  static_cast<int>(check.stored));
    return line;
}

} // namespace nerivo
