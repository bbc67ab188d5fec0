#pragma once

#include "station_options.h"

#include <utility>

// The application object: creates the station window, runs it modally and destroys it.
class StationApp {
public:
    explicit StationApp(nerivo::StationOptions options = {}) : options_(std::move(options)) {}

    // Runs the station to its end. Returns false: nothing is left to run afterwards.
    bool init_instance();

private:
    nerivo::StationOptions options_;
};
