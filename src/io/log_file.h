#pragma once

// One log file, made by this run, appended to a line at a time: a file per platform says how.

#include <cstdint>
#include <filesystem>
#include <string>

namespace nerivo {

// A file is never opened by a name that something else already holds, so a link planted
// there is never followed.
class LogFile {
public:
    enum class Made { NEW, TAKEN, FAILED };

    LogFile() = default;
    ~LogFile() { close(); }
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // Makes `path` as a new, empty file to append to. TAKEN when the name is held by anything
    // at all: a file, a folder, a link (dangling or not), which is left as it is.
    [[nodiscard]] Made make(const std::filesystem::path& path);
    // All of `text`, written at the end of the file; false when it did not all go.
    [[nodiscard]] bool append(const std::string& text);
    void close();
    // The system's words for why the last make or append failed.
    static std::string last_reason();

private:
    std::intptr_t handle_ = -1; // a descriptor, or a handle where files have handles
};

} // namespace nerivo
