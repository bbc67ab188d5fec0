#pragma once

#include <string>

namespace nerivo::testing {

// A temporary folder of COM-number links (DIR/comN -> device), published through
// NERIVO_COM_DIR for as long as the object lives; the previous value comes back after.
class ComDir {
public:
    ComDir();
    ~ComDir();
    ComDir(const ComDir&) = delete;
    ComDir& operator=(const ComDir&) = delete;

    // Makes COM `number` open `device`.
    void map(int number, const std::string& device);
    const std::string& path() const { return path_; }

private:
    std::string path_;
    bool had_previous_ = false;
    std::string previous_;
};

} // namespace nerivo::testing
