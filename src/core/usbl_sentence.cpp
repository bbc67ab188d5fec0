#include "usbl_sentence.h"

#include "c_text.h"

#include <cstdio>
#include <string>

namespace nerivo {

int scan_usbl_sentence(const uint8_t* bytes, std::size_t count, UsblSentence* out) {
    if (out == nullptr) {
        return 0;
    }
    *out = UsblSentence{};
    if (bytes == nullptr) {
        return 0;
    }
    // Bytes from the link are not terminated; the scan must never look past them.
    const std::string text(reinterpret_cast<const char*>(bytes), count);
    // Qt takes the user's locale at start-up; the sentence always has a decimal point.
    CNumericLocale c_numbers;
    const int filled = std::sscanf(
        text.c_str(), "%6s,%2d%2d%f,%2d%f,%c,%3d%f,%c,%f,%f,%f,%f,%f,%f", out->tag, &out->hours,
        &out->minutes, &out->seconds, &out->lat_degrees, &out->lat_minutes, &out->lat_hemisphere,
        &out->lon_degrees, &out->lon_minutes, &out->lon_hemisphere, &out->unused[0],
        &out->unused[1], &out->unused[2], &out->unused[3], &out->unused[4], &out->sl);
    return filled < 0 ? 0 : filled;
}

} // namespace nerivo
