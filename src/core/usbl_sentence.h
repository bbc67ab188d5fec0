#pragma once

#include <cstddef>
#include <cstdint>

namespace nerivo {

// The fields of one USBL sentence, "%6s,%2d%2d%f,%2d%f,%c,%3d%f,%c,%f,%f,%f,%f,%f,%f":
// tag, time hhmmss.sss, latitude ddmm.mmmm and hemisphere, longitude dddmm.mmmm and
// hemisphere, five numbers the station does not use, and the last number.
struct UsblSentence {
    char tag[7] = {};
    int hours = 0;
    int minutes = 0;
    float seconds = 0;
    int lat_degrees = 0;
    float lat_minutes = 0;
    char lat_hemisphere = 0;
    int lon_degrees = 0;
    float lon_minutes = 0;
    char lon_hemisphere = 0;
    float unused[5] = {};
    float sl = 0;
};

// A sentence is usable only when every conversion was filled.
constexpr int USBL_SENTENCE_CONVERSIONS = 16;

// Scans the first sentence in `bytes`, exactly as C's formatted scanning reads the sentence
// format from a zero-terminated copy of them (a zero byte among them ends the text early),
// and whatever the process's locale. Returns how many conversions were filled, 0 to 16
// (0 also when the text ends before the first); fields not filled keep their defaults.
int scan_usbl_sentence(const uint8_t* bytes, std::size_t count, UsblSentence* out);

} // namespace nerivo
