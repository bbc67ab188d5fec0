#pragma once

// The application object: creates the station window, runs it modally and destroys it.
class StationApp {
public:
    // Runs the station to its end. Returns false: nothing is left to run afterwards.
    bool init_instance();
};
