#include "usbl_feed.h"

#include "vehicle_model.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <unistd.h>
#include <vector>

namespace nerivo::sim {
namespace {

// ddmm.mmmm (or dddmm.mmmm) of |degrees|, rounded in whole ten-thousandths of a minute so
// that 59.99996 minutes carries into the degrees instead of printing 60.0000.
std::string degrees_minutes(double degrees, int degree_digits) {
    const auto units = static_cast<int64_t>(std::llround(std::fabs(degrees) * 60.0 * 10000.0));
    const int64_t whole_degrees = units / 600000;
    const int64_t minute_units = units % 600000;
    char text[32];
    std::snprintf(text, sizeof text, "%0*lld%02lld.%04lld", degree_digits,
                  static_cast<long long>(whole_degrees),
                  static_cast<long long>(minute_units / 10000),
                  static_cast<long long>(minute_units % 10000));
    return text;
}

// Byte offsets of the commas, in order.
std::vector<std::size_t> commas(const std::string& s) {
    std::vector<std::size_t> at;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == ',') {
            at.push_back(i);
        }
    }
    return at;
}

} // namespace

std::string format_usbl_sentence(const UsblReading& r) {
    const int64_t cs = ms_of_day(r.time_ms) / 10; // hundredths, truncated: never 24:00:00
    char text[200];
    std::snprintf(
        text, sizeof text, "%s,%02d%02d%02d.%02d,%s,%c,%s,%c,%.1f,%.1f,%.1f,%.2f,%.2f,%.2f\r\n",
        USBL_SENTENCE_TAG, static_cast<int>(cs / 360000), static_cast<int>(cs / 6000 % 60),
        static_cast<int>(cs / 100 % 60), static_cast<int>(cs % 100),
        degrees_minutes(r.position.latitude, 2).c_str(), r.position.latitude < 0 ? 'S' : 'N',
        degrees_minutes(r.position.longitude, 3).c_str(), r.position.longitude < 0 ? 'W' : 'E',
        r.depth_m, r.bearing_deg, r.horizontal_range_m, r.position_sd_m, r.depth_sd_m,
        r.slant_range_m);
    return text;
}

const char* sentence_break_name(SentenceBreak how) {
    switch (how) {
    case SentenceBreak::CUT_SHORT:
        return "cut short";
    case SentenceBreak::GARBLED_NUMBER:
        return "garbled number";
    case SentenceBreak::MISSING_FIELD:
        return "missing field";
    }
    return "broken";
}

BrokenSentence break_usbl_sentence(const std::string& sentence, SimRandom& random) {
    BrokenSentence out;
    out.how = static_cast<SentenceBreak>(random.uniform_int(0, 2));
    std::string body = sentence;
    while (!body.empty() && (body.back() == '\n' || body.back() == '\r')) {
        body.pop_back();
    }
    const std::vector<std::size_t> at = commas(body);
    if (at.size() < 11) {
        out.how = SentenceBreak::CUT_SHORT;
        out.text = body.substr(0, body.size() / 2) + "\r\n";
        return out;
    }
    // Fields are numbered from 0 (the tag); 3 and 5 are the hemispheres, which take any
    // character, so only the numbers can be garbled or dropped.
    static constexpr int NUMBER_FIELDS[] = {1, 2, 4, 6, 7, 8, 9, 10, 11};
    const int field = NUMBER_FIELDS[random.uniform_int(0, 8)];
    const std::size_t begin = at[static_cast<std::size_t>(field) - 1] + 1;
    const std::size_t end = static_cast<std::size_t>(field) < at.size()
                                ? at[static_cast<std::size_t>(field)]
                                : body.size();
    switch (out.how) {
    case SentenceBreak::CUT_SHORT:
        // Ends right after a comma: the scan runs out of text before the last number.
        out.text = body.substr(0, begin);
        break;
    case SentenceBreak::GARBLED_NUMBER:
        out.text = body;
        out.text[begin] = 'x';
        break;
    case SentenceBreak::MISSING_FIELD:
        out.text = body.substr(0, begin - 1) + body.substr(end);
        break;
    }
    out.text += "\r\n";
    return out;
}

UsblFeed::UsblFeed(int fd, const LawnMowerTrack& track, SimRandom& random, const FaultPlan& faults,
                   SimCounters& counters, LineSink sink, int64_t start_ms, int64_t period_ms)
    : fd_(fd), track_(track), random_(random), faults_(faults), counters_(counters),
      sink_(std::move(sink)), start_ms_(start_ms), period_ms_(std::max<int64_t>(period_ms, 1)),
      next_due_ms_(start_ms) {}

UsblReading UsblFeed::measure(int64_t now_ms) {
    const TrackPoint truth = track_.at(static_cast<double>(now_ms - start_ms_) / 1000.0);
    const double depth =
        depth_source_ != nullptr ? depth_source_->depth_m() : VehicleModel::SURVEY_DEPTH_M;
    const LocalPoint boat = track_.boat();
    const double true_range = std::hypot(truth.position.north_m - boat.north_m,
                                         truth.position.east_m - boat.east_m, depth);
    UsblReading r;
    r.time_ms = now_ms;
    // Typical of a USBL fix: a fixed floor plus a fraction of the slant range.
    r.position_sd_m = 0.3 + 0.003 * true_range;
    r.depth_sd_m = 0.1 + 0.001 * true_range;
    const LocalPoint seen{truth.position.north_m + random_.normal(r.position_sd_m),
                          truth.position.east_m + random_.normal(r.position_sd_m)};
    r.position = track_.to_geo(seen);
    r.depth_m = std::max(depth + random_.normal(r.depth_sd_m), 0.0);
    const double dn = seen.north_m - boat.north_m;
    const double de = seen.east_m - boat.east_m;
    r.horizontal_range_m = std::hypot(dn, de);
    r.bearing_deg = normalise_heading(std::atan2(de, dn) * 180.0 / std::numbers::pi);
    r.slant_range_m = std::max(true_range + random_.normal(0.1), 0.0);
    return r;
}

bool UsblFeed::write_pending(int64_t now_ms) {
    while (!pending_.empty()) {
        const ssize_t n = ::write(fd_, pending_.data(), pending_.size());
        if (n > 0) {
            if (write_tap_) {
                write_tap_(now_ms, reinterpret_cast<const uint8_t*>(pending_.data()),
                           static_cast<std::size_t>(n));
            }
            pending_.erase(0, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return false;
        }
        // The line is gone: the rest of this sentence can never arrive.
        pending_.clear();
        ++counters_.sentences_dropped;
        return false;
    }
    ++counters_.sentences_sent;
    return true;
}

void UsblFeed::poll(int64_t now_ms) {
    // Nothing should come this way; read it so it can't fill the line.
    uint8_t scratch[512];
    while (::read(fd_, scratch, sizeof scratch) > 0) {
    }
    if (!pending_.empty()) {
        write_pending(now_ms);
    }
    if (next_due_ms_ - now_ms > period_ms_) {
        next_due_ms_ = now_ms; // the clock went back
    }
    if (now_ms < next_due_ms_) {
        return;
    }
    next_due_ms_ += period_ms_;
    if (next_due_ms_ <= now_ms) {
        next_due_ms_ = now_ms + period_ms_; // after a stall or a jump forward, no burst
    }

    UsblReading reading = measure(now_ms);
    std::string note;
    ++sentences_made_;
    if (fault_due(faults_.repeat_fix_every, sentences_made_) && sentences_made_ > 1) {
        reading.position = last_reading_.position;
        note = "  [repeated fix]";
    }
    last_reading_ = reading;
    std::string sentence = format_usbl_sentence(last_reading_);
    if (fault_due(faults_.bad_sentence_every, sentences_made_)) {
        const BrokenSentence broken = break_usbl_sentence(sentence, random_);
        sentence = broken.text;
        note += std::string("  [broken: ") + sentence_break_name(broken.how) + "]";
        ++counters_.faults_injected;
    }
    last_sentence_ = sentence;
    if (!pending_.empty()) {
        ++counters_.sentences_dropped;
        if (sink_) {
            sink_(now_ms,
                  "usbl    !! the last sentence is still waiting for the line; sentence dropped");
        }
        return;
    }
    if (sink_) {
        std::string shown = sentence;
        while (!shown.empty() && (shown.back() == '\n' || shown.back() == '\r')) {
            shown.pop_back();
        }
        sink_(now_ms, "usbl    -> " + shown + note);
    }
    pending_ = sentence;
    write_pending(now_ms);
}

} // namespace nerivo::sim
