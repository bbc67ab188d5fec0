// The header decoder must stay inside the buffer whatever rec_size claims.
#include "smac_header.h"
#include "smac_stdio.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace nerivo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FILE* quiet = std::freopen("/dev/null", "w", stdout); // it prints its checksum line
    (void)quiet;
    const std::vector<uint8_t> bytes(data, data + size);
    SmacHeader header;
    const int result =
        smac_decode_header(bytes.data(), static_cast<uint32_t>(bytes.size()), &header);
    if (result == 0 && uint64_t{header.rec_size} + 32 > size) {
        std::abort();
    }
    if (result != 0 && result != 1 && result != 2 && result != -1) {
        std::abort();
    }
    return 0;
}
