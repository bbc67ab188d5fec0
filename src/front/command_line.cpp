#include "command_line.h"

#include "command_line_platform.h"

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>

namespace nerivo {
namespace {

const char* const DESCRIPTION =
    "Operator station for an autonomous underwater vehicle: relays USBL fixes to the\n"
    "vehicle, shows its status and sends it commands.";

struct Option {
    std::vector<std::string> names; // a one-letter name takes one dash, the others two
    std::string value_name;         // empty: a switch, which takes no value
    std::string description;
    bool listed = true; // in --help; an option this platform refuses is still read, to say so
};

enum OptionIndex { HELP, VERSION, COM_DIR, LOG_DIR, STATUS_TIMEOUT, STALE_AFTER, NMEA_OUT };

std::vector<Option> station_options() {
    const StationSettings defaults;
    return {
        {{"h", "help"}, "", "Print this help and exit."},
        {{"v", "version"}, "", "Print the version and exit."},
        {{"com-dir"},
         "DIR",
         "Folder of COM links DIR/comN (overrides NERIVO_COM_DIR).",
         com_dir_refusal() == nullptr},
        {{"log-dir"},
         "DIR",
         "Also write the status and nav logs to files in DIR (made if missing)."},
        {{"status-timeout"},
         "SECONDS",
         "Report a status request still unanswered after SECONDS (default " +
             std::to_string(defaults.status_timeout_s) + ")."},
        {{"stale-after"},
         "SECONDS",
         "Grey the vehicle status once it is SECONDS old (default " +
             std::to_string(defaults.stale_after_s) + ")."},
        {{"nmea-out"},
         "TARGET",
         "Also send the vehicle's position as NMEA 0183 (GGA, RMC, HDT) to TARGET: "
         "udp:HOST:PORT, or com:N[:BAUD] (default " +
             std::to_string(NmeaTarget::DEFAULT_BAUD) + " baud). May be given more than once."},
    };
}

struct Parsed {
    std::vector<bool> set;                             // by OptionIndex
    std::vector<std::string> values;                   // the last value given, by OptionIndex
    std::vector<std::vector<std::string>> every_value; // all of them, in order
    std::vector<std::string> arguments;
    std::vector<std::string> unknown; // names, without their dashes
    std::string problem;              // a value missing or not wanted; the last one found
};

Parsed parse(const std::vector<Option>& options, const std::vector<std::string>& arguments) {
    Parsed parsed;
    parsed.set.resize(options.size());
    parsed.values.resize(options.size());
    parsed.every_value.resize(options.size());
    bool options_ended = false;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        // A lone "-" is an argument (standard input, to many programs), as is all after "--".
        if (options_ended || argument.size() < 2 || argument[0] != '-') {
            parsed.arguments.push_back(argument);
            continue;
        }
        if (argument == "--") {
            options_ended = true;
            continue;
        }
        // One dash starts a whole name too: "-platform" is one unknown option, not eight.
        const std::size_t dashes = argument[1] == '-' ? 2 : 1;
        const std::size_t equals = argument.find('=');
        const std::string name =
            argument.substr(dashes, equals == std::string::npos ? equals : equals - dashes);
        const auto option = std::find_if(options.begin(), options.end(), [&name](const Option& o) {
            return std::find(o.names.begin(), o.names.end(), name) != o.names.end();
        });
        if (option == options.end()) {
            parsed.unknown.push_back(name);
            continue;
        }
        const auto index = static_cast<std::size_t>(option - options.begin());
        parsed.set[index] = true;
        if (option->value_name.empty()) {
            if (equals != std::string::npos) {
                parsed.problem = "Unexpected value after '" + argument.substr(0, equals) + "'.";
            }
        } else if (equals != std::string::npos) {
            parsed.values[index] = argument.substr(equals + 1);
        } else if (i + 1 < arguments.size()) {
            parsed.values[index] = arguments[++i]; // whatever it is, even "--help"
        } else {
            parsed.problem = "Missing value after '" + argument + "'.";
            continue;
        }
        if (!option->value_name.empty()) {
            parsed.every_value[index].push_back(parsed.values[index]);
        }
    }
    return parsed;
}

bool is_blank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// One option in --help, laid out as the station's help has always been laid out (by Qt's
// parser once, which the manual page and the operators' notes follow): the names in a column
// `width` wide, then the description in lines of at most `room` characters, broken at the
// last blank that fits (mid-word when none does) and at each newline. The character that
// starts a following line goes uncounted, so those lines may hold one more.
std::string help_entry(const std::string& names, std::size_t width, std::string_view text) {
    const std::size_t room = 79 - (2 + width + 1);
    std::string entry;
    std::size_t names_shown = 0; // names longer than their column go on over the next lines
    const auto names_part = [&] {
        std::string part = names.substr(names_shown, width);
        names_shown += part.size();
        return part;
    };
    std::size_t start = 0;
    std::size_t counted = 0;
    std::optional<std::size_t> blank;
    for (std::size_t i = 0; i < text.size(); ++i) {
        ++counted;
        if (is_blank(text[i])) {
            blank = i;
        }
        std::size_t end = 0;
        std::size_t next = 0;
        if (counted > room && blank) {
            end = *blank;
            next = end + 1;
        } else if ((counted >= room && !blank) || i + 1 == text.size()) {
            end = i + 1;
            next = end;
        } else if (text[i] == '\n') {
            end = i;
            next = i + 1;
        } else {
            continue;
        }
        std::string column = names_part();
        column.resize(std::max(column.size(), width), ' ');
        entry += "  " + column + " ";
        entry += text.substr(start, end - start);
        entry += '\n';
        counted = 0;
        blank.reset();
        start = next;
        if (start < text.size() && is_blank(text[start])) {
            ++start; // no line starts with a blank
        }
        i = start;
    }
    while (names_shown < names.size()) {
        entry += "  " + names_part() + "\n";
    }
    return entry;
}

std::string usage(const std::vector<Option>& options) {
    std::vector<std::string> columns;
    std::size_t longest = 0;
    for (const Option& option : options) {
        std::string column;
        for (const std::string& name : option.names) {
            column += (name.size() == 1 ? "-" : "--") + name + ", ";
        }
        column.resize(column.size() - 2);
        if (!option.value_name.empty()) {
            column += " <" + option.value_name + ">";
        }
        columns.push_back(option.listed ? column : std::string());
        longest = std::max(longest, option.listed ? column.size() : 0);
    }
    const std::size_t width = std::min<std::size_t>(50, longest + 1);
    std::string text = std::string("Usage: nerivo [options]\n") + DESCRIPTION + "\n\nOptions:\n";
    for (std::size_t i = 0; i < options.size(); ++i) {
        if (options[i].listed) {
            text += help_entry(columns[i], width, options[i].description);
        }
    }
    return text;
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

std::string join(const std::vector<std::string>& parts, const char* between) {
    std::string joined;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        joined += (i > 0 ? between : "") + parts[i];
    }
    return joined;
}

} // namespace

CommandLine parse_command_line(const std::vector<std::string>& arguments) {
    const std::vector<Option> options = station_options();
    const Parsed parsed = parse(options, arguments);
    CommandLine result;
    const auto bad_usage = [&](const std::string& problem) {
        result.outcome = CommandLine::Outcome::BAD_USAGE;
        result.text = problem + "\n" + usage(options);
        return result;
    };
    if (!parsed.problem.empty()) {
        return bad_usage(parsed.problem);
    }
    if (parsed.unknown.size() == 1) {
        return bad_usage("Unknown option '" + parsed.unknown.front() + "'.");
    }
    if (!parsed.unknown.empty()) {
        return bad_usage("Unknown options: " + join(parsed.unknown, ", ") + ".");
    }
    if (parsed.set[COM_DIR] && com_dir_refusal() != nullptr) {
        return bad_usage(com_dir_refusal());
    }
    if (!parsed.arguments.empty()) {
        return bad_usage("Unexpected argument '" + parsed.arguments.front() + "'.");
    }
    for (const OptionIndex folder : {COM_DIR, LOG_DIR}) {
        if (parsed.set[folder] && parsed.values[folder].empty()) {
            return bad_usage("--" + options[folder].names.front() + " wants a folder.");
        }
    }
    struct Seconds {
        OptionIndex option;
        int StationSettings::*setting;
    };
    for (const Seconds& seconds : {Seconds{STATUS_TIMEOUT, &StationSettings::status_timeout_s},
                                   Seconds{STALE_AFTER, &StationSettings::stale_after_s}}) {
        if (!parsed.set[seconds.option]) {
            continue;
        }
        const int number = whole_seconds(parsed.values[seconds.option]);
        if (number < 1) {
            return bad_usage("--" + options[seconds.option].names.front() +
                             " wants a whole number of seconds, 1 or more.");
        }
        result.station.settings.*seconds.setting = number;
    }
    std::vector<NmeaTarget> nmea_targets;
    for (const std::string& value : parsed.every_value[NMEA_OUT]) {
        const std::optional<NmeaTarget> target = nmea_target(value);
        if (!target) {
            return bad_usage("--nmea-out wants udp:HOST:PORT or com:N[:BAUD], not '" + value +
                             "'.");
        }
        nmea_targets.push_back(*target);
    }
    if (parsed.set[HELP]) {
        result.outcome = CommandLine::Outcome::SHOW_HELP;
        result.text = usage(options) + help_notes();
        return result;
    }
    if (parsed.set[VERSION]) {
        result.outcome = CommandLine::Outcome::SHOW_VERSION;
        result.text = std::string("nerivo ") + NERIVO_VERSION + "\n";
        return result;
    }
    result.com_dir = parsed.values[COM_DIR];
    result.station.log_dir = parsed.values[LOG_DIR];
    result.station.settings.nmea_targets = nmea_targets;
    return result;
}

} // namespace nerivo
