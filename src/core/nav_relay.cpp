// The navigation relay: USBL sentences in on the navigation link, nav records out to the
// vehicle, at most one per transmit period and never the same position twice.
#include "station.h"

#include "c_text.h"
#include "usbl_sentence.h"

namespace nerivo {
namespace {

// Degrees and minutes to signed decimal degrees, negated for the given hemisphere letter.
float decimal_degrees(int degrees, float minutes, char hemisphere, char negative) {
    const float value = static_cast<float>(static_cast<double>(degrees) + minutes / 60.0);
    // 0 - value, not -value: a position of zero stays +0.
    return hemisphere == negative ? 0.0f - value : value;
}

// True while the text holds nothing but blanks, or its first sentence has no line end yet.
bool awaits_line_end(const std::string& text) {
    const size_t start = text.find_first_not_of(" \t\r\n\v\f");
    return start == std::string::npos || text.find_first_of("\r\n", start) == std::string::npos;
}

} // namespace

void Station::process_usbl_input() {
    if (winfrog_port.bytes_waiting() == 0) {
        return;
    }
    uint8_t buffer[USBL_READ_LIMIT];
    const int32_t count = winfrog_port.read(buffer, USBL_READ_LIMIT);
    std::string text = std::move(usbl_unterminated_);
    usbl_unterminated_.clear();
    if (count > 0) {
        text.append(reinterpret_cast<const char*>(buffer), static_cast<size_t>(count));
        // At 9600 baud a sentence takes some 80 ms to arrive, so a tick may read part of it.
        // Scanned alone, that part would be lost, or worse, sent with its last number cut
        // short; it waits for the rest instead.
        if (awaits_line_end(text) && text.size() < USBL_READ_LIMIT) {
            usbl_unterminated_ = std::move(text);
            return;
        }
    }
    UsblSentence sentence;
    const int filled =
        scan_usbl_sentence(reinterpret_cast<const uint8_t*>(text.data()), text.size(), &sentence);
    if (filled != USBL_SENTENCE_CONVERSIONS) {
        add_status_message("received too few tokens in USBL string");
        return;
    }

    fix_latitude =
        decimal_degrees(sentence.lat_degrees, sentence.lat_minutes, sentence.lat_hemisphere, 'S');
    fix_longitude =
        decimal_degrees(sentence.lon_degrees, sentence.lon_minutes, sentence.lon_hemisphere, 'W');
    fix_sl = sentence.sl;
    fix_hours = sentence.hours;
    fix_minutes = sentence.minutes;
    fix_seconds = sentence.seconds;

    // Exact float equality: the same sentence position parses to the same bits.
    const bool repeat = sentence.lat_degrees == last_sent_fix.lat_degrees &&
                        sentence.lat_minutes == last_sent_fix.lat_minutes &&
                        sentence.lon_degrees == last_sent_fix.lon_degrees &&
                        sentence.lon_minutes == last_sent_fix.lon_minutes;
    const int64_t now = wall_clock_now().seconds;
    if (transmitting == 0 || now - last_xmit_time < xmit_period || repeat) {
        return;
    }
    // A link that did not take the record is tried again a period later, with this fix or a
    // newer one: the fix is not marked as sent.
    if (send_nav_record()) {
        last_sent_fix = {sentence.lat_degrees, sentence.lat_minutes, sentence.lon_degrees,
                         sentence.lon_minutes};
    }
    last_xmit_time = now;
}

bool Station::send_nav_record() {
    NavFix fix;
    fix.time_of_day = static_cast<float>(fix_hours * 3600.0 + fix_minutes * 60.0 + fix_seconds);
    fix.latitude = fix_latitude;
    fix.longitude = fix_longitude;
    fix.sl = fix_sl;

    SmacHeader header{}; // param 0
    uint8_t record[SMAC_NAV_RECORD_SIZE];
    uint32_t size = 0;
    smac_build_nav(&header, &fix, wall_clock_now(), record, &size);
    dump_.write(smac_dump_text(record, size));

    const bool sent =
        auv_port.send(record, static_cast<int32_t>(size)) == static_cast<int32_t>(size) &&
        auv_port.send(SMAC_NAV_TERMINATOR, sizeof SMAC_NAV_TERMINATOR) ==
            static_cast<int32_t>(sizeof SMAC_NAV_TERMINATOR);
    if (!sent) {
        add_status_message("Send to AUV failed");
        return false;
    }
    add_nav_line(c_format("%02d:%02d:%.3f   LT:%.5f   LG:%.5f   SL:%.2f", fix_hours, fix_minutes,
                          static_cast<double>(fix_seconds), static_cast<double>(fix_latitude),
                          static_cast<double>(fix_longitude), static_cast<double>(fix_sl)));
    return true;
}

} // namespace nerivo
