#include "usbl_sentence.h"

#include "c_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <string>

namespace nerivo {

namespace {

// Where each decimal number's text starts and ends, to tell hexadecimal ones apart.
constexpr int DECIMAL_NUMBERS = 9;

bool has_hex_mark(const std::string& text, int from, int to) {
    if (from < 0 || to < from || static_cast<std::size_t>(to) > text.size()) {
        return false;
    }
    return text.find_first_of("xX", static_cast<std::size_t>(from)) < static_cast<std::size_t>(to);
}

const char* number_name(int index) {
    static constexpr const char* NAMES[DECIMAL_NUMBERS] = {"time",     "latitude", "longitude",
                                                           "field 7",  "field 8",  "field 9",
                                                           "field 10", "field 11", "SL"};
    return NAMES[index];
}

std::string hemisphere_text(char letter) {
    const auto byte = static_cast<unsigned char>(letter);
    return byte > 0x20 && byte < 0x7F ? std::string(1, letter) : c_format("byte 0x%02X", byte);
}

// Degrees and minutes of one coordinate, at most `limit` degrees in all.
std::string coordinate_problem(const char* name, int degrees, float minutes, char hemisphere,
                               int limit, char positive, char negative) {
    if (degrees < 0 || degrees > limit) {
        return c_format("%s %d degrees", name, degrees);
    }
    if (!(minutes >= 0.0f && minutes < 60.0f)) {
        return c_format("%s %g minutes", name, static_cast<double>(minutes));
    }
    if (degrees == limit && minutes > 0.0f) {
        return c_format("%s beyond %d degrees", name, limit);
    }
    if (hemisphere != positive && hemisphere != negative) {
        return std::string(name) + " hemisphere " + hemisphere_text(hemisphere);
    }
    return {};
}

} // namespace

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
    // %n marks where each decimal number's text starts and ends; it fills no conversion.
    int from[DECIMAL_NUMBERS], to[DECIMAL_NUMBERS];
    std::fill(std::begin(from), std::end(from), -1);
    std::fill(std::begin(to), std::end(to), -1);
    const int filled = std::sscanf(
        text.c_str(),
        "%6s,%2d%2d%n%f%n,%2d%n%f%n,%c,%3d%n%f%n,%c,%n%f%n,%n%f%n,%n%f%n,%n%f%n,%n%f%n,%n%f%n",
        out->tag, &out->hours, &out->minutes, &from[0], &out->seconds, &to[0], &out->lat_degrees,
        &from[1], &out->lat_minutes, &to[1], &out->lat_hemisphere, &out->lon_degrees, &from[2],
        &out->lon_minutes, &to[2], &out->lon_hemisphere, &from[3], &out->unused[0], &to[3],
        &from[4], &out->unused[1], &to[4], &from[5], &out->unused[2], &to[5], &from[6],
        &out->unused[3], &to[6], &from[7], &out->unused[4], &to[7], &from[8], &out->sl, &to[8]);
    for (int i = 0; i < DECIMAL_NUMBERS; ++i) {
        if (has_hex_mark(text, from[i], to[i])) {
            out->hexadecimal_number = i;
            break;
        }
    }
    return filled < 0 ? 0 : filled;
}

std::string usbl_fix_problem(const UsblSentence& s) {
    const float numbers[DECIMAL_NUMBERS] = {s.seconds,   s.lat_minutes, s.lon_minutes,
                                            s.unused[0], s.unused[1],   s.unused[2],
                                            s.unused[3], s.unused[4],   s.sl};
    for (int i = 0; i < DECIMAL_NUMBERS; ++i) {
        if (!std::isfinite(numbers[i])) {
            return std::string(number_name(i)) + " is not a finite number";
        }
    }
    if (s.hexadecimal_number >= 0) {
        return std::string(number_name(s.hexadecimal_number)) + " is written in hexadecimal";
    }
    // 60 seconds: a leap second.
    if (s.hours < 0 || s.hours > 23 || s.minutes < 0 || s.minutes > 59 || s.seconds < 0.0f ||
        s.seconds >= 61.0f) {
        return c_format("time of day %02d:%02d:%06.3f", s.hours, s.minutes,
                        static_cast<double>(s.seconds));
    }
    std::string problem = coordinate_problem("latitude", s.lat_degrees, s.lat_minutes,
                                             s.lat_hemisphere, 90, 'N', 'S');
    if (problem.empty()) {
        problem = coordinate_problem("longitude", s.lon_degrees, s.lon_minutes, s.lon_hemisphere,
                                     180, 'E', 'W');
    }
    return problem;
}

} // namespace nerivo
