#pragma once

#include "station_settings.h"

#include <string>

namespace nerivo {

// What the operator asked for when starting the station. The defaults are the station as it
// has always been: nothing kept but what the window shows.
struct StationOptions {
    std::string log_dir; // UTF-8; empty: the logs live on screen only
    StationSettings settings;
};

} // namespace nerivo
