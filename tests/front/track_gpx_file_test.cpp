#include "temp_folder.h"
#include "track_gpx.h"
#include "track_gpx_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

namespace {

using namespace nerivo;
namespace fs = std::filesystem;

std::string utf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return {reinterpret_cast<const char*>(text.data()), text.size()};
}

// Everything under a folder: each entry's name, and a file's bytes.
std::map<std::string, std::string> contents_of(const fs::path& folder) {
    std::map<std::string, std::string> contents;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        std::ostringstream bytes;
        bytes << std::ifstream(entry.path(), std::ios::binary).rdbuf();
        contents[utf8(fs::relative(entry.path(), folder))] = bytes.str();
    }
    return contents;
}

TEST(TrackGpxFile, ASaveReplacesTheFileWholeOrSaysWhyAndLeavesEverythingAsItWas) {
    struct Row {
        const char* what;
        std::function<fs::path(const fs::path& folder)> target; // makes what is there first
        bool saved;
    };
    const auto old_file = [](const fs::path& path) {
        std::ofstream(path, std::ios::binary) << "an older track";
        return path;
    };
    const Row rows[] = {
        {"an older file, under a name beyond ASCII",
         [&](const fs::path& folder) {
             return old_file(folder / fs::path(u8"tr\u00e4ck \u6c34.gpx"));
         },
         true},
        {"a folder that is not there",
         [](const fs::path& folder) { return folder / fs::path(u8"f\u00f6lder") / "track.gpx"; },
         false},
        {"a folder in the file's place",
         [&](const fs::path& folder) {
             fs::create_directory(folder / "track.gpx");
             old_file(folder / "track.gpx" / "inside");
             return folder / "track.gpx";
         },
         false},
        {"a file in the folder's place",
         [&](const fs::path& folder) { return old_file(folder / "track") / "track.gpx"; }, false},
    };
    TrackModel track;
    track.add_usbl_fix(1'700'000'000'250, 50.5, -1.25);
    (void)track.add_vehicle_position(1'700'000'001'250, 50.5001, -1.2501, 12.5f, 270.0f);
    std::ostringstream document;
    write_track_gpx(track, document);

    for (const Row& row : rows) {
        nerivo::testing::TempFolder folder;
        const fs::path path = row.target(folder.path());
        auto expected = contents_of(folder.path());
        const std::string problem = save_track_gpx(track, path);
        if (row.saved) {
            EXPECT_EQ(problem, "") << row.what;
            expected[utf8(path.filename())] = document.str();
        } else {
            const std::string where = "Could not save the track to " + utf8(path) + ": ";
            EXPECT_EQ(problem.substr(0, where.size()), where) << row.what;
            EXPECT_GT(problem.size(), where.size()) << row.what << ": no reason given";
            EXPECT_EQ(problem.find_first_of("\r\n"), std::string::npos) << row.what;
        }
        EXPECT_EQ(contents_of(folder.path()), expected) << row.what;
    }
}

} // namespace
