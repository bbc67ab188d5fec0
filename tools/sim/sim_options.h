#pragma once

#include "lawn_mower_track.h"
#include "sim_support.h"

#include <cstdint>
#include <string>
#include <vector>

namespace nerivo::sim {

struct SimOptions {
    std::string com_dir; // empty: $NERIVO_COM_DIR, else DEFAULT_COM_DIR
    int usbl_port = 1;
    int vehicle_port = 5;
    double usbl_period_s = 1.0;
    double status_period_s = 0.0; // 0: only on request
    double nav_drift_mps = 0.0;   // 0: the vehicle's navigation is exact
    TrackConfig track;
    uint64_t seed = 1;
    double duration_s = 0.0; // 0: until stopped
    bool stop_on_stdin_eof = false;
    FaultPlan faults;
    std::string capture_path; // empty: no capture
    bool quiet = false;
    bool help = false;
};

inline constexpr const char* DEFAULT_COM_DIR = "/tmp/nerivo-com";

// Parses the arguments after the program name: --name value, --name=value, and -h for --help.
// Returns an empty text when they were all understood, else what was wrong with the first bad
// one.
[[nodiscard]] std::string parse_sim_options(const std::vector<std::string>& args, SimOptions& out);

// The folder the links go in: the option, else $NERIVO_COM_DIR, else DEFAULT_COM_DIR.
[[nodiscard]] std::string resolve_com_dir(const SimOptions& options);

[[nodiscard]] std::string sim_help_text();

} // namespace nerivo::sim
