// Status records come from the vehicle link: any bytes at all may arrive.
#include "smac_records.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

using namespace nerivo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An exactly sized copy, so a read past the input is caught.
    const std::vector<uint8_t> bytes(data, data + size);
    VehicleStatus status;
    const int result =
        smac_decode_status(bytes.data(), static_cast<uint32_t>(bytes.size()), &status);
    if (result != 0 && result != 1 && result != 2 && result != -1) {
        std::abort();
    }
    if (result == 0 && size < SMAC_STATUS_RECORD_SIZE) {
        std::abort();
    }
    return 0;
}
