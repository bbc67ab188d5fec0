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

} // namespace

// Everything that has come since the last tick is read, and the newest whole sentence in it
// is handled: a feed faster than the tick never makes the relay lag.
void Station::process_usbl_input() {
    bool fresh = false;
    bool all_there_is = false;
    for (std::size_t taken = 0; taken < TICK_READ_BOUND;) {
        const uint32_t waiting = winfrog_port.bytes_waiting();
        if (!still_there(winfrog_port)) {
            return;
        }
        if (waiting == 0) {
            break;
        }
        uint8_t buffer[USBL_READ_LIMIT];
        const int32_t count = winfrog_port.read(buffer, USBL_READ_LIMIT);
        if (!still_there(winfrog_port)) {
            return;
        }
        if (count <= 0) {
            // Bytes waited but none came: what there is, is all there is.
            all_there_is = !fresh;
            break;
        }
        usbl_intake_.add(std::string_view(reinterpret_cast<const char*>(buffer),
                                          static_cast<std::size_t>(count)));
        taken += static_cast<std::size_t>(count);
        fresh = true;
    }
    UsblPiece piece = usbl_intake_.take(!fresh);
    if (all_there_is && piece.kind == UsblPiece::NONE) {
        piece = usbl_intake_.take_all();
    }
    if (piece.kind == UsblPiece::CUT_SHORT) {
        // What is left of it may well scan, with a number cut short: never send that.
        add_status_message("received too few tokens in USBL string");
    } else if (piece.kind == UsblPiece::WHOLE) {
        handle_usbl_sentence(piece.text);
    }
}

void Station::handle_usbl_sentence(const std::string& text) {
    UsblSentence sentence;
    const int filled =
        scan_usbl_sentence(reinterpret_cast<const uint8_t*>(text.data()), text.size(), &sentence);
    if (filled != USBL_SENTENCE_CONVERSIONS) {
        add_status_message("received too few tokens in USBL string");
        return;
    }
    // An impossible position, or a NaN that would never equal the last one sent and so go
    // out every period, never reaches the vehicle.
    if (const std::string problem = usbl_fix_problem(sentence); !problem.empty()) {
        add_status_message("USBL sentence rejected: " + problem);
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
    // Whole seconds, as the operator sets the period; floored, so that they tick over as the
    // wall clock's do.
    const int64_t ms = monotonic_ms();
    const int64_t now = ms / 1000 - (ms % 1000 < 0 ? 1 : 0);
    const bool period_over = !last_xmit_time || now - *last_xmit_time >= xmit_period;
    if (transmitting == 0 || !period_over || repeat) {
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
        still_there(auv_port);
        return false;
    }
    add_nav_line(c_format("%02d:%02d:%.3f   LT:%.5f   LG:%.5f   SL:%.2f", fix_hours, fix_minutes,
                          static_cast<double>(fix_seconds), static_cast<double>(fix_latitude),
                          static_cast<double>(fix_longitude), static_cast<double>(fix_sl)));
    return true;
}

} // namespace nerivo
