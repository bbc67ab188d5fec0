#include "track_gpx_file.h"

#include "track_gpx.h"

#include <cerrno>
#include <fstream>
#include <system_error>

namespace nerivo {
namespace {

std::string utf8_of(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return {reinterpret_cast<const char*>(text.data()), text.size()};
}

// A system's message may end in a full stop and a line end (Windows' do): a message box line
// takes neither.
std::string one_line(std::string text) {
    for (char& c : text) {
        if (c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '.')) {
        text.pop_back();
    }
    return text;
}

// What the C library last said went wrong, else `otherwise`: a stream does not always say.
std::string reason_of(int error, const char* otherwise) {
    return error != 0 ? std::generic_category().message(error) : otherwise;
}

} // namespace

// The new file is written beside the old one and renamed over it only once it is complete, so
// a full disk or a pulled stick leaves the last good file, never half of a new one.
std::string save_track_gpx(const TrackModel& track, const std::filesystem::path& path) {
    const auto problem = [&path](const std::string& reason) {
        return "Could not save the track to " + utf8_of(path) + ": " + one_line(reason);
    };
    std::filesystem::path partial = path;
    partial += ".partial";
    std::error_code ignored;

    errno = 0;
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    if (!out) {
        return problem(reason_of(errno, "the file could not be made"));
    }
    errno = 0;
    write_track_gpx(track, out);
    out.close(); // flushes what is left, and a failed flush fails the stream
    if (out.fail()) {
        const int error = errno;
        std::filesystem::remove(partial, ignored);
        return problem(reason_of(error, "the file could not be written"));
    }
    std::error_code error;
    std::filesystem::rename(partial, path, error);
    if (error) {
        std::filesystem::remove(partial, ignored);
        return problem(error.message());
    }
    return "";
}

} // namespace nerivo
