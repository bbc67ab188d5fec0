#pragma once

// Saving the track as a GPX file for the operator: the old file stays as it was unless the new
// one was written in full.

#include "track_model.h"

#include <filesystem>
#include <string>

namespace nerivo {

// Empty when saved; otherwise one line for a message box saying what went wrong.
[[nodiscard]] std::string save_track_gpx(const TrackModel& track,
                                         const std::filesystem::path& path);

} // namespace nerivo
