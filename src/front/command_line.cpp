#include "command_line.h"

#include "command_line_platform.h"

#include "nmea_sentences.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <utility>

namespace nerivo {
namespace {

// What a target's name may hold besides capitals, digits and blanks (see target_name_character).
const char* const TARGET_NAME_PUNCTUATION = "\"#%&'()+-./:;<=>?[]_";

const char* const DESCRIPTION =
    "Operator station for an autonomous underwater vehicle: relays USBL fixes to the\n"
    "vehicle, shows its status and sends it commands.";

// What is wrong with the command line, in the words the user reads. CLI11 would word a
// failed check its own way ("--name: ..."), but lets an exception of ours through untouched.
class UsageProblem : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads one value of the option `name` into the command line being built, or throws the
// UsageProblem that says what is wrong with it.
using Reader = std::function<void(const std::string& name, const std::string& value)>;

// An option with a value, read by `read` once the whole line has been parsed, in the order the
// options are added here. Given more than once, only the last value counts (and is read).
CLI::Option* add_value(CLI::App& app, const std::string& name, const std::string& value_name,
                       const std::string& description, Reader read) {
    const auto read_all = [name, read](const CLI::results_t& values) {
        for (const std::string& value : values) {
            read(name, value);
        }
        return true;
    };
    // CLI11 hands a callback the values as given, none converted: "010", "{}" and "[a]" stay.
    CLI::Option* option = app.add_option(name, read_all, description);
    option->option_text("<" + value_name + ">");
    option->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    return option;
}

// An option that may be given more than once: each value is read, in order.
CLI::Option* add_values(CLI::App& app, const std::string& name, const std::string& value_name,
                        const std::string& description, Reader read) {
    return add_value(app, name, value_name, description + " May be given more than once.",
                     std::move(read))
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
}

// A whole number of seconds, 1 or more, in digits only (no sign, no blanks); 0 otherwise.
int whole_seconds(const std::string& value) {
    if (value.empty() ||
        !std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return 0;
    }
    int number = 0;
    const auto read = std::from_chars(value.data(), value.data() + value.size(), number);
    return read.ec == std::errc() ? number : 0;
}

// A number in digits only, within 1..`most`; 0 otherwise.
int64_t whole_number(std::string_view digits, int64_t most) {
    int64_t number = 0;
    if (digits.empty() || digits.size() > 10 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return 0;
    }
    std::from_chars(digits.data(), digits.data() + digits.size(), number);
    return number <= most ? number : 0;
}

// "udp:HOST:PORT" (an IPv6 address in brackets) or "com:N[:BAUD]"; nothing when malformed.
std::optional<NmeaTarget> nmea_target(const std::string& text) {
    NmeaTarget target;
    target.text = text;
    const std::string_view value(text);
    if (value.substr(0, 4) == "udp:") {
        const std::size_t colon = value.rfind(':');
        if (colon < 4) {
            return std::nullopt; // no port
        }
        std::string_view host = value.substr(4, colon - 4);
        if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
            host = host.substr(1, host.size() - 2);
        } else if (host.find_first_of("[]:") != std::string_view::npos) {
            return std::nullopt;
        }
        target.host = host;
        target.port = value.substr(colon + 1);
        if (host.empty() || whole_number(target.port, 65535) == 0) {
            return std::nullopt;
        }
        return target;
    }
    if (value.substr(0, 4) == "com:") {
        const std::size_t colon = value.find(':', 4);
        target.com_number = static_cast<int32_t>(
            whole_number(value.substr(4, colon - 4), std::numeric_limits<int32_t>::max()));
        if (colon != std::string_view::npos) {
            target.baud = static_cast<uint32_t>(
                whole_number(value.substr(colon + 1), std::numeric_limits<int32_t>::max()));
        }
        if (target.com_number == 0 || target.baud == 0) {
            return std::nullopt;
        }
        return target;
    }
    return std::nullopt;
}

Reader into_folder(std::string& folder) {
    return [&folder](const std::string& name, const std::string& value) {
        if (value.empty()) {
            throw UsageProblem(name + " wants a folder.");
        }
        folder = value;
    };
}

Reader into_seconds(int& seconds) {
    return [&seconds](const std::string& name, const std::string& value) {
        const int number = whole_seconds(value);
        if (number < 1) {
            throw UsageProblem(name + " wants a whole number of seconds, 1 or more.");
        }
        seconds = number;
    };
}

Reader into_nmea_targets(std::vector<NmeaTarget>& targets) {
    return [&targets](const std::string& name, const std::string& value) {
        const std::optional<NmeaTarget> target = nmea_target(value);
        if (!target) {
            throw UsageProblem(name + " wants udp:HOST:PORT or com:N[:BAUD], not '" + value + "'.");
        }
        targets.push_back(*target);
    };
}

// MMSIs that plotters in range take for a distress beacon, and sound an alarm for.
struct DistressPrefix {
    std::string_view digits;
    const char* device;
};
constexpr DistressPrefix DISTRESS_PREFIXES[] = {
    {"970", "an AIS-SART's"},
    {"972", "a man-overboard device's"},
    {"974", "an EPIRB's"},
};

Reader into_mmsi(uint32_t& mmsi) {
    return [&mmsi](const std::string& name, const std::string& value) {
        if (value.size() != 9 ||
            !std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; })) {
            throw UsageProblem(name + " wants 9 digits, not '" + value + "'.");
        }
        for (const DistressPrefix& prefix : DISTRESS_PREFIXES) {
            if (value.starts_with(prefix.digits)) {
                throw UsageProblem(name + " " + value + " is " + prefix.device +
                                   " number: plotters in range would sound a distress alarm.");
            }
        }
        if (value[0] == '0') { // also keeps 0 meaning "no MMSI"
            throw UsageProblem(name + " " + value + " is a coast station's or a group's number.");
        }
        mmsi = static_cast<uint32_t>(whole_number(value, 999999999));
    };
}

// A target's name goes out in AIS and in TLL: so AIS's six-bit characters, but for '@', which
// ends an AIS name, and NMEA's reserved ones (!$*,\^), which would break the sentence. AIS has no
// small letters; a name is refused rather than changed, so the chart shows what was typed.
bool target_name_character(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ' ||
           std::string_view(TARGET_NAME_PUNCTUATION).find(c) != std::string_view::npos;
}

Reader into_target_name(std::string& target_name) {
    return [&target_name](const std::string& name, const std::string& value) {
        if (value.empty() || value.size() > TARGET_NAME_MAX ||
            !std::all_of(value.begin(), value.end(), target_name_character)) {
            throw UsageProblem(name + " wants 1 to " + std::to_string(TARGET_NAME_MAX) +
                               " of A-Z, 0-9, blank and " + TARGET_NAME_PUNCTUATION + ", not '" +
                               value + "'.");
        }
        target_name = value;
    };
}

// The station's options, read into `command_line`; those whose mere presence counts are returned.
struct OptionsAskedAbout {
    CLI::Option* help;
    CLI::Option* version;
    CLI::Option* com_dir;
};

OptionsAskedAbout add_station_options(CLI::App& app, CommandLine& command_line) {
    const StationSettings defaults;
    StationSettings& settings = command_line.station.settings;
    OptionsAskedAbout options{};
    options.help = app.add_flag("-h,--help")->description("Print this help and exit.");
    options.version = app.add_flag("-v,--version")->description("Print the version and exit.");
    options.com_dir = add_value(app, "--com-dir", "DIR",
                                "Folder of COM links DIR/comN (overrides NERIVO_COM_DIR).",
                                into_folder(command_line.com_dir));
    if (com_dir_refusal() != nullptr) {
        options.com_dir->group(""); // still read, to say why it is refused, but not offered
    }
    add_value(app, "--log-dir", "DIR",
              "Also write the status and nav logs to files in DIR (made if missing).",
              into_folder(command_line.station.log_dir));
    add_value(app, "--status-timeout", "SECONDS",
              "Report a status request still unanswered after SECONDS (default " +
                  std::to_string(defaults.status_timeout_s) + ").",
              into_seconds(settings.status_timeout_s));
    add_value(app, "--stale-after", "SECONDS",
              "Grey the vehicle status once it is SECONDS old (default " +
                  std::to_string(defaults.stale_after_s) + ").",
              into_seconds(settings.stale_after_s));
    add_values(app, "--nmea-out", "TARGET",
               "Also send the vehicle's position as NMEA 0183 (GGA, RMC, HDT) to TARGET: "
               "udp:HOST:PORT, or com:N[:BAUD] (default " +
                   std::to_string(NmeaTarget::DEFAULT_BAUD) + " baud).",
               into_nmea_targets(settings.nmea_targets));
    add_values(app, "--target-out", "TARGET",
               "Also send the vehicle to TARGET as a target for a chart that also shows the "
               "ship (TLL, and AIS with --mmsi); TARGET as for --nmea-out.",
               into_nmea_targets(settings.target_outputs));
    add_value(app, "--mmsi", "N",
              "The vehicle's MMSI for AIS, 9 digits: best 98MIDxxxx, the form for a craft of a "
              "parent ship (MID: the parent ship's country code).",
              into_mmsi(settings.mmsi));
    add_value(app, "--target-name", "NAME",
              "The vehicle's name on the chart (default " + defaults.target_name + "): up to " +
                  std::to_string(TARGET_NAME_MAX) + " of A-Z, 0-9, blank and " +
                  TARGET_NAME_PUNCTUATION + ".",
              into_target_name(settings.target_name));
    return options;
}

// The line as CLI11 reads it. The station's command line has always taken more than CLI11 does:
// one dash before a long name ("-log-dir"), two before a short one ("--h"), an empty value after
// "=", and a value that looks like an option ("--log-dir --help"). So each option is spelt out
// as "--name" or "-n" with its value as the next argument, and an unknown one as "--name", which
// CLI11 keeps aside whole ("-hv" would be -h and -v to it). A switch given a value, or an option
// left without one, is a problem; the last one found is named.
struct Spelt {
    std::vector<std::string> arguments;
    std::string problem;
};

Spelt spell_for_cli11(const CLI::App& app, const std::vector<std::string>& arguments) {
    Spelt spelt;
    bool options_ended = false;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        // A lone "-" is an argument (standard input, to many programs), as is all after "--".
        if (options_ended || argument.size() < 2 || argument[0] != '-') {
            spelt.arguments.push_back(argument);
            continue;
        }
        if (argument == "--") {
            options_ended = true;
            spelt.arguments.push_back(argument);
            continue;
        }
        const std::size_t dashes = argument[1] == '-' ? 2 : 1;
        const std::size_t equals = argument.find('=');
        const std::string name =
            argument.substr(dashes, equals == std::string::npos ? equals : equals - dashes);
        const std::string option_name = (name.size() == 1 ? "-" : "--") + name;
        const CLI::Option* option = name.empty() ? nullptr : app.get_option_no_throw(option_name);
        if (option == nullptr) {
            spelt.arguments.push_back("--" + argument.substr(dashes));
            continue;
        }
        spelt.arguments.push_back(option_name);
        if (option->get_items_expected_max() == 0) {
            if (equals != std::string::npos) {
                spelt.problem = "Unexpected value after '" + argument.substr(0, equals) + "'.";
            }
        } else if (equals != std::string::npos) {
            spelt.arguments.push_back(argument.substr(equals + 1));
        } else if (i + 1 < arguments.size()) {
            spelt.arguments.push_back(arguments[++i]); // whatever it is, even "--help"
        } else {
            spelt.problem = "Missing value after '" + argument + "'.";
        }
    }
    return spelt;
}

// `text` in lines of at most `room` characters, broken at blanks.
std::string wrapped(const std::string& text, std::size_t room) {
    std::string lines;
    std::size_t line = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(' ', start);
        end = end == std::string::npos ? text.size() : end;
        const std::size_t word = end - start;
        if (line > 0 && line + 1 + word > room) {
            lines += '\n';
            line = 0;
        } else if (line > 0) {
            lines += ' ';
            ++line;
        }
        lines.append(text, start, word);
        line += word;
        start = end + 1;
    }
    return lines;
}

// The usage as the station has long laid it out: the usage line, what the program is, then
// each option's names and value beside its description, which wraps within 79 columns.
class HelpLayout : public CLI::Formatter {
public:
    HelpLayout() {
        label("OPTIONS", "options");
        column_width(30);
    }

    std::string make_help(const CLI::App* app, std::string name,
                          CLI::AppFormatMode) const override {
        const std::vector<const CLI::Option*> offered = app->get_options(
            [](const CLI::Option* option) { return !option->get_group().empty(); });
        return make_usage(app, name) + make_description(app) +
               make_group(get_label("Options"), false, offered);
    }

    std::string make_option_name(const CLI::Option* option, bool) const override {
        std::string names;
        for (const std::string& name : option->get_snames()) {
            names += "-" + name + ", ";
        }
        for (const std::string& name : option->get_lnames()) {
            names += "--" + name + ", ";
        }
        return names.substr(0, names.size() - 2);
    }

    std::string make_option_desc(const CLI::Option* option) const override {
        return wrapped(option->get_description(), 79 - column_width_);
    }
};

std::string join(const std::vector<std::string>& parts, const char* between) {
    std::string joined;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        joined += (i > 0 ? between : "") + parts[i];
    }
    return joined;
}

} // namespace

CommandLine parse_command_line(const std::vector<std::string>& arguments) {
    CommandLine command_line;
    CLI::App app(DESCRIPTION, "nerivo");
    app.set_help_flag(); // ours is a plain switch: a mistake beside --help still counts
    app.allow_extras();  // kept aside, to be named below as unknown options or arguments
    app.allow_windows_style_options(false); // "/help" is an argument on Windows too
    app.formatter(std::make_shared<HelpLayout>());
    const OptionsAskedAbout options = add_station_options(app, command_line);

    const auto ended = [](CommandLine::Outcome outcome, const std::string& text) {
        CommandLine result;
        result.outcome = outcome;
        result.text = text;
        return result;
    };
    const auto bad_usage = [&](const std::string& problem) {
        return ended(CommandLine::Outcome::BAD_USAGE, problem + "\n" + app.help());
    };
    const Spelt spelt = spell_for_cli11(app, arguments);
    if (!spelt.problem.empty()) {
        return bad_usage(spelt.problem);
    }
    std::string bad_value;
    try {
        app.parse(std::vector<std::string>(spelt.arguments.rbegin(), spelt.arguments.rend()));
    } catch (const UsageProblem& problem) {
        bad_value = problem.what();
    } catch (const CLI::ParseError& error) {
        // Nothing spelt as above gets here, short of a mistake in the options' table.
        return bad_usage(error.what());
    }

    std::vector<std::string> unknown;
    std::vector<std::string> extra;
    bool options_ended = false;
    for (const std::string& left : app.remaining()) {
        if (!options_ended && left == "--") {
            options_ended = true;
        } else if (!options_ended && left.size() > 1 && left[0] == '-') {
            const std::size_t equals = left.find('='); // spelt "--name" above
            unknown.push_back(left.substr(2, equals == std::string::npos ? equals : equals - 2));
        } else {
            extra.push_back(left);
        }
    }
    if (unknown.size() == 1) {
        return bad_usage("Unknown option '" + unknown.front() + "'.");
    }
    if (!unknown.empty()) {
        return bad_usage("Unknown options: " + join(unknown, ", ") + ".");
    }
    if (options.com_dir->count() > 0 && com_dir_refusal() != nullptr) {
        return bad_usage(com_dir_refusal());
    }
    if (!extra.empty()) {
        return bad_usage("Unexpected argument '" + extra.front() + "'.");
    }
    if (!bad_value.empty()) {
        return bad_usage(bad_value);
    }
    if (options.help->count() > 0) {
        return ended(CommandLine::Outcome::SHOW_HELP, app.help() + help_notes());
    }
    if (options.version->count() > 0) {
        return ended(CommandLine::Outcome::SHOW_VERSION,
                     std::string("nerivo ") + NERIVO_VERSION + "\n");
    }
    return command_line;
}

} // namespace nerivo
