#pragma once

// The vehicle's reported position as NMEA 0183 sentences, for chart plotters and anything
// else that reads a GPS: what the station shows, in the form every such program takes.

#include "smac_records.h"
#include "wall_clock.h"

#include <string>

namespace nerivo {

// Sentences longer than this, '$' and CR LF included, are not NMEA 0183.
constexpr std::size_t NMEA_SENTENCE_MAX = 82;
// Depths no vehicle can report: below the deepest ocean, or this far above the surface.
constexpr double NMEA_DEEPEST_M = 11000;
constexpr double NMEA_HIGHEST_M = 100;

// "$" + body + "*hh" + CR LF, hh the XOR of the body's characters in upper-case hex.
std::string nmea_sentence(const std::string& body);

// The same with "!", which starts a sentence carrying armoured data (AIS).
std::string nmea_encapsulated_sentence(const std::string& body);

// GGA, RMC and HDT for a status that arrived at `arrived` (UTC), in that order, as one text;
// empty when the status is no position a reader could use (a value not finite, a latitude
// beyond 90 degrees, a longitude beyond 180, a depth out of the range above).
std::string nmea_position_sentences(const VehicleStatus& status, WallTime arrived);

// A target's name on a chart, in TLL as in AIS, where it is 20 six-bit characters.
constexpr std::size_t TARGET_NAME_MAX = 20;

// What a target's TLL says of its position.
enum class TargetStatus : char {
    TRACKING = 'T', // where the target is, as of the time given
    LOST = 'L',     // the last position of a target no longer tracked
};

// $RATLL: target `number` (0 to 99) at `latitude`, `longitude` (degrees), named `name`, as of
// `at` (UTC). The name must hold none of NMEA's reserved characters (the command line sees to
// it); past TARGET_NAME_MAX characters it is cut. Empty when the position is not one a reader
// could use (a value not finite, a latitude beyond 90 degrees, a longitude beyond 180).
[[nodiscard]] std::string nmea_target_sentence(int number, double latitude, double longitude,
                                               const std::string& name, WallTime at,
                                               TargetStatus status);

} // namespace nerivo
