#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

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
    // The first decimal number written in hexadecimal (C's scanning takes "0x1p3"), counted
    // among the nine in the order above (0 the seconds, 8 the last number); -1 when none was.
    int hexadecimal_number = -1;
};

// A sentence is usable only when every conversion was filled.
constexpr int USBL_SENTENCE_CONVERSIONS = 16;

// Scans the first sentence in `bytes`, exactly as C's formatted scanning reads the sentence
// format from a zero-terminated copy of them (a zero byte among them ends the text early),
// and whatever the process's locale. Returns how many conversions were filled, 0 to 16
// (0 also when the text ends before the first); fields not filled keep their defaults.
[[nodiscard]] int scan_usbl_sentence(const uint8_t* bytes, std::size_t count, UsblSentence* out);

// Why a fully scanned sentence cannot be a fix, in the operator's words ("latitude 95
// degrees"), or empty when it can: every number finite and decimal, the time a time of day,
// latitude at most 90 and longitude at most 180 degrees, minutes below 60, hemispheres N/S
// and E/W in capitals.
std::string usbl_fix_problem(const UsblSentence& sentence);

} // namespace nerivo
