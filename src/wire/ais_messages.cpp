#include "ais_messages.h"

#include <algorithm>
#include <cmath>

namespace nerivo {
namespace {

constexpr int MESSAGE_CLASS_B_POSITION = 18;
constexpr int MESSAGE_STATIC_DATA = 24;
// Latitude and longitude are sent in 1/10000 minute; 91 and 181 degrees say "not available".
constexpr int64_t UNITS_PER_DEGREE = 60 * 10000;
constexpr int64_t NO_LATITUDE = 91 * UNITS_PER_DEGREE;
constexpr int64_t NO_LONGITUDE = 181 * UNITS_PER_DEGREE;
constexpr int NO_HEADING = 511;
constexpr int NO_SPEED = 1023;
constexpr double FASTEST = 1022; // 102.2 knots or more
constexpr int NO_COURSE = 3600;
constexpr int NO_SECOND = 60;
constexpr int NAME_CHARACTERS = static_cast<int>(TARGET_NAME_MAX);

int64_t angle_units(double degrees, double most, int64_t not_available) {
    return std::isfinite(degrees) && std::fabs(degrees) <= most
               ? std::llround(degrees * static_cast<double>(UNITS_PER_DEGREE))
               : not_available;
}

// An angle in [0, 360) as a whole number of `steps` per degree, rounded; `not_available`
// when not finite.
int64_t direction(double degrees, int steps, int64_t not_available) {
    if (!std::isfinite(degrees)) {
        return not_available;
    }
    const int64_t turn = 360LL * steps;
    const int64_t rounded = std::llround(std::fmod(degrees, 360.0) * steps) % turn;
    return rounded < 0 ? rounded + turn : rounded;
}

void put_header(AisBits& bits, int message, uint32_t mmsi) {
    bits.put(message, 6);
    bits.put(0, 2); // repeat indicator: sent first hand
    bits.put(mmsi, 30);
}

} // namespace

void AisBits::put(int64_t value, int width) {
    const auto bits = static_cast<uint64_t>(value);
    for (int bit = std::clamp(width, 0, 32) - 1; bit >= 0; --bit) {
        bits_.push_back(((bits >> bit) & 1) != 0);
    }
}

void AisBits::put_text(std::string_view text, int characters) {
    for (int i = 0; i < characters; ++i) {
        put(static_cast<std::size_t>(i) < text.size() ? ais_six_bit(text[i]) : 0, 6);
    }
}

std::string AisBits::armoured() const {
    std::string payload;
    for (std::size_t start = 0; start < bits_.size(); start += 6) {
        int value = 0;
        for (std::size_t bit = start; bit < start + 6; ++bit) {
            value = value << 1 | (bit < bits_.size() && bits_[bit] ? 1 : 0);
        }
        payload += static_cast<char>(value < 40 ? '0' + value : '`' + value - 40);
    }
    return payload;
}

int AisBits::fill_bits() const {
    return static_cast<int>((6 - bits_.size() % 6) % 6);
}

uint8_t ais_six_bit(char c) {
    if (c >= '@' && c <= '_') {
        return static_cast<uint8_t>(c - '@');
    }
    return static_cast<uint8_t>(c >= ' ' && c <= '?' ? c : '?');
}

std::string ais_sentence(const AisBits& message) {
    return nmea_encapsulated_sentence(std::string("AIVDM,1,1,,") + AIS_CHANNEL + "," +
                                      message.armoured() + "," +
                                      std::to_string(message.fill_bits()));
}

std::string ais_class_b_position_sentence(const AisClassBPosition& report) {
    AisBits bits;
    put_header(bits, MESSAGE_CLASS_B_POSITION, report.mmsi);
    bits.put(0, 8); // regional reserve
    const double knots = report.speed_knots;
    bits.put(std::isfinite(knots) && knots >= 0 ? std::llround(std::min(knots * 10, FASTEST))
                                                : NO_SPEED,
             10);
    bits.put(report.position_accurate, 1);
    bits.put(angle_units(report.longitude, 180, NO_LONGITUDE), 28);
    bits.put(angle_units(report.latitude, 90, NO_LATITUDE), 27);
    bits.put(direction(report.course, 10, NO_COURSE), 12);
    bits.put(direction(report.true_heading, 1, NO_HEADING), 9);
    bits.put(report.utc_second >= 0 && report.utc_second <= 63 ? report.utc_second : NO_SECOND, 6);
    bits.put(0, 2); // regional reserve
    for (const bool flag : {report.carrier_sense, report.display, report.dsc, report.whole_band,
                            report.message_22, report.assigned, report.raim}) {
        bits.put(flag, 1);
    }
    bits.put(report.radio, 20);
    return ais_sentence(bits);
}

std::string ais_static_name_sentence(uint32_t mmsi, std::string_view name) {
    AisBits bits;
    put_header(bits, MESSAGE_STATIC_DATA, mmsi);
    bits.put(0, 2); // part A
    bits.put_text(name, NAME_CHARACTERS);
    bits.put(0, 8); // spare, which makes part A a whole slot as part B is
    return ais_sentence(bits);
}

std::string ais_static_data_sentence(const AisStaticData& data) {
    AisBits bits;
    put_header(bits, MESSAGE_STATIC_DATA, data.mmsi);
    bits.put(1, 2); // part B
    bits.put(data.ship_type, 8);
    bits.put_text(data.vendor_id, 3);
    bits.put(data.unit_model, 4);
    bits.put(data.serial_number, 20);
    bits.put_text(data.call_sign, 7);
    bits.put(data.to_bow, 9);
    bits.put(data.to_stern, 9);
    bits.put(data.to_port, 6);
    bits.put(data.to_starboard, 6);
    bits.put(0, 6); // type of fixing device, undefined, and spare
    return ais_sentence(bits);
}

} // namespace nerivo
