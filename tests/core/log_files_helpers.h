#pragma once

#include "fake_clock.h"
#include "log_files.h"
#include "recording_view.h"
#include "station.h"

#include <string>
#include <vector>

namespace nerivo::testing {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    // The names of the entries, sorted as a listing shows them.
    std::vector<std::string> names() const;

private:
    std::string path_;
};

std::string read_text(const std::string& path);
void write_text(const std::string& path, const std::string& text);

// A station started at 09:05:07 on 1 January 2023 (UTC) that keeps its logs in `folder`; the
// screen is `view`, and problems with the files are told in the status log as the window does.
struct LoggingStation {
    explicit LoggingStation(const std::string& folder);

    ScopedTimeZone zone{"UTC0"};
    FakeClock clock{local_seconds(2023, 1, 1, 9, 5, 7)};
    RecordingView view;
    LogFiles files;
    RecordedDump dump;
    Station station{files, &dump};
};

} // namespace nerivo::testing
