// The navigation link delivers any bytes, in any pieces, at any pace. Whatever comes, the
// intake hands out pieces that are sentences as cut (no line end, no second sentence start),
// holds no more than a line, and a sentence the checks let through is a possible position.
//
// Input: one byte giving the largest piece (1 to 256), then the text; each piece is as long as
// its own first byte says (modulo the largest), and an odd first byte makes a quiet tick
// follow it, so the fuzzer chooses the splits and the pace too.
#include "usbl_intake.h"
#include "usbl_sentence.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void require(bool ok) {
    if (!ok) {
        std::abort();
    }
}

void check(const nerivo::UsblPiece& piece) {
    if (piece.kind == nerivo::UsblPiece::NONE) {
        require(piece.text.empty());
        return;
    }
    require(piece.text.find_first_of("\r\n") == std::string::npos);
    require(piece.text.find('$', 1) == std::string::npos);
    require(!piece.text.empty() && piece.text.find_first_of(" \t\v\f") != 0);

    const std::vector<uint8_t> bytes(piece.text.begin(), piece.text.end()); // exactly sized
    nerivo::UsblSentence s;
    const int filled = nerivo::scan_usbl_sentence(bytes.data(), bytes.size(), &s);
    require(filled >= 0 && filled <= nerivo::USBL_SENTENCE_CONVERSIONS);
    if (filled != nerivo::USBL_SENTENCE_CONVERSIONS || !nerivo::usbl_fix_problem(s).empty()) {
        return;
    }
    const double latitude = s.lat_degrees + s.lat_minutes / 60.0;
    const double longitude = s.lon_degrees + s.lon_minutes / 60.0;
    require(std::isfinite(latitude) && latitude >= 0 && latitude <= 90);
    require(std::isfinite(longitude) && longitude >= 0 && longitude <= 180);
    require(s.lat_hemisphere == 'N' || s.lat_hemisphere == 'S');
    require(s.lon_hemisphere == 'E' || s.lon_hemisphere == 'W');
    require(s.hours >= 0 && s.hours < 24 && s.minutes >= 0 && s.minutes < 60);
    require(std::isfinite(s.seconds) && s.seconds >= 0 && s.seconds < 61);
    require(std::isfinite(s.sl));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::size_t largest_piece = std::size_t{data[0]} + 1;
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    nerivo::UsblIntake intake;
    for (std::size_t fed = 0; fed < text.size();) {
        const auto first = static_cast<uint8_t>(text[fed]);
        const std::size_t piece = std::min(1 + first % largest_piece, text.size() - fed);
        intake.add(std::string_view(text).substr(fed, piece));
        fed += piece;
        check(intake.take(false));
        require(intake.held_bytes() < nerivo::UsblIntake::LONGEST_LINE);
        if (first % 2 == 1) {
            check(intake.take(true));
            require(intake.held_bytes() < nerivo::UsblIntake::LONGEST_LINE);
        }
    }
    return 0;
}
