#pragma once

// The vehicle as an AIS class B station, for chart programs that draw AIS targets beside the
// ship: its position report (message 18) and its static data (message 24, parts A and B), each
// one !AIVDM sentence. What goes in is validated by the caller; nothing here reads the clock.

#include "nmea_sentences.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nerivo {

// A message's bits in the order AIS sends them, each field most significant bit first.
class AisBits {
public:
    // The low `width` bits of `value` (1 to 32); a negative value as two's complement.
    void put(int64_t value, int width);
    // `characters` six-bit characters of `text` (see ais_six_bit): cut when longer, padded
    // with '@' when shorter.
    void put_text(std::string_view text, int characters);
    [[nodiscard]] std::size_t size() const { return bits_.size(); }
    // Six bits to a character: 0 to 39 as '0' to 'W', 40 to 63 as '`' to 'w'. The last
    // character is made up with fill_bits() zero bits.
    [[nodiscard]] std::string armoured() const;
    [[nodiscard]] int fill_bits() const;

private:
    std::vector<bool> bits_;
};

// A text character in AIS's six-bit code: '@' to '_' are 0 to 31, ' ' to '?' are 32 to 63.
// Anything else is sent as '?' (a lower-case letter too), so that a stray character shows as
// a mark instead of ending the text, as '@' would, or passing for another.
[[nodiscard]] uint8_t ais_six_bit(char c);

// The one channel every sentence names: a receiver puts a part A and the part B that follows
// together only when both came on the same channel.
constexpr char AIS_CHANNEL = 'A';

// !AIVDM,1,1,,A,<payload>,<fill bits>*hh CR LF: one sentence, for messages of one slot.
[[nodiscard]] std::string ais_sentence(const AisBits& message);

// A class B "CS" unit uses no communication state, and sends the ITDMA selector with this
// fixed value: 1 then 1100000000000000110.
constexpr uint32_t AIS_CS_RADIO_STATUS = 0xE0006;

// What a class B position report (message 18) says. A value that is not finite, or out of its
// range, goes as "not available". The defaults are the vehicle's: a "CS" unit with no display,
// no DSC and no RAIM, that knows neither its speed nor its course.
struct AisClassBPosition {
    uint32_t mmsi = 0;
    double latitude = NAN;          // degrees, north positive; in 1/10000 minute
    double longitude = NAN;         // degrees, east positive; likewise
    double true_heading = NAN;      // degrees; in whole degrees
    double speed_knots = NAN;       // in tenths; 102.2 and above as 102.2
    double course = NAN;            // degrees over ground; in tenths
    int utc_second = 60;            // of the position; 60 not available, 61-63 as the codes say
    bool position_accurate = false; // within 10 m
    bool carrier_sense = true;      // a "CS" unit, not a SOTDMA one
    bool display = false;
    bool dsc = false;
    bool whole_band = false;
    bool message_22 = false;
    bool assigned = false;
    bool raim = false;
    uint32_t radio = AIS_CS_RADIO_STATUS; // selector and communication state, 20 bits
};

[[nodiscard]] std::string ais_class_b_position_sentence(const AisClassBPosition& report);

// Message 24 part A: the station's name, at most TARGET_NAME_MAX six-bit characters.
[[nodiscard]] std::string ais_static_name_sentence(uint32_t mmsi, std::string_view name);

// Type of ship 33, "engaged in dredging or underwater operations": the vehicle is the
// underwater operation, and the type tells other craft that work goes on below the surface.
constexpr uint8_t AIS_SHIP_TYPE_UNDERWATER_OPERATIONS = 33;

// Message 24 part B. Text fields in six-bit characters, numbers cut to their widths; empty
// text and zero numbers are "not available".
struct AisStaticData {
    uint32_t mmsi = 0;
    uint8_t ship_type = AIS_SHIP_TYPE_UNDERWATER_OPERATIONS;
    std::string vendor_id{};    // the maker, 3 characters
    uint8_t unit_model = 0;     // 4 bits
    uint32_t serial_number = 0; // 20 bits
    std::string call_sign{};    // 7 characters
    // Metres from the position's reference point. For an auxiliary craft (MMSI 98MIDxxxx)
    // these 30 bits are read as the parent ship's MMSI instead; zero is "none" either way.
    uint16_t to_bow = 0, to_stern = 0;     // 9 bits each
    uint8_t to_port = 0, to_starboard = 0; // 6 bits each
};

[[nodiscard]] std::string ais_static_data_sentence(const AisStaticData& data);

} // namespace nerivo
