#pragma once

// The nerivo program's command line, the same whichever window the station runs in. Read
// before any window exists, so that a mistake, --help and --version need no display.

#include "station_options.h"

#include <string>
#include <vector>

namespace nerivo {

struct CommandLine {
    enum class Outcome {
        RUN,          // start the station with these options
        SHOW_HELP,    // print `text` on standard output and end
        SHOW_VERSION, // likewise
        BAD_USAGE,    // print `text` (the problem, then the usage) on standard error and fail
    };
    Outcome outcome = Outcome::RUN;
    std::string text;
    StationOptions station;
    std::string com_dir; // --com-dir; empty: NERIVO_COM_DIR stays as it is
};

// `arguments` in UTF-8, the program first. Options are --name, --name=value or --name value,
// and one dash will do ("-log-dir"); "--" ends them.
[[nodiscard]] CommandLine parse_command_line(const std::vector<std::string>& arguments);

// What a run takes from the command line before its window exists: --com-dir becomes this
// process's NERIVO_COM_DIR, so the option wins over the variable.
void apply_command_line(const CommandLine& command_line);

} // namespace nerivo
