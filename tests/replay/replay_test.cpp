// Captured sessions replayed into the station, compared with their checked-in goldens.
// NERIVO_UPDATE_GOLDENS=1 rewrites the goldens instead (tests/data/README.md).

#include "session_replay.h"
#include "smac_records.h"
#include "smac_stdio.h"
#include "text_diff.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using namespace nerivo;

namespace {

namespace fs = std::filesystem;
using nerivo::sim::parse_session;
using nerivo::sim::Session;
using nerivo::testing::replay_session;
using nerivo::testing::ReplayOutput;
using nerivo::testing::split_lines;
using nerivo::testing::unified_diff;
using nerivo::testing::vehicle_listing;

const fs::path REPLAY_DIR = NERIVO_REPLAY_DIR;

bool updating_goldens() {
    const char* value = std::getenv("NERIVO_UPDATE_GOLDENS");
    return value != nullptr && std::string(value) == "1";
}

std::string read_text(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> session_names() {
    std::vector<std::string> names;
    std::error_code ignored;
    for (const fs::directory_entry& entry : fs::directory_iterator(REPLAY_DIR, ignored)) {
        if (entry.path().extension() == ".session") {
            names.push_back(entry.path().stem().string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

Session load(const std::string& name) {
    Session session;
    const std::string problem = parse_session(read_text(REPLAY_DIR / (name + ".session")), session);
    EXPECT_EQ(problem, "") << name;
    return session;
}

struct Golden {
    const char* kind;
    std::string ReplayOutput::*text;
};

constexpr Golden GOLDENS[] = {{"vehicle", &ReplayOutput::vehicle},
                              {"status_log", &ReplayOutput::status_log},
                              {"nav_log", &ReplayOutput::nav_log},
                              {"stdout", &ReplayOutput::stdout_text},
                              {"screen", &ReplayOutput::screen}};

class GoldenReplay : public ::testing::TestWithParam<std::string> {};

TEST_P(GoldenReplay, GivesWhatItsGoldensHold) {
    const std::string& name = GetParam();
    const ReplayOutput out = replay_session(load(name));
    ASSERT_EQ(out.problem, "") << name;
    for (const Golden& g : GOLDENS) {
        const std::string file = name + "." + g.kind + ".txt";
        const fs::path path = REPLAY_DIR / file;
        const std::string& actual = out.*g.text;
        if (updating_goldens()) {
            std::ofstream(path, std::ios::binary) << actual;
            std::printf("rewrote %s\n", path.c_str());
            continue;
        }
        if (!fs::exists(path)) {
            ADD_FAILURE() << "no golden " << path << " (NERIVO_UPDATE_GOLDENS=1 writes it)";
            continue;
        }
        const std::string diff = unified_diff(split_lines(read_text(path)), split_lines(actual),
                                              "golden/" + file, "replay/" + file);
        EXPECT_TRUE(diff.empty()) << file << " differs from its golden; if the change is meant, "
                                  << "NERIVO_UPDATE_GOLDENS=1 rewrites it:\n"
                                  << diff;
    }
}

INSTANTIATE_TEST_SUITE_P(Sessions, GoldenReplay, ::testing::ValuesIn(session_names()),
                         [](const ::testing::TestParamInfo<std::string>& row) {
                             return row.param;
                         });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(GoldenReplay);

TEST(ReplayData, HoldsAFewSessionsEachWithEveryGolden) {
    const std::vector<std::string> names = session_names();
    EXPECT_GE(names.size(), 3u) << "in " << REPLAY_DIR;
    for (const std::string& name : names) {
        const Session s = load(name);
        EXPECT_GE(s.events.size(), 20u) << name;
        EXPECT_LE(s.events.size(), 200u) << name << ": keep sessions short";
        for (const Golden& g : GOLDENS) {
            EXPECT_TRUE(fs::exists(REPLAY_DIR / (name + "." + g.kind + ".txt")))
                << name << " has no " << g.kind << " golden";
        }
    }
}

TEST(Replay, GivesTheSameOutputEveryTime) {
    const std::vector<std::string> names = session_names();
    ASSERT_FALSE(names.empty());
    const Session s = load(names.front());
    const ReplayOutput first = replay_session(s);
    const ReplayOutput second = replay_session(s);
    ASSERT_EQ(first.problem, "");
    EXPECT_EQ(first.vehicle, second.vehicle);
    EXPECT_EQ(first.status_log, second.status_log);
    EXPECT_EQ(first.nav_log, second.nav_log);
    EXPECT_EQ(first.stdout_text, second.stdout_text);
    EXPECT_EQ(first.screen, second.screen);
}

std::vector<uint8_t> status_record(float latitude) {
    VehicleStatus status{latitude, -1.75f, 90.0f, 25.0f, 12.5f, 24.0f, 30.0f, 2, 0};
    SmacHeader header{};
    uint8_t out[SMAC_STATUS_RECORD_SIZE];
    uint32_t size = 0;
    EXPECT_EQ(smac_build_status(&header, &status, {1672563907, 0}, out, &size), SMAC_BUILT);
    return {out, out + size};
}

TEST(Replay, FeedsBothLinksAtTheirTimesAndRecordsWhatTheStationDid) {
    const std::vector<uint8_t> status = status_record(50.5f);
    Session s;
    ASSERT_EQ(
        parse_session("start 1672563907000\n"
                      "0 click connect_winfrog\n"
                      "0 click connect_auv\n"
                      "0 field 1018 0\n"
                      "0 click toggle_relay\n"
                      "400 usbl $NVPOS,093005.25,4542.3456,S,00330.0000,W,1,2,3,4,5,12.5\\r\\n\n"
                      "400 vehicle " +
                          nerivo::sim::hex_bytes(status.data(), 40) +
                          "\n"
                          "500 tick\n"
                          "700 vehicle " +
                          nerivo::sim::hex_bytes(status.data() + 40, 28) +
                          "\n"
                          "1000 tick\n"
                          "1200 click request_status\n",
                      s),
        "");
    const ReplayOutput out = replay_session(s);
    ASSERT_EQ(out.problem, "");
    // 40 bytes are too few to read; all 68 are read at the next tick.
    EXPECT_NE(out.screen.find("1000 Latitude \"50.500000\""), std::string::npos) << out.screen;
    EXPECT_EQ(out.screen.find("\n500 "), std::string::npos) << out.screen;
    EXPECT_EQ(out.nav_log, "09:30:5.250   LT:-45.70576   LG:-3.50000   SL:12.50\n");
    const std::vector<std::string> vehicle = split_lines(out.vehicle);
    ASSERT_EQ(vehicle.size(), 3u) << out.vehicle;
    EXPECT_EQ(vehicle[0].rfind("nav      ts=1672563907.500 t=34205.250 lat=-45.7057610", 0), 0u)
        << vehicle[0];
    EXPECT_EQ(vehicle[1], "Done     : 44 6f 6e 65 00");
    EXPECT_EQ(vehicle[2].rfind("command  ts=1672563908.200 param=0 : 01 00 00 00 01 00 00 00", 0),
              0u)
        << vehicle[2];
    EXPECT_NE(out.status_log.find("[000 09:05:08] Requesting status from AUV\n"), std::string::npos)
        << out.status_log;
    EXPECT_NE(out.stdout_text.find("packet_size = 48\n"), std::string::npos);
}

TEST(Replay, NamesTheLineOfAnEventItCannotPlay) {
    for (const char* bad :
         {"5 click launch_torpedo\n", "5 click abort_mission\n", "5 click toggle_relay yes\n",
          "5 field 4242 x\n", "5 field 99999999999 x\n"}) {
        Session s;
        ASSERT_EQ(parse_session(std::string("start 0\n0 tick\n") + bad, s), "");
        const ReplayOutput out = replay_session(s);
        EXPECT_EQ(out.problem.rfind("line 3: ", 0), 0u) << bad << " gave: " << out.problem;
    }
}

struct ListingCase {
    const char* name;
    std::vector<uint8_t> bytes;
    std::vector<std::string> holds; // what each line of the listing holds
};

void PrintTo(const ListingCase& c, std::ostream* os) {
    *os << c.name;
}

std::vector<uint8_t> nav_record() {
    const NavFix fix{34205.25f, -45.705761f, -3.5f, 12.5f};
    SmacHeader header{};
    uint8_t out[SMAC_NAV_RECORD_SIZE];
    uint32_t size = 0;
    ::testing::internal::CaptureStdout();
    smac_encode_nav(&header, &fix, out, &size);
    ::testing::internal::GetCapturedStdout();
    return {out, out + size};
}

std::vector<uint8_t> operator+(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const std::vector<uint8_t> DONE_BYTES{'D', 'o', 'n', 'e', 0};

std::vector<uint8_t> damaged(std::vector<uint8_t> bytes, std::size_t at) {
    bytes[at] ^= 0x40;
    return bytes;
}

std::vector<uint8_t> first(std::vector<uint8_t> bytes, std::size_t count) {
    bytes.resize(count);
    return bytes;
}

class VehicleListing : public ::testing::TestWithParam<ListingCase> {};

TEST_P(VehicleListing, PutsEachRecordAndEachDoneOnALineOfItsOwn) {
    const std::vector<std::string> lines = split_lines(vehicle_listing(GetParam().bytes));
    ASSERT_EQ(lines.size(), GetParam().holds.size()) << vehicle_listing(GetParam().bytes);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_NE(lines[i].find(GetParam().holds[i]), std::string::npos) << lines[i];
    }
}

INSTANTIATE_TEST_SUITE_P(
    Streams, VehicleListing,
    ::testing::Values(
        ListingCase{"nav_and_done",
                    nav_record() + DONE_BYTES,
                    {"nav      ts=", "Done     : 44 6f 6e 65 00"}},
        ListingCase{"fields_of_a_nav_record",
                    nav_record(),
                    {" t=34205.250 lat=-45.7057610 lon=-3.5000000 sl=12.50 : 01 00 00 00 10"}},
        ListingCase{
            "status_record", status_record(1.0f), {" type=1 size=36 : 01 00 00 00 24 00 00 00"}},
        ListingCase{"loose_bytes_between",
                    std::vector<uint8_t>{1, 2} + nav_record() + std::vector<uint8_t>{'D', 'o'},
                    {"bytes    : 01 02", "nav ", "bytes    : 44 6f"}},
        ListingCase{"bad_trailer_is_shown", damaged(nav_record(), 40), {"sl=12.50 BAD TRAILER : "}},
        ListingCase{"bad_header_is_loose_bytes",
                    damaged(nav_record(), 26),
                    {"bytes    : 01 00 00 00 10 00 00 00"}},
        ListingCase{"cut_short_is_loose_bytes", first(nav_record(), 30), {"bytes    : 01 00"}},
        ListingCase{"nothing", {}, {}}),
    [](const ::testing::TestParamInfo<ListingCase>& row) { return std::string(row.param.name); });

struct DiffCase {
    const char* name;
    std::vector<std::string> expected, actual;
    std::string diff;
};

void PrintTo(const DiffCase& c, std::ostream* os) {
    *os << c.name;
}

class TextDiff : public ::testing::TestWithParam<DiffCase> {};

TEST_P(TextDiff, ShowsTheChangeAsAUnifiedDiff) {
    EXPECT_EQ(unified_diff(GetParam().expected, GetParam().actual, "a", "b"), GetParam().diff);
}

const std::vector<std::string> TEN{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"};

std::vector<std::string> with(std::vector<std::string> lines, std::size_t at, const char* text) {
    lines[at] = text;
    return lines;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextDiff,
    ::testing::Values(
        DiffCase{"same", TEN, TEN, ""},
        DiffCase{"one_changed_in_the_middle", TEN, with(TEN, 4, "five"),
                 "--- a\n+++ b\n@@ -2,7 +2,7 @@\n 2\n 3\n 4\n-5\n+five\n 6\n 7\n 8\n"},
        DiffCase{"added_at_the_end",
                 {"x", "y"},
                 {"x", "y", "z"},
                 "--- a\n+++ b\n@@ -1,2 +1,3 @@\n x\n y\n+z\n"},
        DiffCase{"all_gone", {"x"}, {}, "--- a\n+++ b\n@@ -1 +0,0 @@\n-x\n"},
        DiffCase{"from_nothing", {}, {"x"}, "--- a\n+++ b\n@@ -0,0 +1 @@\n+x\n"},
        DiffCase{"changes_far_apart_make_two_hunks", TEN, with(with(TEN, 0, "one"), 9, "ten"),
                 "--- a\n+++ b\n@@ -1,4 +1,4 @@\n-1\n+one\n 2\n 3\n 4\n"
                 "@@ -7,4 +7,4 @@\n 7\n 8\n 9\n-10\n+ten\n"},
        DiffCase{
            "changes_close_together_share_a_hunk", TEN, with(with(TEN, 2, "c"), 7, "h"),
            "--- a\n+++ b\n@@ -1,10 +1,10 @@\n 1\n 2\n-3\n+c\n 4\n 5\n 6\n 7\n-8\n+h\n 9\n 10\n"}),
    [](const ::testing::TestParamInfo<DiffCase>& row) { return std::string(row.param.name); });

TEST(TextDiff, SplitsTextIntoLinesWithOrWithoutAFinalLineEnd) {
    EXPECT_EQ(split_lines("a\nb\n"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(split_lines("a\n\nb"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_TRUE(split_lines("").empty());
}

} // namespace
