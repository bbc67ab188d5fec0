#include "smac_records.h"

#include <bit>

namespace nerivo {

namespace {

void put_float(uint8_t* out, float value) {
    smac_put_u32(out, std::bit_cast<uint32_t>(value));
}

float get_float(const uint8_t* bytes) {
    return std::bit_cast<float>(smac_get_u32(bytes));
}

// Header, payload already in place at offset 28, trailer after it.
void seal_record(SmacHeader* header, uint8_t* out) {
    header->checksum = smac_header_checksum(header);
    smac_write_header(header, out);
    smac_seal_trailer(out);
}

} // namespace

void smac_write_nav_payload(const NavFix* fix, uint8_t* out) {
    put_float(out + 0, fix->time_of_day);
    put_float(out + 4, fix->latitude);
    put_float(out + 8, fix->longitude);
    put_float(out + 12, fix->sl);
}

void smac_read_nav_payload(const uint8_t* bytes, NavFix* fix) {
    fix->time_of_day = get_float(bytes + 0);
    fix->latitude = get_float(bytes + 4);
    fix->longitude = get_float(bytes + 8);
    fix->sl = get_float(bytes + 12);
}

void smac_write_status_payload(const VehicleStatus* status, uint8_t* out) {
    put_float(out + 0, status->latitude);
    put_float(out + 4, status->longitude);
    put_float(out + 8, status->heading);
    put_float(out + 12, status->depth);
    put_float(out + 16, status->altitude);
    put_float(out + 20, status->battery_voltage);
    put_float(out + 24, status->humidity);
    smac_put_u32(out + 28, status->behaviour);
    smac_put_u32(out + 32, static_cast<uint32_t>(status->abort_flag));
}

void smac_read_status_payload(const uint8_t* bytes, VehicleStatus* status) {
    status->latitude = get_float(bytes + 0);
    status->longitude = get_float(bytes + 4);
    status->heading = get_float(bytes + 8);
    status->depth = get_float(bytes + 12);
    status->altitude = get_float(bytes + 16);
    status->battery_voltage = get_float(bytes + 20);
    status->humidity = get_float(bytes + 24);
    status->behaviour = smac_get_u32(bytes + 28);
    status->abort_flag = static_cast<int32_t>(smac_get_u32(bytes + 32));
}

SmacBuildResult smac_build_nav(SmacHeader* header, const NavFix* fix, WallTime time, uint8_t* out,
                               uint32_t* packet_size) {
    if (header == nullptr || fix == nullptr || out == nullptr || packet_size == nullptr) {
        return SMAC_NULL_POINTER;
    }
    smac_stamp_header(header, time);
    header->rec_size = SMAC_NAV_PAYLOAD_SIZE;
    header->rec_type = SMAC_REC_NAV;
    smac_write_nav_payload(fix, out + SMAC_HEADER_SIZE);
    seal_record(header, out);
    *packet_size = SMAC_NAV_RECORD_SIZE;
    return SMAC_BUILT;
}

SmacBuildResult smac_build_command(SmacHeader* header, const uint8_t* payload, WallTime time,
                                   uint8_t* out, uint32_t* packet_size) {
    if (header == nullptr || payload == nullptr || out == nullptr || packet_size == nullptr) {
        return SMAC_NULL_POINTER;
    }
    smac_stamp_header(header, time);
    header->rec_size = SMAC_COMMAND_PAYLOAD_SIZE;
    header->rec_type = SMAC_REC_COMMAND;
    out[SMAC_HEADER_SIZE] = *payload;
    seal_record(header, out);
    *packet_size = SMAC_COMMAND_RECORD_SIZE;
    return SMAC_BUILT;
}

SmacBuildResult smac_build_status(SmacHeader* header, const VehicleStatus* status, WallTime time,
                                  uint8_t* out, uint32_t* packet_size) {
    if (header == nullptr || status == nullptr || out == nullptr || packet_size == nullptr) {
        return SMAC_NULL_POINTER;
    }
    smac_stamp_header(header, time);
    header->rec_size = SMAC_STATUS_PAYLOAD_SIZE;
    header->rec_type = SMAC_REC_STATUS;
    smac_write_status_payload(status, out + SMAC_HEADER_SIZE);
    seal_record(header, out);
    *packet_size = SMAC_STATUS_RECORD_SIZE;
    return SMAC_BUILT;
}

void smac_seal_trailer(uint8_t* record) {
    if (record == nullptr) {
        return;
    }
    const uint32_t summed = SMAC_HEADER_SIZE + smac_get_u32(record + 4);
    smac_put_u32(record + summed, smac_checksum(record, summed));
}

const char* smac_behaviour_name(uint32_t behaviour) {
    switch (behaviour) {
    case SMAC_BEHAVIOUR_ABORT:
        return "Abort";
    case SMAC_BEHAVIOUR_DIVING:
        return "Diving";
    case SMAC_BEHAVIOUR_SURVEY:
        return "Survey";
    case SMAC_BEHAVIOUR_ASCENDING:
        return "Ascending";
    default:
        return "UNKNOWN";
    }
}

SmacDecodeResult smac_decode_status(const uint8_t* bytes, uint32_t count, VehicleStatus* status) {
    if (bytes == nullptr || status == nullptr || count < SMAC_STATUS_RECORD_SIZE) {
        return SMAC_MALFORMED;
    }
    SmacHeader header;
    smac_read_header(bytes, &header);
    if (header.version != SMAC_VERSION || header.rec_type != SMAC_REC_STATUS ||
        header.rec_size != SMAC_STATUS_PAYLOAD_SIZE) {
        return SMAC_MALFORMED;
    }
    if (smac_header_checksum(&header) != header.checksum) {
        return SMAC_BAD_HEADER_CHECKSUM;
    }
    // Unpacked before the trailer test: a caller may want to see what a damaged record held.
    smac_read_status_payload(bytes + SMAC_HEADER_SIZE, status);
    const uint32_t summed = SMAC_HEADER_SIZE + SMAC_STATUS_PAYLOAD_SIZE;
    return smac_checksum(bytes, summed) == smac_get_u32(bytes + summed) ? SMAC_OK
                                                                        : SMAC_BAD_TRAILER;
}

} // namespace nerivo
