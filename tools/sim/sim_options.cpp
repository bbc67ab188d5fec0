#include "sim_options.h"

#include "com_port_path.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <utility>

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

// How an option reads its value: `take` checks it and stores it; `wants` is what the option
// says it wants when it refuses one.
struct ValueRule {
    std::string wants;
    std::function<bool(const std::string&)> take;
};

ValueRule number(double& field, double low, double high, bool low_open) {
    return {"wants a number " + std::string(low_open ? "above " : "from ") + shown(low) +
                " up to " + shown(high),
            [&field, low, high, low_open](const std::string& value) {
                double d = 0;
                if (!to_double(value, d) || d > high || d < low || (low_open && d == low)) {
                    return false;
                }
                field = d;
                return true;
            }};
}

template <typename Field> ValueRule count(Field& field, uint64_t low, uint64_t high) {
    return {"wants a whole number from " + std::to_string(low) + " to " + std::to_string(high),
            [&field, low, high](const std::string& value) {
                uint64_t n = 0;
                if (!to_u64(value, n) || n < low || n > high) {
                    return false;
                }
                field = static_cast<Field>(n);
                return true;
            }};
}

ValueRule name_of(std::string& field, const char* what) {
    return {std::string("wants ") + what, [&field](const std::string& value) {
                if (value.empty()) {
                    return false;
                }
                field = value;
                return true;
            }};
}

ValueRule origin(TrackConfig& track) {
    return {"wants LAT,LON in decimal degrees (|LAT| <= 85, |LON| <= 180)",
            [&track](const std::string& value) {
                const auto comma = value.find(',');
                double lat = 0, lon = 0;
                if (comma == std::string::npos || !to_double(value.substr(0, comma), lat) ||
                    !to_double(value.substr(comma + 1), lon) || std::fabs(lat) > 85 ||
                    std::fabs(lon) > 180) {
                    return false;
                }
                track.origin_latitude = lat;
                track.origin_longitude = lon;
                return true;
            }};
}

std::string unknown(const std::string& word) {
    return "unknown option " + word + " (see --help)";
}

// The help as it has always read: the usage first, then each group of options with the notes
// that belong to it, long names before short ones.
class HelpLayout final : public CLI::Formatter {
public:
    HelpLayout() { column_width(27); }

    void note(const std::string& group, std::string text) { notes_[group] = std::move(text); }

    std::string make_help(const CLI::App* app, std::string name,
                          CLI::AppFormatMode) const override {
        std::string text = "Usage: " + name + " [OPTION]...\n" + app->get_description() + "\n";
        for (const std::string& group : app->get_groups()) {
            text += make_group(group, false, app->get_options([&group](const CLI::Option* option) {
                return option->get_group() == group;
            }));
        }
        return text + "\n" + app->get_footer() + "\n";
    }

    std::string make_group(std::string group, bool is_positional,
                           std::vector<const CLI::Option*> options) const override {
        const auto note = notes_.find(group);
        return Formatter::make_group(group, is_positional, std::move(options)) +
               (note != notes_.end() ? note->second : "");
    }

    std::string make_option_name(const CLI::Option* option, bool) const override {
        std::string names;
        for (const std::string& name : option->get_lnames()) {
            names += (names.empty() ? "--" : ", --") + name;
        }
        for (const std::string& name : option->get_snames()) {
            names += ", -" + name;
        }
        return names;
    }

private:
    std::map<std::string, std::string> notes_;
};

const char* const LINKS = "Links";
const char* const USBL_FEED = "USBL feed";
const char* const VEHICLE = "Vehicle";
const char* const RUN = "Run";
const char* const FAULTS = "Faults (N counts from the first record or sentence; 0 = never)";
const char* const CAPTURE = "Capture";

// Every option once: what it reads into `out`, and how the help shows it.
void describe_options(CLI::App& app, SimOptions& out) {
    app.name("nerivo-sim");
    app.description(
        R"(Plays the two far ends of the Nerivo station on pseudo-terminals: the USBL feed on the
navigation link and the vehicle on the vehicle link. Start it, then start the station with
NERIVO_COM_DIR set to the same folder and connect COM 1 and COM 5 as usual.)");
    // --help is an option like the others, so a mistake beside it is still refused.
    app.set_help_flag();
    // Words nobody knows are refused by parse_sim_options, in the order they came.
    app.allow_extras();
    // Given twice, an option keeps its last value, as it always has.
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);

    const auto value = [&app](const std::string& name, const char* value_name, const char* group,
                              const std::string& description, ValueRule rule) {
        const auto read = [name, rule](const std::string& text) {
            if (!rule.take(text)) {
                throw CLI::ValidationError(name + " " + rule.wants + ", not \"" + text + "\"");
            }
        };
        // Each value is checked as it is read, so the first bad one is the one refused.
        app.add_option_function<std::string>(name, read, description)
            ->option_text(value_name)
            ->group(group)
            ->trigger_on_parse();
    };
    const auto flag = [&app](const std::string& name, bool& field, const char* group,
                             const std::string& description) {
        app.add_flag(name, field, description)->group(group);
    };

    value("--com-dir", "DIR", LINKS,
          "folder for the links DIR/comN (made if missing, and then removed\n"
          "at the end); default $NERIVO_COM_DIR, else " +
              std::string(DEFAULT_COM_DIR),
          name_of(out.com_dir, "a folder"));
    value("--usbl-port", "N", LINKS, "COM number of the navigation link (default 1)",
          count(out.usbl_port, 1, 255));
    value("--vehicle-port", "N", LINKS, "COM number of the vehicle link (default 5)",
          count(out.vehicle_port, 1, 255));

    value("--usbl-period", "SECONDS", USBL_FEED,
          "one sentence per period (default 1, at least 0.05)",
          number(out.usbl_period_s, 0.05, 3600, false));
    value("--origin", "LAT,LON", USBL_FEED,
          "survey origin, decimal degrees, south and west negative\n(default 50.5,-1.75)",
          origin(out.track));
    value("--leg-length", "M", USBL_FEED, "length of each survey leg in metres (default 400)",
          number(out.track.leg_length_m, 1, 20000, false));
    value("--leg-spacing", "M", USBL_FEED, "distance between legs in metres (default 50)",
          number(out.track.leg_spacing_m, 0, 5000, false));
    value("--speed", "M/S", USBL_FEED, "vehicle speed along the legs (default 1.5)",
          number(out.track.speed_mps, 0, 20, false));

    value("--status-period", "SECONDS", VEHICLE,
          "also send a status record every period (default 0: only when\n"
          "the station sends request status)",
          number(out.status_period_s, 0, 3600, false));
    value("--nav-drift", "M/S", VEHICLE,
          "the vehicle's own navigation drifts at this speed towards 045\n"
          "degrees, as in a current it does not know of; a relayed fix pulls\n"
          "it only 1% of the way back (default 0: a fix puts it right)",
          number(out.nav_drift_mps, 0, 5, false));

    value("--seed", "N", RUN,
          "seed for the noise and the faults (default 1): the same seed\ngives the same run",
          count(out.seed, 0, UINT64_MAX));
    value("--duration", "SECONDS", RUN,
          "end by itself after this long (default: run until Ctrl-C,\nSIGTERM or SIGHUP)",
          number(out.duration_s, 0, 1e7, true));
    flag("--stop-on-stdin-eof", out.stop_on_stdin_eof, RUN,
         "also end when standard input reaches its end");
    flag("--quiet", out.quiet, RUN, "print only the summary line at the end");
    flag("--help,-h", out.help, RUN, "print this text and exit");

    value("--bad-header-every", "N", FAULTS, "every Nth status record has a wrong header checksum",
          count(out.faults.bad_header_every, 0, UINT32_MAX));
    value("--bad-trailer-every", "N", FAULTS,
          "every Nth status record has a wrong trailer (payload checksum)",
          count(out.faults.bad_trailer_every, 0, UINT32_MAX));
    value("--garbage-every", "N", FAULTS,
          "every Nth status record is preceded by 1 to 24 random bytes",
          count(out.faults.garbage_every, 0, UINT32_MAX));
    flag("--split-writes", out.faults.split_writes, FAULTS,
         "status records go out in random pieces of 1 to 12 bytes,\n5 to 60 ms apart");
    value("--bad-sentence-every", "N", FAULTS,
          "every Nth sentence is broken (cut short, a number garbled or a\n"
          "field missing) so that it no longer scans in full",
          count(out.faults.bad_sentence_every, 0, UINT32_MAX));
    value("--repeat-fix-every", "N", FAULTS,
          "every Nth sentence repeats the position of the one before, with\n"
          "its own time, as when the USBL had no new fix to give",
          count(out.faults.repeat_fix_every, 0, UINT32_MAX));

    value("--capture", "FILE", CAPTURE,
          R"(also write everything the two peers put on their lines to FILE,
with its time in ms since the start, one event a line:
  start 1700000000000
  1000 usbl $NVPOS,...\r\n
  1004 vehicle 01 00 00 00 24 00 00 00 ...
and what happened as comments ("# 1003 vehicle <- command 0 ...").
The station's tests replay such files (tests/data/README.md).)",
          name_of(out.capture_path, "a file"));

    auto layout = std::make_shared<HelpLayout>();
    layout->note(
        USBL_FEED,
        R"(  Sentences read "$NVPOS,hhmmss.ss,ddmm.mmmm,N,dddmm.mmmm,W,D,B,H,P,Q,S": UTC time of the
  fix, latitude, longitude, then vehicle depth D (m), bearing B from the boat (degrees
  true), horizontal range H (m), position standard deviation P (m), depth standard
  deviation Q (m), and slant range S from the boat (m). The boat holds station over the
  middle of the survey; eight legs are flown out and back, over and over.
)");
    layout->note(
        VEHICLE,
        R"(  The vehicle starts Diving; start survey makes it Survey; abort makes it Abort, with the
  abort flag set, and two seconds later Ascending to the surface.
)");
    app.formatter(layout);
    app.footer(
        R"(Output: one line per sentence sent and per record received or sent, each stamped with the
UTC time, e.g.
  12:00:01.250 usbl    -> $NVPOS,120001.25,5030.0901,N,00145.1623,W,25.0,...
  12:00:01.731 vehicle <- nav ok t=43201.25 lat=50.50150 lon=-1.75270 sl=143.70
  12:00:02.004 vehicle <- command 0 (request status)
  12:00:02.004 vehicle -> status Diving lat=50.50151 lon=-1.75268 ... (requested)
  12:00:05.120 vehicle !! bad header checksum, resynchronising
and at the end
  summary: sentences sent N, records received good G bad B, status sent S, faults injected F
Exit status: 0 after a clean end, 1 when the links can't be made, 2 on a bad option.)");
}

// Three forms CLI11 reads otherwise than this program always has:
//   "--name="       a bare "--name" that takes the next word; here it becomes "--name" "";
//   "--flag=value"  the flag with that value; refused, the flag takes none;
//   "-hx"           "-h -x"; refused as an unknown option.
// The words are cut short at a refused one, whose problem stands unless one before it is
// wrong. A word that is an option's value is left alone, whatever it looks like.
std::string settle_forms_cli11_reads_otherwise(const CLI::App& app,
                                               std::vector<std::string>& words) {
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string word = words[i];
        if (word == "--") {
            break; // CLI11 refuses it and everything after it as unknown words
        }
        if (word.size() > 2 && word[0] == '-' && word[1] != '-') {
            if (app.get_option_no_throw(word.substr(0, 2)) != nullptr) {
                words.resize(i);
                return unknown(word);
            }
            continue;
        }
        const auto equals = word.find('=');
        const std::string name = word.substr(0, equals);
        const CLI::Option* option =
            name.size() > 2 && name.rfind("--", 0) == 0 ? app.get_option_no_throw(name) : nullptr;
        if (option == nullptr) {
            continue;
        }
        const bool is_flag = option->get_expected_max() == 0;
        if (equals == std::string::npos) {
            if (!is_flag) {
                ++i; // the next word is its value
            }
        } else if (is_flag) {
            words.resize(i);
            return name + " takes no value";
        } else if (equals + 1 == word.size()) {
            words[i] = name;
            words.insert(words.begin() + static_cast<std::ptrdiff_t>(i) + 1, "");
            ++i;
        }
    }
    return "";
}

} // namespace

std::string parse_sim_options(const std::vector<std::string>& args, SimOptions& out) {
    CLI::App app;
    describe_options(app, out);
    std::vector<std::string> words = args;
    const std::string settled = settle_forms_cli11_reads_otherwise(app, words);

    std::vector<std::string> last_first(words.rbegin(), words.rend()); // as CLI11 takes them
    std::string problem;
    try {
        app.parse(last_first);
    } catch (const CLI::ArgumentMismatch&) {
        problem = words.back() + " wants a value"; // only the last word can run out of values
    } catch (const CLI::ParseError& refusal) {
        problem = refusal.what(); // a value rule's own words
    }
    // CLI11 gathers the words it does not know as it goes; one of them may have come first.
    if (const std::vector<std::string> strangers = app.remaining(); !strangers.empty()) {
        return unknown(strangers.front());
    }
    if (!problem.empty()) {
        return problem;
    }
    if (!settled.empty()) {
        return settled;
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
    CLI::App app;
    SimOptions unused;
    describe_options(app, unused);
    return app.help();
}

} // namespace nerivo::sim
