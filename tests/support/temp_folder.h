#pragma once

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

// A whole file's bytes; empty when it cannot be read.
std::string read_text(const std::string& path);
void write_text(const std::string& path, const std::string& text);

} // namespace nerivo::testing
