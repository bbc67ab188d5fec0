// The navigation relay: USBL sentences in on the navigation link, nav records out to the
// vehicle, at most one per transmit period and never the same position twice.
#include "nav_relay.h"

#include "c_text.h"
#include "usbl_sentence.h"

namespace nerivo {
namespace {

// Degrees and minutes to signed decimal degrees, negated for the given hemisphere letter.
double signed_degrees(int degrees, float minutes, char hemisphere, char negative) {
    const double value = static_cast<double>(degrees) + minutes / 60.0;
    // 0 - value, not -value: a position of zero stays +0.
    return hemisphere == negative ? 0.0 - value : value;
}

} // namespace

void NavRelay::start(int32_t xmit_period_s) {
    xmit_period_ = xmit_period_s;
    transmitting_ = true;
    last_fix_ms_ = monotonic_ms();
    silence_told_ = false;
}

void NavRelay::stop() {
    transmitting_ = false;
    last_xmit_time_.reset();
    silence_told_ = false;
}

// Everything that has come since the last tick is read, and the newest whole sentence in it
// is handled: a feed faster than the tick never makes the relay lag.
void NavRelay::process_usbl_input(Link& usbl, Link& vehicle, std::size_t read_bound) {
    SerialPort& port = usbl.port();
    bool fresh = false;
    bool all_there_is = false;
    for (std::size_t taken = 0; taken < read_bound;) {
        const uint32_t waiting = port.bytes_waiting();
        if (!usbl.still_there()) {
            return;
        }
        if (waiting == 0) {
            break;
        }
        uint8_t buffer[USBL_READ_LIMIT];
        const int32_t count = port.read(buffer, USBL_READ_LIMIT);
        if (!usbl.still_there()) {
            return;
        }
        if (count <= 0) {
            // Bytes waited but none came: what there is, is all there is.
            all_there_is = !fresh;
            break;
        }
        intake_.add(std::string_view(reinterpret_cast<const char*>(buffer),
                                     static_cast<std::size_t>(count)));
        taken += static_cast<std::size_t>(count);
        fresh = true;
    }
    UsblPiece piece = intake_.take(!fresh);
    if (all_there_is && piece.kind == UsblPiece::NONE) {
        piece = intake_.take_all();
    }
    if (piece.kind == UsblPiece::CUT_SHORT) {
        // What is left of it may well scan, with a number cut short: never send that.
        log_.add_status_message("received too few tokens in USBL string");
    } else if (piece.kind == UsblPiece::WHOLE) {
        handle_usbl_sentence(piece.text, vehicle);
    }
}

void NavRelay::watch_feed() {
    if (transmitting_ && !silence_told_ && monotonic_ms() - last_fix_ms_ >= SILENT_FEED_MS) {
        log_.add_status_message(
            c_format("No USBL fix for %lld s", static_cast<long long>(SILENT_FEED_MS / 1000)));
        silence_told_ = true;
    }
}

void NavRelay::handle_usbl_sentence(const std::string& text, Link& vehicle) {
    UsblSentence sentence;
    const int filled =
        scan_usbl_sentence(reinterpret_cast<const uint8_t*>(text.data()), text.size(), &sentence);
    if (filled != USBL_SENTENCE_CONVERSIONS) {
        log_.add_status_message("received too few tokens in USBL string");
        return;
    }
    // An impossible position, or a NaN that would never equal the last one sent and so go
    // out every period, never reaches the vehicle.
    if (const std::string problem = usbl_fix_problem(sentence); !problem.empty()) {
        log_.add_status_message("USBL sentence rejected: " + problem);
        return;
    }
    last_fix_ms_ = monotonic_ms();
    if (silence_told_) {
        log_.add_status_message("USBL fixes resumed");
        silence_told_ = false;
    }

    // In double for the track: the float the record carries is only good to a metre or so.
    const double latitude =
        signed_degrees(sentence.lat_degrees, sentence.lat_minutes, sentence.lat_hemisphere, 'S');
    const double longitude =
        signed_degrees(sentence.lon_degrees, sentence.lon_minutes, sentence.lon_hemisphere, 'W');
    if (fix_read_) {
        fix_read_(wall_clock_now(), latitude, longitude);
    }
    fix_latitude_ = static_cast<float>(latitude);
    fix_longitude_ = static_cast<float>(longitude);
    fix_sl_ = sentence.sl;
    fix_hours_ = sentence.hours;
    fix_minutes_ = sentence.minutes;
    fix_seconds_ = sentence.seconds;

    // Exact float equality: the same sentence position parses to the same bits.
    const bool repeat = sentence.lat_degrees == last_sent_fix_.lat_degrees &&
                        sentence.lat_minutes == last_sent_fix_.lat_minutes &&
                        sentence.lon_degrees == last_sent_fix_.lon_degrees &&
                        sentence.lon_minutes == last_sent_fix_.lon_minutes;
    // Whole seconds, as the operator sets the period (the monotonic clock never reads below
    // zero, so the division floors).
    const int64_t now = monotonic_ms() / 1000;
    const bool period_over = !last_xmit_time_ || now - *last_xmit_time_ >= xmit_period_;
    if (!transmitting_ || !period_over || repeat) {
        return;
    }
    // The fix counts as sent once the link has taken the whole record; until then a newer
    // fix takes its place in the link's queue.
    send_nav_record(vehicle, {sentence.lat_degrees, sentence.lat_minutes, sentence.lon_degrees,
                              sentence.lon_minutes});
    // Unless the failed send lost the vehicle link and so stopped the relay.
    if (transmitting_) {
        last_xmit_time_ = now;
    }
}

void NavRelay::send_nav_record(Link& vehicle, LastSentFix sent_fix) {
    NavFix fix;
    fix.time_of_day = static_cast<float>(fix_hours_ * 3600.0 + fix_minutes_ * 60.0 + fix_seconds_);
    fix.latitude = fix_latitude_;
    fix.longitude = fix_longitude_;
    fix.sl = fix_sl_;

    SmacHeader header{}; // param 0
    uint8_t record[SMAC_NAV_RECORD_SIZE];
    uint32_t size = 0;
    smac_build_nav(&header, &fix, wall_clock_now(), record, &size);
    dump_.write(smac_dump_text(record, size));

    // The record and its terminator as one: the device takes both, or the rest later.
    SendQueue::Record queued;
    queued.bytes.assign(record, record + size);
    queued.bytes.insert(queued.bytes.end(), std::begin(SMAC_NAV_TERMINATOR),
                        std::end(SMAC_NAV_TERMINATOR));
    queued.replaceable = true; // a newer fix makes this one worthless
    // Logged, and the fix counted as sent, only once the device has taken the last byte.
    queued.sent =
        [this, sent_fix,
         line = c_format("%02d:%02d:%.3f   LT:%.5f   LG:%.5f   SL:%.2f", fix_hours_, fix_minutes_,
                         static_cast<double>(fix_seconds_), static_cast<double>(fix_latitude_),
                         static_cast<double>(fix_longitude_), static_cast<double>(fix_sl_))] {
            last_sent_fix_ = sent_fix;
            log_.add_nav_line(line);
        };
    if (!vehicle.send(std::move(queued))) {
        log_.add_status_message("Send to AUV failed");
        vehicle.still_there();
    }
}

} // namespace nerivo
