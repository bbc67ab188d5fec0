#pragma once

#include <string>

namespace nerivo::testing {

// Sends standard output (the station's record dumps) to a temporary file while the object
// lives, at the file-descriptor level, so printf output of any length is kept.
class StdoutToFile {
public:
    StdoutToFile();
    ~StdoutToFile();
    StdoutToFile(const StdoutToFile&) = delete;
    StdoutToFile& operator=(const StdoutToFile&) = delete;

    // Gives standard output back and returns what was written meanwhile.
    std::string finish();

private:
    void restore();

    std::string path_;
    int saved_ = -1;
};

} // namespace nerivo::testing
