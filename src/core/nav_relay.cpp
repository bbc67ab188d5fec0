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

constexpr const char* BLANKS = " \t\r\n\v\f";

// The first sentence of the USBL text, as far as it has come.
struct SentenceCut {
    enum Kind {
        NONE,      // nothing whole yet: wait for more
        WHOLE,     // [begin, end) is a sentence to scan
        CUT_SHORT, // [begin, end) lost its end: another sentence started before its line end
    } kind = NONE;
    std::size_t begin = 0, end = 0;
    std::size_t keep_from = 0; // what stays for the next tick starts here
};

// Once the feed has ended a sentence with a line end, a sentence is whole only at its line
// end. Before that, as with a feed that never ends its lines, a sentence is whole when the
// next one starts or when a tick brought nothing new after it. Text that never ends its
// line is taken once it fills the read buffer.
SentenceCut first_sentence(const std::string& text, bool line_ends, bool quiet) {
    SentenceCut cut;
    cut.begin = text.find_first_not_of(BLANKS);
    if (cut.begin == std::string::npos) {
        cut.keep_from = text.size(); // blanks alone: nothing to say about them
        return cut;
    }
    const std::size_t line_end = text.find_first_of("\r\n", cut.begin);
    const std::size_t next = text.find('$', cut.begin + 1);
    cut.keep_from = cut.begin;
    if (line_ends && next != std::string::npos &&
        (line_end == std::string::npos || next < line_end)) {
        cut = {SentenceCut::CUT_SHORT, cut.begin, next, next};
    } else if (line_ends && line_end != std::string::npos) {
        // Whatever the read held after the sentence goes with it.
        cut = {SentenceCut::WHOLE, cut.begin, line_end, text.size()};
    } else if (!line_ends && next != std::string::npos) {
        cut = {SentenceCut::WHOLE, cut.begin, next, next};
    } else if ((!line_ends && quiet) || text.size() >= Station::USBL_READ_LIMIT) {
        cut = {SentenceCut::WHOLE, cut.begin, text.size(), text.size()};
    }
    return cut;
}

} // namespace

// One sentence a tick at most, and one read a tick at most: none while a whole sentence
// already waits (it came with the read before).
void Station::process_usbl_input() {
    SentenceCut cut = first_sentence(usbl_text_, usbl_line_ends_, false);
    if (cut.kind == SentenceCut::NONE) {
        const uint32_t waiting = winfrog_port.bytes_waiting();
        if (!still_there(winfrog_port)) {
            return;
        }
        if (waiting == 0) {
            cut = first_sentence(usbl_text_, usbl_line_ends_, true);
        } else {
            uint8_t buffer[USBL_READ_LIMIT];
            const int32_t count = winfrog_port.read(buffer, USBL_READ_LIMIT);
            if (!still_there(winfrog_port)) {
                return;
            }
            if (count > 0) {
                const std::string fresh(reinterpret_cast<const char*>(buffer),
                                        static_cast<std::size_t>(count));
                usbl_line_ends_ = usbl_line_ends_ || fresh.find_first_of("\r\n") != fresh.npos;
                usbl_text_ += fresh;
                cut = first_sentence(usbl_text_, usbl_line_ends_, false);
            } else {
                // Bytes waited but none came: what there is, is all there is.
                cut = {SentenceCut::WHOLE, 0, usbl_text_.size(), usbl_text_.size()};
            }
        }
    }
    if (cut.kind == SentenceCut::NONE) {
        usbl_text_.erase(0, cut.keep_from);
        return;
    }
    const std::string sentence = usbl_text_.substr(cut.begin, cut.end - cut.begin);
    usbl_text_.erase(0, cut.keep_from);
    if (cut.kind == SentenceCut::CUT_SHORT) {
        // What is left of it may well scan, with a number cut short: never send that.
        add_status_message("received too few tokens in USBL string");
        return;
    }
    handle_usbl_sentence(sentence);
}

void Station::handle_usbl_sentence(const std::string& text) {
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
        still_there(auv_port);
        return false;
    }
    add_nav_line(c_format("%02d:%02d:%.3f   LT:%.5f   LG:%.5f   SL:%.2f", fix_hours, fix_minutes,
                          static_cast<double>(fix_seconds), static_cast<double>(fix_latitude),
                          static_cast<double>(fix_longitude), static_cast<double>(fix_sl)));
    return true;
}

} // namespace nerivo
