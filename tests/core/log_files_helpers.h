#pragma once

#include "fake_clock.h"
#include "log_files_view.h"
#include "recording_view.h"
#include "station.h"
#include "temp_folder.h"

#include <string>

namespace nerivo::testing {

// A station started at 09:05:07 on 1 January 2023 (UTC) that keeps its logs in `folder`; the
// screen is `view`, and problems with the files are told in the status log as the window does.
struct LoggingStation {
    explicit LoggingStation(const std::string& folder);

    ScopedTimeZone zone{"UTC0"};
    FakeClock clock{local_seconds(2023, 1, 1, 9, 5, 7)};
    RecordingView view;
    LogFilesView files;
    RecordedDump dump;
    Station station{files, &dump};
};

} // namespace nerivo::testing
