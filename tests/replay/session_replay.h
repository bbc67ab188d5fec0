#pragma once

// Plays a captured session into a real station window through pseudo-terminals, on a fake
// clock set to each event's time, and collects what the station made of it.

#include "session_file.h"

#include <cstdint>
#include <string>
#include <vector>

namespace nerivo::testing {

struct ReplayOutput {
    std::string vehicle;    // what the station sent to the vehicle, one record a line
    std::string status_log; // oldest line first
    std::string nav_log;    // oldest line first
    std::string stdout_text;
    std::string screen;  // the status fields and the relay button, each time they change
    std::string problem; // empty when the session could be played to the end
};

ReplayOutput replay_session(const nerivo::sim::Session& session);

// The station's bytes on the vehicle link as a listing: each record on a line with its
// fields and its bytes, "Done" on a line of its own, anything else as loose bytes.
std::string vehicle_listing(const std::vector<uint8_t>& bytes);

} // namespace nerivo::testing
