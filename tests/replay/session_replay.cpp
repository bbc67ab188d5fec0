#include "session_replay.h"

#include "com_dir.h"
#include "control_ids.h"
#include "fake_clock.h"
#include "pty_pair.h"
#include "recording_view.h"
#include "smac_records.h"
#include "station.h"
#include "stdout_to_file.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <thread>
#include <unistd.h>

namespace nerivo::testing {
namespace {

using nerivo::sim::Session;
using nerivo::sim::SessionEvent;
using nerivo::sim::SessionEventKind;
using Clock = std::chrono::steady_clock;

// Pseudo-terminals deliver a moment late: wait until exactly `count` bytes wait.
bool settle(const PtyPair& line, std::size_t count) {
    const auto deadline = Clock::now() + std::chrono::seconds(2);
    while (line.pending_at_device() != count) {
        if (line.pending_at_device() > count || Clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    return true;
}

void read_available(const PtyPair& line, std::vector<uint8_t>& into) {
    for (;;) {
        uint8_t buffer[4096];
        const ssize_t n = ::read(line.master_fd(), buffer, sizeof buffer);
        if (n <= 0) {
            return;
        }
        into.insert(into.end(), buffer, buffer + n);
    }
}

std::string log_text(const std::vector<std::pair<WallTime, std::string>>& log) {
    std::string text;
    for (const auto& line : log) {
        text += line.second + "\n";
    }
    return text;
}

std::string screen_line(const RecordingView& view) {
    static const struct {
        int id;
        const char* label;
    } FIELDS[] = {{IDC_LATITUDE, "Latitude"}, {IDC_LONGITUDE, "Longitude"},
                  {IDC_HEADING, "Heading"},   {IDC_DEPTH, "Depth"},
                  {IDC_ALTITUDE, "Altitude"}, {IDC_BATTERY_VOLTAGE, "Batt Volt"},
                  {IDC_HUMIDITY, "Humidity"}, {IDC_BEHAVIOUR, "Current Behavior"},
                  {IDC_ABORT, "Abort"},       {IDC_XMIT_BUTTON, "relay button"}};
    std::string line;
    for (const auto& f : FIELDS) {
        line += std::string(line.empty() ? "" : " | ") + f.label + " \"" + view.field(f.id) + "\"";
    }
    return line;
}

struct Button {
    const char* name;
    void (Station::*operation)();
    const char* question; // caption of its Yes/No question, if it asks
};

constexpr Button BUTTONS[] = {
    {"connect_winfrog", &Station::connect_winfrog, nullptr},
    {"connect_auv", &Station::connect_auv, nullptr},
    {"toggle_relay", &Station::toggle_relay, nullptr},
    {"request_status", &Station::request_status, nullptr},
    {"abort_mission", &Station::abort_mission, "Abort Mission"},
    {"start_survey", &Station::start_survey, "Start Survey"},
};

// The fields an operator can type into.
constexpr int TYPED_FIELDS[] = {IDC_WINFROG_COM, IDC_AUV_COM, IDC_GPS_COM, IDC_XMIT_PERIOD};

// Presses the button the way the operator does; empty, or what was wrong.
std::string click(Station& station, RecordingView& view, const std::vector<std::string>& words) {
    const Button* button = nullptr;
    for (const Button& b : BUTTONS) {
        if (words[0] == b.name) {
            button = &b;
        }
    }
    if (button == nullptr) {
        return "no button \"" + words[0] + "\"";
    }
    if (button->question == nullptr) {
        if (words.size() != 1) {
            return words[0] + " asks nothing to answer";
        }
        (station.*button->operation)();
        return "";
    }
    if (words.size() != 2 || (words[1] != "yes" && words[1] != "no")) {
        return words[0] + " wants the answer yes or no";
    }
    const std::size_t asked = view.questions().size();
    view.answer({words[1] == "yes"});
    (station.*button->operation)();
    if (view.questions().size() != asked + 1 ||
        view.questions().back().caption != button->question) {
        return std::string("no \"") + button->question + "\" question came to answer";
    }
    return "";
}

} // namespace

ReplayOutput replay_session(const Session& session) {
    ReplayOutput out;
    ScopedTimeZone zone("UTC0");
    FakeClock clock(session.start_ms / 1000, static_cast<int32_t>(session.start_ms % 1000));
    ComDir com_dir;
    PtyPair usbl_line;
    PtyPair vehicle_line;
    com_dir.map(1, usbl_line.device_path());
    com_dir.map(5, vehicle_line.device_path());
    StdoutToFile captured;

    RecordingView view;
    // The relay button's caption comes from the window's layout until the relay first starts.
    view.set_field_text(IDC_XMIT_BUTTON, "Start Nav Packets");
    auto station = std::make_unique<Station>(view); // dumps to the real standard output
    station->init_station();

    std::size_t usbl_waiting = 0;
    std::size_t vehicle_waiting = 0;
    std::vector<uint8_t> from_station;
    std::string last_screen = screen_line(view);
    out.screen = "0 " + last_screen + "\n";

    for (const SessionEvent& e : session.events) {
        const std::string where = "line " + std::to_string(e.line) + ": ";
        const int64_t at = session.start_ms + e.time_ms;
        clock.set(at / 1000, static_cast<int32_t>(at % 1000));
        switch (e.kind) {
        case SessionEventKind::USBL:
            if (!usbl_line.write(e.bytes.data(), e.bytes.size())) {
                out.problem = where + "the navigation link took no more";
            }
            usbl_waiting += e.bytes.size();
            break;
        case SessionEventKind::VEHICLE:
            if (!vehicle_line.write(e.bytes.data(), e.bytes.size())) {
                out.problem = where + "the vehicle link took no more";
            }
            vehicle_waiting += e.bytes.size();
            break;
        case SessionEventKind::FIELD: {
            const long long id = std::strtoll(e.words[0].c_str(), nullptr, 10);
            if (std::find(std::begin(TYPED_FIELDS), std::end(TYPED_FIELDS), id) ==
                std::end(TYPED_FIELDS)) {
                out.problem = where + "the window has no field " + e.words[0] + " to type in";
                break;
            }
            view.set_field_text(static_cast<int>(id), e.text);
            break;
        }
        case SessionEventKind::TICK:
        case SessionEventKind::CLICK:
            // The station must see exactly what the session put on the lines so far.
            if (!settle(usbl_line, usbl_waiting) || !settle(vehicle_line, vehicle_waiting)) {
                out.problem = where + "the links did not settle";
                break;
            }
            if (e.kind == SessionEventKind::TICK) {
                station->on_tick();
            } else if (const std::string p = click(*station, view, e.words); !p.empty()) {
                out.problem = where + p;
            }
            usbl_waiting = usbl_line.pending_at_device();
            vehicle_waiting = vehicle_line.pending_at_device();
            read_available(vehicle_line, from_station);
            break;
        }
        if (!out.problem.empty()) {
            break;
        }
        const std::string screen = screen_line(view);
        if (screen != last_screen) {
            out.screen += std::to_string(e.time_ms) + " " + screen + "\n";
            last_screen = screen;
        }
    }
    const std::vector<uint8_t> rest = vehicle_line.drain(50);
    from_station.insert(from_station.end(), rest.begin(), rest.end());

    out.vehicle = vehicle_listing(from_station);
    out.status_log = log_text(view.status_log());
    out.nav_log = log_text(view.nav_log());
    station.reset();
    out.stdout_text = captured.finish();
    return out;
}

std::string vehicle_listing(const std::vector<uint8_t>& bytes) {
    std::string out;
    std::vector<uint8_t> loose;
    const auto flush_loose = [&] {
        if (!loose.empty()) {
            out += "bytes    : " + nerivo::sim::hex_bytes(loose.data(), loose.size()) + "\n";
            loose.clear();
        }
    };
    char text[256];
    std::size_t at = 0;
    while (at < bytes.size()) {
        const uint8_t* p = bytes.data() + at;
        const std::size_t left = bytes.size() - at;
        if (left >= sizeof SMAC_NAV_TERMINATOR &&
            std::memcmp(p, SMAC_NAV_TERMINATOR, sizeof SMAC_NAV_TERMINATOR) == 0) {
            flush_loose();
            out += "Done     : " + nerivo::sim::hex_bytes(p, sizeof SMAC_NAV_TERMINATOR) + "\n";
            at += sizeof SMAC_NAV_TERMINATOR;
            continue;
        }
        SmacHeader h{};
        if (left >= SMAC_HEADER_SIZE) {
            smac_read_header(p, &h);
        }
        const std::size_t whole = SMAC_HEADER_SIZE + std::size_t{h.rec_size} + SMAC_TRAILER_SIZE;
        if (left < SMAC_HEADER_SIZE || h.version != SMAC_VERSION || h.rec_size > 1024 ||
            left < whole || smac_header_checksum(&h) != h.checksum) {
            loose.push_back(*p);
            ++at;
            continue;
        }
        flush_loose();
        const uint32_t summed = SMAC_HEADER_SIZE + h.rec_size;
        const bool trailer_ok = smac_checksum(p, summed) == smac_get_u32(p + summed);
        std::snprintf(text, sizeof text, "ts=%u.%03u", static_cast<unsigned>(h.timestamp[0]),
                      static_cast<unsigned>(h.timestamp[1]));
        std::string fields = text;
        if (h.rec_type == SMAC_REC_NAV && h.rec_size == SMAC_NAV_PAYLOAD_SIZE) {
            NavFix fix{};
            smac_read_nav_payload(p + SMAC_HEADER_SIZE, &fix);
            std::snprintf(text, sizeof text, " t=%.3f lat=%.7f lon=%.7f sl=%.2f",
                          static_cast<double>(fix.time_of_day), static_cast<double>(fix.latitude),
                          static_cast<double>(fix.longitude), static_cast<double>(fix.sl));
            out += "nav      " + fields + text;
        } else if (h.rec_type == SMAC_REC_COMMAND) {
            out += "command  " + fields + " param=" + std::to_string(h.param);
        } else {
            out += "record   " + fields + " type=" + std::to_string(h.rec_type) +
                   " size=" + std::to_string(h.rec_size);
        }
        out += std::string(trailer_ok ? "" : " BAD TRAILER") + " : " +
               nerivo::sim::hex_bytes(p, whole) + "\n";
        at += whole;
    }
    flush_loose();
    return out;
}

} // namespace nerivo::testing
