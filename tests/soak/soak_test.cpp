// A long mission on a noisy link: the station in-process, its tick driven as fast as it will
// go against the simulator's two peers with every fault on, for 20,000 ticks (nearly three
// hours of simulated time). A model of both links, built from what the peers wrote and from
// the station's read rules, says what every tick must do; what the operator sees and the bytes on
// the vehicle link are checked against it as the run goes.

#include "com_dir.h"
#include "control_ids.h"
#include "fake_clock.h"
#include "heap_use.h"
#include "lawn_mower_track.h"
#include "pty_pair.h"
#include "record_framer.h"
#include "station.h"
#include "station_view.h"
#include "usbl_feed.h"
#include "vehicle_model.h"
#include "vehicle_sim.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <fstream>
#include <map>
#include <memory>
#include <poll.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

#ifdef __SANITIZE_ADDRESS__
// Freed memory waits in a quarantine of 256 MB by default, which would hide the heap's real
// size from the resident-set check; a smaller one still catches use after free.
extern "C" const char* __asan_default_options() {
    return "quarantine_size_mb=16";
}
#endif

namespace {

using namespace nerivo;
using namespace nerivo::sim;
using nerivo::testing::ComDir;
using nerivo::testing::FakeClock;
using nerivo::testing::heap_in_use;
using nerivo::testing::PtyPair;
using nerivo::testing::ScopedTimeZone;
using Clock = std::chrono::steady_clock;

constexpr int TICKS = 20'000;
constexpr int WARM_UP_TICKS = 2'000;
constexpr int64_t TICK_MS = 500;
// The peers are polled this often between ticks, so a status record sent in pieces may be
// caught half-arrived.
constexpr int64_t PEER_STEP_MS = 50;
constexpr int64_t USBL_PERIOD_MS = 1000;
constexpr int64_t STATUS_PERIOD_MS = 2000;
constexpr int COMMAND_EVERY_TICKS = 97;
// First a period every fix meets, so repeats are what holds fixes back; then a longer one.
constexpr int FIRST_PERIOD_S = 1;
constexpr int SECOND_PERIOD_S = 3;

// Distinct primes, so every kind of damage falls on records of every other kind too.
constexpr FaultPlan FAULTS{.bad_header_every = 7,
                           .bad_trailer_every = 11,
                           .garbage_every = 13,
                           .bad_sentence_every = 17,
                           .split_writes = true,
                           .repeat_fix_every = 5};

constexpr std::size_t STATUS_READ_THRESHOLD = nerivo::StatusMonitor::STATUS_READ_THRESHOLD;
constexpr std::size_t STATUS_READ_LIMIT = nerivo::StatusMonitor::STATUS_READ_LIMIT;
constexpr std::size_t USBL_READ_LIMIT = nerivo::NavRelay::USBL_READ_LIMIT;
constexpr std::size_t NAV_WIRE_BYTES = SMAC_NAV_RECORD_SIZE + sizeof SMAC_NAV_TERMINATOR;
constexpr std::size_t COMMAND_WIRE_BYTES = SMAC_COMMAND_RECORD_SIZE;

// Every mismatch, with the tick it happened on; the first few are kept word for word.
class Problems {
public:
    void add(int tick, const std::string& what) {
        if (kept_.size() < 25) {
            kept_.push_back("tick " + std::to_string(tick) + ": " + what);
        }
        ++count_;
    }
    std::size_t count() const { return count_; }
    std::string text() const {
        std::string out;
        for (const std::string& p : kept_) {
            out += p + "\n";
        }
        return out;
    }

private:
    std::vector<std::string> kept_;
    std::size_t count_ = 0;
};

constexpr const char* BAD_HEADER_LINE = "Checksum failed in Auv Status header";
constexpr const char* BAD_DATA_LINE = "Checksum failed in Auv Status data packet";

// The bytes waiting at the station's end of the vehicle link, each known by the status
// record it belongs to, built from what the vehicle queued and what the line took.
class VehicleLinkModel {
public:
    // What one tick's status read must do.
    struct Verdict {
        bool read = false;
        std::vector<std::string> lines; // in stream order
        bool shown = false;
        VehicleStatus status{}; // the newest undamaged record the read completed
        uint64_t undamaged = 0; // undamaged records the read completed
    };

    void queued(const StatusBytes& record) {
        records_.push_back(record);
        if (record.garbage > 0) {
            ++garbage_records_;
        }
        if (!record.bad_header && !record.bad_trailer) {
            ++undamaged_records_;
        }
    }

    // False when the line took bytes the vehicle never queued.
    bool wrote(const uint8_t* bytes, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t at = static_cast<std::size_t>(writing_ - first_record_);
            if (at >= records_.size() || records_[at].bytes[writing_offset_] != bytes[i]) {
                return false;
            }
            waiting_.push_back({writing_, static_cast<uint16_t>(writing_offset_)});
            if (++writing_offset_ == records_[at].bytes.size()) {
                ++writing_;
                writing_offset_ = 0;
            }
        }
        return true;
    }

    std::size_t waiting() const { return waiting_.size(); }
    uint64_t garbage_records() const { return garbage_records_; }
    uint64_t undamaged_records() const { return undamaged_records_; }

    // The station reads what waits, 100 bytes at a time up to its bound for a tick, once
    // those it keeps from earlier reads and those waiting make 64, and finds the records in
    // them wherever they start. A record with
    // a damaged header gives its line once the header is read; any other once its last byte
    // is: a damaged one its line, an undamaged one is shown unless a newer one came in the
    // same read. What the station keeps between reads
    // is taken from a framer fed the same bytes, which must find the same records.
    Verdict station_reads(Problems& problems, int tick) {
        Verdict v;
        if (mirror_.held_bytes() + waiting_.size() < STATUS_READ_THRESHOLD) {
            return v;
        }
        v.read = true;
        std::size_t count = 0;
        while (count < waiting_.size() && count < Station::TICK_READ_BOUND) {
            count += std::min(waiting_.size() - count, STATUS_READ_LIMIT);
        }
        std::vector<uint8_t> bytes;
        std::vector<std::string> expected; // "good" or a line, in stream order
        for (std::size_t i = 0; i < count; ++i) {
            const Byte b = waiting_[i];
            const StatusBytes& record =
                records_[static_cast<std::size_t>(b.record - first_record_)];
            bytes.push_back(record.bytes[b.offset]);
            // A damaged header is known by its own 28 bytes; the rest by the whole record.
            if (record.bad_header) {
                if (b.offset + 1u == record.garbage + SMAC_HEADER_SIZE) {
                    v.lines.push_back(BAD_HEADER_LINE);
                    expected.push_back(BAD_HEADER_LINE);
                }
                continue;
            }
            if (b.offset + 1u != record.bytes.size()) {
                continue;
            }
            if (record.bad_trailer) {
                v.lines.push_back(BAD_DATA_LINE);
                expected.push_back(BAD_DATA_LINE);
            } else {
                ++v.undamaged;
                v.shown = true;
                v.status = record.status;
                expected.push_back("good");
            }
        }
        std::vector<std::string> found;
        for (const FrameEvent& e : mirror_.feed(bytes.data(), bytes.size())) {
            if (e.kind == FrameEventKind::STATUS_OK) {
                found.push_back("good");
            } else if (e.kind == FrameEventKind::BAD_HEADER_CHECKSUM) {
                found.push_back(BAD_HEADER_LINE);
            } else if (e.kind == FrameEventKind::BAD_TRAILER) {
                found.push_back(BAD_DATA_LINE);
            } else if (e.kind != FrameEventKind::GARBAGE_SKIPPED) {
                found.push_back("event " + std::to_string(static_cast<int>(e.kind)));
            }
        }
        if (found != expected) {
            problems.add(tick, "the framer found " + std::to_string(found.size()) +
                                   " records where the line holds " +
                                   std::to_string(expected.size()));
        }
        waiting_.erase(waiting_.begin(), waiting_.begin() + static_cast<std::ptrdiff_t>(count));
        forget_read_records();
        return v;
    }

private:
    struct Byte {
        uint64_t record;
        uint16_t offset;
    };

    // Records wholly read go, so the model does not grow over the run.
    void forget_read_records() {
        const uint64_t oldest = waiting_.empty() ? writing_ : waiting_.front().record;
        while (first_record_ < oldest && !records_.empty()) {
            records_.pop_front();
            ++first_record_;
        }
    }

    std::deque<StatusBytes> records_;
    uint64_t first_record_ = 0; // index of records_.front()
    uint64_t writing_ = 0;      // record the line is taking
    std::size_t writing_offset_ = 0;
    std::deque<Byte> waiting_;
    uint64_t garbage_records_ = 0;
    uint64_t undamaged_records_ = 0;
    RecordFramer mirror_;
};

struct ParsedSentence {
    std::string lat_text, lon_text; // the position exactly as written
    double latitude = 0, longitude = 0, sl = 0;
    int64_t centiseconds_of_day = 0;
    bool sent = false; // seen on the wire
};

std::vector<std::string> split_fields(const std::string& sentence) {
    std::vector<std::string> fields(1);
    for (const char c : sentence) {
        if (c == ',') {
            fields.emplace_back();
        } else if (c != '\r' && c != '\n') {
            fields.back() += c;
        }
    }
    return fields;
}

// A sound sentence as the feed writes it: "$NVPOS,hhmmss.ss,ddmm.mmmm,N,dddmm.mmmm,W,...".
ParsedSentence parse_sound_sentence(const std::string& sentence) {
    const std::vector<std::string> f = split_fields(sentence);
    ParsedSentence p;
    p.lat_text = f.at(2) + f.at(3);
    p.lon_text = f.at(4) + f.at(5);
    const auto degrees = [](const std::string& text, int digits, const std::string& hemi) {
        const double value = std::stoi(text.substr(0, static_cast<std::size_t>(digits))) +
                             std::stod(text.substr(static_cast<std::size_t>(digits))) / 60.0;
        return hemi == "S" || hemi == "W" ? -value : value;
    };
    p.latitude = degrees(f.at(2), 2, f.at(3));
    p.longitude = degrees(f.at(4), 3, f.at(5));
    p.sl = std::stod(f.at(11));
    const std::string& t = f.at(1);
    p.centiseconds_of_day =
        (std::stoll(t.substr(0, 2)) * 3600 + std::stoll(t.substr(2, 2)) * 60) * 100 +
        std::llround(std::stod(t.substr(4)) * 100);
    return p;
}

std::string stamp_of(int64_t seconds) {
    const time_t t = static_cast<time_t>(seconds);
    std::tm local{};
    localtime_r(&t, &local);
    char text[32];
    std::snprintf(text, sizeof text, "[%03d %02d:%02d:%02d] ", local.tm_yday, local.tm_hour,
                  local.tm_min, local.tm_sec);
    return text;
}

std::string c_text(const char* format, float value) {
    char text[64];
    std::snprintf(text, sizeof text, format, static_cast<double>(value));
    return text;
}

std::vector<std::pair<int, std::string>> expected_fields(const VehicleStatus& s) {
    static const char* const BEHAVIOURS[] = {"Abort", "Diving", "Survey", "Ascending"};
    return {{IDC_LATITUDE, c_text("%.6f", s.latitude)},
            {IDC_LONGITUDE, c_text("%.6f", s.longitude)},
            {IDC_HEADING, c_text("%.6f", s.heading)},
            {IDC_DEPTH, c_text("%.2f", s.depth)},
            {IDC_ALTITUDE, c_text("%.2f", s.altitude)},
            {IDC_BATTERY_VOLTAGE, c_text("%.2f", s.battery_voltage)},
            {IDC_HUMIDITY, c_text("%.2f", s.humidity)},
            {IDC_BEHAVIOUR, s.behaviour < 4 ? BEHAVIOURS[s.behaviour] : "UNKNOWN"},
            {IDC_ABORT, s.abort_flag != 0 ? "Yes" : "No"}};
}

// What the operator would see, kept only until the test has looked: a view that stored
// every line would hide the station's own memory behind its own.
class SoakView : public StationView {
public:
    void add_status_line(WallTime, const std::string& line) override {
        new_status_.push_back(line);
        ++status_count_;
        for (auto& [message, count] : fault_counts_) {
            count += line.size() >= message.size() &&
                     line.compare(line.size() - message.size(), message.size(), message) == 0;
        }
    }
    void add_nav_line(WallTime, const std::string&) override { ++nav_count_; }
    std::string field_text(int id) const override {
        const auto it = fields_.find(id);
        return it == fields_.end() ? std::string() : it->second;
    }
    void set_field_text(int id, const std::string& text) override { fields_[id] = text; }
    void set_button_colours(int id, uint32_t, uint32_t face) override { faces_[id] = face; }
    void set_field_stale(int, bool) override {}
    void set_field_tooltip(int, const std::string&) override {}
    bool ask_yes_no(const std::string&, const std::string& caption) override {
        asked_ = caption;
        return answer_;
    }

    // The status lines added since the last call, oldest first.
    std::vector<std::string> take_status_lines() { return std::exchange(new_status_, {}); }
    uint64_t status_count() const { return status_count_; }
    uint64_t nav_count() const { return nav_count_; }
    uint64_t fault_count(const std::string& message) const { return fault_counts_.at(message); }
    uint32_t face(int id) const { return faces_.count(id) ? faces_.at(id) : 0; }
    // The next question gets `yes`; returns the caption of the one asked since.
    void answer_next(bool yes) {
        answer_ = yes;
        asked_.clear();
    }
    const std::string& asked() const { return asked_; }

private:
    std::vector<std::string> new_status_;
    uint64_t status_count_ = 0;
    uint64_t nav_count_ = 0;
    std::map<std::string, uint64_t> fault_counts_{{"Checksum failed in Auv Status header", 0},
                                                  {"Checksum failed in Auv Status data packet", 0},
                                                  {"received too few tokens in USBL string", 0}};
    std::map<int, std::string> fields_;
    std::map<int, uint32_t> faces_;
    bool answer_ = false;
    std::string asked_;
};

// Counts the dumps of nav records on their way to standard output, and whether any showed a
// header that would not decode.
class CountingDump : public DumpOutput {
public:
    void write(const std::string& text) override {
        dumps += text.rfind("packet_size = 48\n", 0) == 0 ? 1 : 0;
        undecodable |= text.find("Problem decoding header") != std::string::npos;
    }
    uint64_t dumps = 0;
    bool undecodable = false;
};

long resident_kb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    return -1;
}

// Waits, without sleeping long, until exactly `count` bytes wait at the station's end;
// returns what waits there in the end.
std::size_t settle(const PtyPair& line, std::size_t count) {
    const auto deadline = Clock::now() + std::chrono::seconds(2);
    for (int spins = 0;; ++spins) {
        const std::size_t pending = line.pending_at_device();
        if (pending >= count || Clock::now() > deadline) {
            return pending; // more: the station left unread what it should have read
        }
        if (spins < 50) {
            std::this_thread::yield();
        } else {
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
    }
}

struct Tallies {
    uint64_t status_reads = 0;
    uint64_t bad_header_lines = 0;
    uint64_t bad_data_lines = 0;
    uint64_t undamaged_read = 0; // undamaged status records read whole
    uint64_t shown = 0;
    uint64_t superseded = 0; // by a newer one in the same read
    uint64_t sentences_read = 0;
    uint64_t broken_sentences = 0;
    uint64_t repeats_held_back = 0;
    uint64_t held_back_by_period = 0;
    uint64_t nav_sent = 0;
    uint64_t commands = 0;
    uint64_t relay_starts = 0;
};

class Soak : public ::testing::Test {
protected:
    ScopedTimeZone zone{"UTC0"};
    // Just before midnight at the turn of the year: the day of the year and the time of day
    // both wrap during the run.
    const int64_t start_s = nerivo::testing::local_seconds(2023, 12, 31, 23, 0, 0);
    const int64_t start_ms = start_s * 1000;
    FakeClock clock{start_s};
    ComDir com_dir;
    PtyPair usbl_line;
    PtyPair vehicle_line;
    SoakView view;
    CountingDump dump;
    std::unique_ptr<Station> station;

    TrackConfig track_config;
    std::unique_ptr<LawnMowerTrack> track;
    SimRandom random{20240601};
    SimCounters counters;
    std::unique_ptr<VehicleModel> model;
    std::unique_ptr<UsblFeed> feed;
    std::unique_ptr<VehicleSim> vehicle;

    // The model of both links.
    VehicleLinkModel vehicle_link;
    std::string usbl_waiting;
    uint64_t sentences_written = 0;
    uint64_t station_bytes_expected = 0;
    uint64_t station_bytes_received = 0;
    RecordFramer framer;

    // The relay as the station should run it.
    bool relay_on = false;
    int32_t period_s = 0;
    int64_t last_xmit_s = 0;
    // The station starts as if it had sent a fix at 0 degrees 0 minutes; the track is far
    // from there.
    std::string last_sent_lat = "0000.0000N", last_sent_lon = "00000.0000E";
    struct RelayRun {
        int64_t from_ms;
        int32_t period_s;
    };
    std::vector<RelayRun> runs;
    // Sentences the station parsed lately, by their time of day, for matching records.
    std::map<int64_t, ParsedSentence> parsed;
    std::deque<int64_t> parsed_order;
    std::deque<uint32_t> commands_expected;
    uint64_t nav_expected = 0;

    // What the wire showed.
    uint64_t nav_on_wire = 0;
    bool have_last_wire = false;
    int64_t last_wire_ms = 0;
    std::string last_wire_lat, last_wire_lon;

    Problems problems;
    Tallies tally;
    int tick = 0;
    int64_t now_ms = 0;
    uint64_t nav_lines_seen = 0;

    void SetUp() override {
        com_dir.map(1, usbl_line.device_path());
        com_dir.map(5, vehicle_line.device_path());
        station = std::make_unique<Station>(view, &dump);
        station->init_station();
        view.take_status_lines(); // "Nerivo Started...ready"

        track = std::make_unique<LawnMowerTrack>(track_config);
        model = std::make_unique<VehicleModel>(*track, random, start_ms);
        feed = std::make_unique<UsblFeed>(usbl_line.master_fd(), *track, random, FAULTS, counters,
                                          LineSink{}, start_ms, USBL_PERIOD_MS);
        feed->set_depth_source(model.get());
        feed->set_write_tap([this](int64_t, const uint8_t* bytes, std::size_t count) {
            usbl_waiting.append(reinterpret_cast<const char*>(bytes), count);
        });
        vehicle = std::make_unique<VehicleSim>(vehicle_line.master_fd(), *model, random, FAULTS,
                                               counters, LineSink{}, start_ms, STATUS_PERIOD_MS);
        vehicle->set_status_tap([this](int64_t, const StatusBytes& s) { vehicle_link.queued(s); });
        vehicle->set_write_tap([this](int64_t, const uint8_t* bytes, std::size_t count) {
            if (!vehicle_link.wrote(bytes, count)) {
                problems.add(tick, "the vehicle's line took bytes it never queued");
            }
        });
        vehicle->set_read_tap([this](int64_t, const uint8_t* bytes, std::size_t count) {
            station_bytes_received += count;
            for (const FrameEvent& e : framer.feed(bytes, count)) {
                on_wire(e);
            }
        });
        now_ms = start_ms;
    }

    void set_time(int64_t ms) {
        now_ms = ms;
        clock.set(ms / 1000, static_cast<int32_t>(ms % 1000));
    }

    // The status log lines added since the last look must be exactly these, oldest first.
    void expect_status_lines(const std::vector<std::string>& messages, const char* after) {
        const std::vector<std::string> added = view.take_status_lines();
        if (added.size() != messages.size()) {
            std::string got;
            for (const std::string& line : added) {
                got += " | " + line;
            }
            problems.add(tick, std::string(after) + ": " + std::to_string(added.size()) +
                                   " status lines, expected " + std::to_string(messages.size()) +
                                   ":" + got);
            return;
        }
        const std::string stamp = stamp_of(now_ms / 1000);
        for (std::size_t i = 0; i < messages.size(); ++i) {
            if (added[i] != stamp + messages[i]) {
                problems.add(tick, std::string(after) + ": status line \"" + added[i] +
                                       "\", expected \"" + stamp + messages[i] + "\"");
            }
        }
    }

    void expect_nav_lines(uint64_t count, const char* after) {
        if (view.nav_count() - nav_lines_seen != count) {
            problems.add(tick, std::string(after) + ": " +
                                   std::to_string(view.nav_count() - nav_lines_seen) +
                                   " nav lines, expected " + std::to_string(count));
        }
        nav_lines_seen = view.nav_count();
    }

    // Lets the vehicle read everything the station has sent so far.
    bool deliver_station_bytes() {
        const auto deadline = Clock::now() + std::chrono::seconds(2);
        while (station_bytes_received < station_bytes_expected) {
            if (Clock::now() > deadline) {
                problems.add(tick, "the vehicle got " + std::to_string(station_bytes_received) +
                                       " bytes from the station, expected " +
                                       std::to_string(station_bytes_expected));
                return false;
            }
            pollfd p{vehicle_line.master_fd(), POLLIN, 0};
            ::poll(&p, 1, 2);
            vehicle->poll(now_ms);
        }
        return true;
    }

    void on_wire(const FrameEvent& e) {
        if (e.kind == FrameEventKind::COMMAND_OK) {
            if (commands_expected.empty() || commands_expected.front() != e.header.param) {
                problems.add(tick, "unexpected command " + std::to_string(e.header.param));
            } else {
                commands_expected.pop_front();
            }
            return;
        }
        if (e.kind != FrameEventKind::NAV_OK) {
            problems.add(tick, "a bad record on the vehicle link, kind " +
                                   std::to_string(static_cast<int>(e.kind)));
            return;
        }
        ++nav_on_wire;
        const int64_t sent_ms =
            int64_t{e.header.timestamp[0]} * 1000 + int64_t{e.header.timestamp[1]};
        // The record goes back to the sentence it came from by its time of day.
        const auto found = parsed.find(std::llround(double{e.fix.time_of_day} * 100.0));
        if (found == parsed.end()) {
            problems.add(tick, "a nav record from no sentence the station parsed");
            return;
        }
        ParsedSentence& s = found->second;
        if (s.sent) {
            problems.add(tick, "the same fix sent twice");
        }
        s.sent = true;
        if (std::fabs(e.fix.latitude - s.latitude) > 1e-5 ||
            std::fabs(e.fix.longitude - s.longitude) > 1e-5 || std::fabs(e.fix.sl - s.sl) > 0.005) {
            problems.add(tick, "a nav record that does not carry its sentence's fix");
        }
        if (have_last_wire) {
            if (s.lat_text == last_wire_lat && s.lon_text == last_wire_lon) {
                problems.add(tick, "the same position sent twice in a row: " + s.lat_text + " " +
                                       s.lon_text);
            }
            // Within one run of the relay, records keep the period; a restart sends at once.
            const RelayRun* run = nullptr;
            for (const RelayRun& r : runs) {
                if (r.from_ms <= sent_ms) {
                    run = &r;
                }
            }
            if (run != nullptr && run->from_ms <= last_wire_ms &&
                sent_ms / 1000 - last_wire_ms / 1000 < run->period_s) {
                problems.add(tick, "nav records " + std::to_string(sent_ms - last_wire_ms) +
                                       " ms apart with a period of " +
                                       std::to_string(run->period_s) + " s");
            }
        }
        have_last_wire = true;
        last_wire_ms = sent_ms;
        last_wire_lat = s.lat_text;
        last_wire_lon = s.lon_text;
    }

    void start_relay() {
        station->toggle_relay();
        relay_on = true;
        period_s = std::stoi(view.field_text(IDC_XMIT_PERIOD));
        runs.push_back({now_ms, period_s});
        ++tally.relay_starts;
        expect_status_lines({"Start transmitting Nav packets"}, "starting the relay");
    }

    void stop_relay() {
        station->toggle_relay();
        relay_on = false;
        last_xmit_s = 0;
        expect_status_lines({"Stop transmitting Nav packets"}, "stopping the relay");
    }

    void command_sent(uint32_t code) {
        commands_expected.push_back(code);
        station_bytes_expected += COMMAND_WIRE_BYTES;
        ++tally.commands;
    }

    void request_status() {
        station->request_status();
        command_sent(SMAC_COMMAND_REQUEST_STATUS);
        expect_status_lines({"Requesting status from AUV"}, "request status");
    }

    // Abort or start survey, with the Yes/No question answered.
    void confirmed_command(void (Station::*operation)(), const char* title, bool yes, uint32_t code,
                           const char* message) {
        view.answer_next(yes);
        (station.get()->*operation)();
        if (view.asked() != title) {
            problems.add(tick, std::string("no \"") + title + "\" question was answered");
        }
        if (!yes) {
            expect_status_lines({}, title);
            return;
        }
        std::vector<std::string> lines{message};
        if (relay_on) {
            lines.push_back("Stop transmitting Nav packets");
            relay_on = false;
            last_xmit_s = 0;
        }
        command_sent(code);
        expect_status_lines(lines, title);
    }

    void operator_acts() {
        if (tick == TICKS / 2) {
            stop_relay();
            view.set_field_text(IDC_XMIT_PERIOD, std::to_string(SECOND_PERIOD_S));
        }
        if (!relay_on) {
            start_relay(); // also after an abort or a survey start stopped it
        }
        if (tick % COMMAND_EVERY_TICKS != 0) {
            return;
        }
        switch (tick / COMMAND_EVERY_TICKS % 8) {
        case 1:
            confirmed_command(&Station::start_survey, "Start Survey", false,
                              SMAC_COMMAND_START_SURVEY, "");
            break;
        case 3:
            confirmed_command(&Station::start_survey, "Start Survey", true,
                              SMAC_COMMAND_START_SURVEY, "Sending \"Start Survey\" message to AUV");
            break;
        case 5:
            confirmed_command(&Station::abort_mission, "Abort Mission", false, SMAC_COMMAND_ABORT,
                              "");
            break;
        case 7:
            confirmed_command(&Station::abort_mission, "Abort Mission", true, SMAC_COMMAND_ABORT,
                              "Sending \"Abort\" message to AUV");
            break;
        default:
            request_status();
            break;
        }
        deliver_station_bytes();
    }

    // One tick of the station, with the model saying what it must do.
    bool station_ticks() {
        const struct {
            const char* name;
            const PtyPair& line;
            std::size_t model;
        } links[] = {{"vehicle", vehicle_line, vehicle_link.waiting()},
                     {"navigation", usbl_line, usbl_waiting.size()}};
        for (const auto& link : links) {
            const std::size_t waiting = settle(link.line, link.model);
            if (waiting != link.model) {
                problems.add(tick, std::to_string(waiting) + " bytes wait on the " + link.name +
                                       " link, where the model has " + std::to_string(link.model));
                return false;
            }
        }
        std::vector<std::string> lines;
        std::vector<std::pair<int, std::string>> fields_before;
        const VehicleLinkModel::Verdict verdict = vehicle_link.station_reads(problems, tick);
        if (!verdict.shown) {
            for (const int id : {IDC_LATITUDE, IDC_LONGITUDE, IDC_HEADING, IDC_DEPTH, IDC_ALTITUDE,
                                 IDC_BATTERY_VOLTAGE, IDC_HUMIDITY, IDC_BEHAVIOUR, IDC_ABORT}) {
                fields_before.push_back({id, view.field_text(id)});
            }
        }
        tally.status_reads += verdict.read ? 1 : 0;
        tally.undamaged_read += verdict.undamaged;
        tally.shown += verdict.shown ? 1 : 0;
        tally.superseded += verdict.undamaged - (verdict.shown ? 1 : 0);
        for (const std::string& line : verdict.lines) {
            tally.bad_header_lines += line == BAD_HEADER_LINE;
            tally.bad_data_lines += line == BAD_DATA_LINE;
            lines.push_back(line);
        }

        int nav_records = 0;
        if (!usbl_waiting.empty()) {
            const std::string text = usbl_waiting.substr(0, USBL_READ_LIMIT);
            usbl_waiting.erase(0, text.size());
            if (text.find('\n') + 1 != text.size()) {
                problems.add(tick, "the test's pacing put more or less than one sentence in a "
                                   "read: " +
                                       text);
            }
            ++tally.sentences_read;
            if (fault_due(FAULTS.bad_sentence_every, ++sentences_written)) {
                ++tally.broken_sentences;
                lines.push_back("received too few tokens in USBL string");
            } else {
                const ParsedSentence s = parse_sound_sentence(text);
                parsed[s.centiseconds_of_day] = s;
                parsed_order.push_back(s.centiseconds_of_day);
                if (parsed_order.size() > 64) { // oldest first: the time of day wraps
                    parsed.erase(parsed_order.front());
                    parsed_order.pop_front();
                }
                const int64_t now_s = now_ms / 1000;
                const bool repeat = s.lat_text == last_sent_lat && s.lon_text == last_sent_lon;
                const bool due = now_s - last_xmit_s >= period_s;
                if (relay_on && due && !repeat) {
                    nav_records = 1;
                    ++nav_expected;
                    ++tally.nav_sent;
                    station_bytes_expected += NAV_WIRE_BYTES;
                    last_xmit_s = now_s;
                    last_sent_lat = s.lat_text;
                    last_sent_lon = s.lon_text;
                } else if (relay_on && due) {
                    ++tally.repeats_held_back;
                } else if (relay_on) {
                    ++tally.held_back_by_period;
                }
            }
        }

        station->on_tick();

        expect_status_lines(lines, "the tick");
        expect_nav_lines(nav_records, "the tick");
        if (verdict.shown) {
            for (const auto& [id, text] : expected_fields(verdict.status)) {
                const std::string shown = view.field_text(id);
                if (shown != text) {
                    problems.add(tick, "field " + std::to_string(id) + " shows \"" + shown +
                                           "\", expected \"" + text + "\"");
                }
            }
        } else {
            for (const auto& [id, text] : fields_before) {
                if (view.field_text(id) != text) {
                    problems.add(tick, "field " + std::to_string(id) +
                                           " changed without a good status record");
                }
            }
        }
        if (view.face(IDC_XMIT_BUTTON) != (relay_on ? STATE_GREEN : STATE_RED)) {
            problems.add(tick, "the relay's state is not what the operator left it");
        }
        return deliver_station_bytes();
    }
};

TEST_F(Soak, TwentyThousandTicksOnANoisyLinkKeepEveryPromise) {
    const auto began = Clock::now();

    set_time(start_ms);
    station->connect_winfrog();
    station->connect_auv();
    view.set_field_text(IDC_XMIT_PERIOD, std::to_string(FIRST_PERIOD_S));
    expect_status_lines({"WinFrog responding...Connected", "AUV responding...Connected"},
                        "connecting");

    long rss_warm_kb = 0;
    std::size_t heap_warm = 0;
    for (tick = 1; tick <= TICKS; ++tick) {
        const int64_t tick_at = start_ms + tick * TICK_MS;
        for (int64_t at = now_ms + PEER_STEP_MS; at <= tick_at; at += PEER_STEP_MS) {
            set_time(at);
            feed->poll(at);
            vehicle->poll(at);
        }
        set_time(tick_at);
        operator_acts();
        if (!station_ticks()) {
            break;
        }
        if (tick == WARM_UP_TICKS) {
            rss_warm_kb = resident_kb();
            heap_warm = heap_in_use();
        }
    }
    // Whatever is still on its way to the vehicle is framed too.
    vehicle->poll(now_ms);
    for (const FrameEvent& e : framer.flush()) {
        on_wire(e);
    }
    const long rss_end_kb = resident_kb();
    const std::size_t heap_end = heap_in_use();
    const double seconds = std::chrono::duration<double>(Clock::now() - began).count();

    ASSERT_EQ(problems.count(), 0u) << problems.count() << " problems, the first:\n"
                                    << problems.text();
    EXPECT_EQ(tick, TICKS + 1);

    // The wire: every record the station built arrived whole, valid and followed by "Done".
    EXPECT_EQ(nav_on_wire, nav_expected);
    EXPECT_EQ(view.nav_count(), nav_expected);
    EXPECT_EQ(dump.dumps, nav_expected) << "one dump per nav record";
    EXPECT_FALSE(dump.undecodable);
    EXPECT_TRUE(commands_expected.empty()) << commands_expected.size() << " commands never came";
    EXPECT_EQ(counters.records_bad, 0u) << "the vehicle saw a bad record";
    EXPECT_EQ(counters.garbage_bytes, 0u);

    // The run really met every kind of trouble, hundreds of times.
    EXPECT_GE(tally.shown, 1000u);
    EXPECT_GE(tally.bad_header_lines, 100u);
    EXPECT_GE(tally.bad_data_lines, 100u);
    EXPECT_GE(vehicle_link.garbage_records(), 100u);
    EXPECT_GE(tally.broken_sentences, 100u);
    EXPECT_GE(tally.repeats_held_back, 100u);
    EXPECT_GE(tally.held_back_by_period, 100u);
    EXPECT_GE(tally.nav_sent, 1000u);
    EXPECT_GE(tally.relay_starts, 50u);

    // Every undamaged status record the line delivered was read whole and shown, but for
    // those a newer record overtook in the same read; only the last few can still be on
    // their way.
    EXPECT_EQ(tally.shown + tally.superseded, tally.undamaged_read);
    EXPECT_LE(vehicle_link.undamaged_records() - tally.undamaged_read,
              VehicleSim::MAX_QUEUED_RECORDS + 2);
    EXPECT_EQ(counters.status_dropped, 0u) << "the vehicle gave up on records";

    // The count of each fault line matches the model's.
    EXPECT_EQ(view.fault_count(BAD_HEADER_LINE), tally.bad_header_lines);
    EXPECT_EQ(view.fault_count(BAD_DATA_LINE), tally.bad_data_lines);
    EXPECT_EQ(view.fault_count("received too few tokens in USBL string"), tally.broken_sentences);

    // Memory: flat after the warm-up. The station keeps no log lines of its own (its view
    // here keeps none either), so the heap may only wobble, by 256 kB. The resident set moves
    // in larger steps (the allocator's arenas): 2 MB; under the sanitizer 24 MB, since freed
    // blocks wait in its quarantine (sized above) and its allocator maps fresh pages rather
    // than reuse them until then.
#ifdef __SANITIZE_ADDRESS__
    const long rss_slack_kb = 24 * 1024; // the quarantine's 16 MB, and its allocator's own
#else
    const long rss_slack_kb = 2 * 1024;
#endif
    const long heap_growth_kb = (static_cast<long>(heap_end) - static_cast<long>(heap_warm)) / 1024;
    std::printf("soak: %d ticks in %.1f s; VmRSS %ld kB after %d ticks, %ld kB at the end "
                "(%+ld kB); heap in use %+ld kB; %llu log lines added\n",
                TICKS, seconds, rss_warm_kb, WARM_UP_TICKS, rss_end_kb, rss_end_kb - rss_warm_kb,
                heap_growth_kb,
                static_cast<unsigned long long>(view.status_count() + view.nav_count()));
    std::printf("soak: undamaged status records sent %llu, read whole %llu: shown %llu "
                "(%.1f%%), overtaken in the same read %llu\n",
                static_cast<unsigned long long>(vehicle_link.undamaged_records()),
                static_cast<unsigned long long>(tally.undamaged_read),
                static_cast<unsigned long long>(tally.shown),
                100.0 * static_cast<double>(tally.shown) /
                    static_cast<double>(std::max<uint64_t>(tally.undamaged_read, 1)),
                static_cast<unsigned long long>(tally.superseded));
    std::printf("soak: status reads %llu, bad header %llu, bad data %llu; sentences %llu (broken "
                "%llu); nav records %llu; repeats held back %llu; commands %llu; relay starts "
                "%llu\n",
                static_cast<unsigned long long>(tally.status_reads),
                static_cast<unsigned long long>(tally.bad_header_lines),
                static_cast<unsigned long long>(tally.bad_data_lines),
                static_cast<unsigned long long>(tally.sentences_read),
                static_cast<unsigned long long>(tally.broken_sentences),
                static_cast<unsigned long long>(tally.nav_sent),
                static_cast<unsigned long long>(tally.repeats_held_back),
                static_cast<unsigned long long>(tally.commands),
                static_cast<unsigned long long>(tally.relay_starts));
    RecordProperty(
        "status_shown_percent",
        static_cast<int>(100.0 * static_cast<double>(tally.shown) /
                         static_cast<double>(std::max<uint64_t>(tally.undamaged_read, 1))));
    RecordProperty("rss_warm_kb", static_cast<int>(rss_warm_kb));
    RecordProperty("rss_end_kb", static_cast<int>(rss_end_kb));
    RecordProperty("heap_growth_kb", static_cast<int>(heap_growth_kb));
    RecordProperty("seconds", static_cast<int>(seconds));
    ASSERT_GT(rss_warm_kb, 0);
    ASSERT_GT(heap_warm, 0u);
    EXPECT_LE(heap_growth_kb, 256);
    EXPECT_LE(rss_end_kb - rss_warm_kb, rss_slack_kb);
}

} // namespace
