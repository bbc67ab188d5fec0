#include "sim_options.h"

#include "com_port_path.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <type_traits>

namespace nerivo::sim {
namespace {

bool to_double(const std::string& text, double& out) {
    if (text.empty()) {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (errno != 0 || end == nullptr || *end != '\0' || !std::isfinite(value)) {
        return false;
    }
    out = value;
    return true;
}

bool to_u64(const std::string& text, uint64_t& out) {
    if (text.empty() || text[0] == '-' || text[0] == '+') {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text.c_str(), &end, 10);
    if (errno != 0 || end == nullptr || *end != '\0') {
        return false;
    }
    out = value;
    return true;
}

std::string shown(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

} // namespace

std::string parse_sim_options(const std::vector<std::string>& args, SimOptions& out) {
    using Handler = std::function<std::string(const std::string&)>;
    const auto number = [](double& field, double low, double high, bool low_open) {
        return [&field, low, high, low_open](const std::string& v) -> std::string {
            double d = 0;
            if (!to_double(v, d) || d > high || d < low || (low_open && d == low)) {
                return "wants a number " + std::string(low_open ? "above " : "from ") + shown(low) +
                       " up to " + shown(high);
            }
            field = d;
            return "";
        };
    };
    const auto count = [](auto& field, uint64_t low, uint64_t high) {
        return [&field, low, high](const std::string& v) -> std::string {
            uint64_t n = 0;
            if (!to_u64(v, n) || n < low || n > high) {
                return "wants a whole number from " + std::to_string(low) + " to " +
                       std::to_string(high);
            }
            field = static_cast<std::remove_reference_t<decltype(field)>>(n);
            return "";
        };
    };
    const std::map<std::string, Handler> with_value = {
        {"--com-dir",
         [&out](const std::string& v) -> std::string {
             if (v.empty()) {
                 return "wants a folder";
             }
             out.com_dir = v;
             return "";
         }},
        {"--usbl-port", count(out.usbl_port, 1, 255)},
        {"--vehicle-port", count(out.vehicle_port, 1, 255)},
        {"--usbl-period", number(out.usbl_period_s, 0.05, 3600, false)},
        {"--status-period", number(out.status_period_s, 0, 3600, false)},
        {"--origin",
         [&out](const std::string& v) -> std::string {
             const auto comma = v.find(',');
             double lat = 0, lon = 0;
             if (comma == std::string::npos || !to_double(v.substr(0, comma), lat) ||
                 !to_double(v.substr(comma + 1), lon) || std::fabs(lat) > 85 ||
                 std::fabs(lon) > 180) {
                 return "wants LAT,LON in decimal degrees (|LAT| <= 85, |LON| <= 180)";
             }
             out.track.origin_latitude = lat;
             out.track.origin_longitude = lon;
             return "";
         }},
        {"--leg-length", number(out.track.leg_length_m, 1, 20000, false)},
        {"--leg-spacing", number(out.track.leg_spacing_m, 0, 5000, false)},
        {"--speed", number(out.track.speed_mps, 0, 20, false)},
        {"--seed", count(out.seed, 0, UINT64_MAX)},
        {"--duration", number(out.duration_s, 0, 1e7, true)},
        {"--bad-header-every", count(out.faults.bad_header_every, 0, UINT32_MAX)},
        {"--bad-trailer-every", count(out.faults.bad_trailer_every, 0, UINT32_MAX)},
        {"--garbage-every", count(out.faults.garbage_every, 0, UINT32_MAX)},
        {"--bad-sentence-every", count(out.faults.bad_sentence_every, 0, UINT32_MAX)},
        {"--repeat-fix-every", count(out.faults.repeat_fix_every, 0, UINT32_MAX)},
        {"--capture",
         [&out](const std::string& v) -> std::string {
             if (v.empty()) {
                 return "wants a file";
             }
             out.capture_path = v;
             return "";
         }},
    };
    const std::map<std::string, bool*> flags = {
        {"--stop-on-stdin-eof", &out.stop_on_stdin_eof},
        {"--split-writes", &out.faults.split_writes},
        {"--quiet", &out.quiet},
        {"--help", &out.help},
        {"-h", &out.help},
    };

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        bool has_value = false;
        if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
            has_value = true;
        }
        if (const auto flag = flags.find(name); flag != flags.end()) {
            if (has_value) {
                return name + " takes no value";
            }
            *flag->second = true;
            continue;
        }
        const auto option = with_value.find(name);
        if (option == with_value.end()) {
            return "unknown option " + args[i] + " (see --help)";
        }
        if (!has_value) {
            if (i + 1 >= args.size()) {
                return name + " wants a value";
            }
            value = args[++i];
        }
        if (const std::string problem = option->second(value); !problem.empty()) {
            return name + " " + problem + ", not \"" + value + "\"";
        }
    }
    if (out.usbl_port == out.vehicle_port) {
        return "--usbl-port and --vehicle-port must differ";
    }
    return "";
}

std::string resolve_com_dir(const SimOptions& options) {
    if (!options.com_dir.empty()) {
        return options.com_dir;
    }
    const std::string from_environment = com_dir_from_environment();
    return from_environment.empty() ? DEFAULT_COM_DIR : from_environment;
}

std::string sim_help_text() {
    return R"(Usage: nerivo-sim [OPTION]...
Plays the two far ends of the Nerivo station on pseudo-terminals: the USBL feed on the
navigation link and the vehicle on the vehicle link. Start it, then start the station with
NERIVO_COM_DIR set to the same folder and connect COM 1 and COM 5 as usual.

Links:
  --com-dir DIR            folder for the links DIR/comN (made if missing, and then removed
                           at the end); default $NERIVO_COM_DIR, else /tmp/nerivo-com
  --usbl-port N            COM number of the navigation link (default 1)
  --vehicle-port N         COM number of the vehicle link (default 5)

USBL feed:
  --usbl-period SECONDS    one sentence per period (default 1, at least 0.05)
  --origin LAT,LON         survey origin, decimal degrees, south and west negative
                           (default 50.5,-1.75)
  --leg-length M           length of each survey leg in metres (default 400)
  --leg-spacing M          distance between legs in metres (default 50)
  --speed M/S              vehicle speed along the legs (default 1.5)
  Sentences read "$NVPOS,hhmmss.ss,ddmm.mmmm,N,dddmm.mmmm,W,D,B,H,P,Q,S": UTC time of the
  fix, latitude, longitude, then vehicle depth D (m), bearing B from the boat (degrees
  true), horizontal range H (m), position standard deviation P (m), depth standard
  deviation Q (m), and slant range S from the boat (m). The boat holds station over the
  middle of the survey; eight legs are flown out and back, over and over.

Vehicle:
  --status-period SECONDS  also send a status record every period (default 0: only when
                           the station sends request status)
  The vehicle starts Diving; start survey makes it Survey; abort makes it Abort, with the
  abort flag set, and two seconds later Ascending to the surface.

Run:
  --seed N                 seed for the noise and the faults (default 1): the same seed
                           gives the same run
  --duration SECONDS       end by itself after this long (default: run until Ctrl-C,
                           SIGTERM or SIGHUP)
  --stop-on-stdin-eof      also end when standard input reaches its end
  --quiet                  print only the summary line at the end
  --help, -h               print this text and exit

Faults (N counts from the first record or sentence; 0 = never):
  --bad-header-every N     every Nth status record has a wrong header checksum
  --bad-trailer-every N    every Nth status record has a wrong trailer (payload checksum)
  --garbage-every N        every Nth status record is preceded by 1 to 24 random bytes
  --split-writes           status records go out in random pieces of 1 to 12 bytes,
                           5 to 60 ms apart
  --bad-sentence-every N   every Nth sentence is broken (cut short, a number garbled or a
                           field missing) so that it no longer scans in full
  --repeat-fix-every N     every Nth sentence repeats the position of the one before, with
                           its own time, as when the USBL had no new fix to give

Capture:
  --capture FILE           also write everything the two peers put on their lines to FILE,
                           with its time in ms since the start, one event a line:
                             start 1700000000000
                             1000 usbl $NVPOS,...\r\n
                             1004 vehicle 01 00 00 00 24 00 00 00 ...
                           and what happened as comments ("# 1003 vehicle <- command 0 ...").
                           The station's tests replay such files (tests/data/README.md).

Output: one line per sentence sent and per record received or sent, each stamped with the
UTC time, e.g.
  12:00:01.250 usbl    -> $NVPOS,120001.25,5030.0901,N,00145.1623,W,25.0,...
  12:00:01.731 vehicle <- nav ok t=43201.25 lat=50.50150 lon=-1.75270 sl=143.70
  12:00:02.004 vehicle <- command 0 (request status)
  12:00:02.004 vehicle -> status Diving lat=50.50151 lon=-1.75268 ... (requested)
  12:00:05.120 vehicle !! bad header checksum, resynchronising
and at the end
  summary: sentences sent N, records received good G bad B, status sent S, faults injected F
Exit status: 0 after a clean end, 1 when the links can't be made, 2 on a bad option.
)";
}

} // namespace nerivo::sim
