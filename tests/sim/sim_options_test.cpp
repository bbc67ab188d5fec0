#include "sim_options.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

using nerivo::sim::parse_sim_options;
using nerivo::sim::resolve_com_dir;
using nerivo::sim::SimOptions;

TEST(SimOptions, DefaultsAreTheStationsOwnPorts) {
    SimOptions o;
    ASSERT_EQ(parse_sim_options({}, o), "");
    EXPECT_EQ(o.usbl_port, 1);
    EXPECT_EQ(o.vehicle_port, 5);
    EXPECT_EQ(o.usbl_period_s, 1.0);
    EXPECT_EQ(o.status_period_s, 0.0);
    EXPECT_EQ(o.duration_s, 0.0);
    EXPECT_FALSE(o.faults.split_writes);
    EXPECT_EQ(o.faults.bad_header_every, 0u);
    EXPECT_EQ(o.faults.repeat_fix_every, 0u);
    EXPECT_TRUE(o.capture_path.empty());
}

TEST(SimOptions, ReadsEveryOptionInBothSpellings) {
    SimOptions o;
    ASSERT_EQ(parse_sim_options({"--com-dir",
                                 "/tmp/x",
                                 "--usbl-port=2",
                                 "--vehicle-port",
                                 "7",
                                 "--usbl-period",
                                 "0.5",
                                 "--status-period=2",
                                 "--nav-drift",
                                 "0.2",
                                 "--origin",
                                 "-45.5,170.25",
                                 "--leg-length",
                                 "250",
                                 "--leg-spacing",
                                 "30",
                                 "--speed",
                                 "2.5",
                                 "--seed",
                                 "42",
                                 "--duration",
                                 "3.5",
                                 "--stop-on-stdin-eof",
                                 "--bad-header-every",
                                 "3",
                                 "--bad-trailer-every",
                                 "4",
                                 "--garbage-every",
                                 "5",
                                 "--split-writes",
                                 "--bad-sentence-every",
                                 "6",
                                 "--repeat-fix-every",
                                 "7",
                                 "--capture=/tmp/run.session",
                                 "--quiet"},
                                o),
              "");
    EXPECT_EQ(o.com_dir, "/tmp/x");
    EXPECT_EQ(o.usbl_port, 2);
    EXPECT_EQ(o.vehicle_port, 7);
    EXPECT_EQ(o.usbl_period_s, 0.5);
    EXPECT_EQ(o.status_period_s, 2.0);
    EXPECT_EQ(o.nav_drift_mps, 0.2);
    EXPECT_EQ(o.track.origin_latitude, -45.5);
    EXPECT_EQ(o.track.origin_longitude, 170.25);
    EXPECT_EQ(o.track.leg_length_m, 250.0);
    EXPECT_EQ(o.track.leg_spacing_m, 30.0);
    EXPECT_EQ(o.track.speed_mps, 2.5);
    EXPECT_EQ(o.seed, 42u);
    EXPECT_EQ(o.duration_s, 3.5);
    EXPECT_TRUE(o.stop_on_stdin_eof);
    EXPECT_EQ(o.faults.bad_header_every, 3u);
    EXPECT_EQ(o.faults.bad_trailer_every, 4u);
    EXPECT_EQ(o.faults.garbage_every, 5u);
    EXPECT_TRUE(o.faults.split_writes);
    EXPECT_EQ(o.faults.bad_sentence_every, 6u);
    EXPECT_EQ(o.faults.repeat_fix_every, 7u);
    EXPECT_EQ(o.capture_path, "/tmp/run.session");
    EXPECT_TRUE(o.quiet);
    EXPECT_FALSE(o.help);
}

struct BadArgs {
    std::vector<std::string> args;
    const char* complaint;
};

class SimOptionsRejects : public ::testing::TestWithParam<BadArgs> {};

TEST_P(SimOptionsRejects, NamesWhatIsWrong) {
    SimOptions o;
    const std::string problem = parse_sim_options(GetParam().args, o);
    EXPECT_NE(problem.find(GetParam().complaint), std::string::npos) << problem;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SimOptionsRejects,
    ::testing::Values(BadArgs{{"--frobnicate"}, "unknown option --frobnicate"},
                      BadArgs{{"--usbl-port"}, "--usbl-port wants a value"},
                      BadArgs{{"--usbl-port", "0"}, "--usbl-port wants a whole number"},
                      BadArgs{{"--vehicle-port", "5x"}, "--vehicle-port wants a whole number"},
                      BadArgs{{"--usbl-port", "5"}, "must differ"},
                      BadArgs{{"--usbl-period", "0"}, "--usbl-period wants a number"},
                      BadArgs{{"--usbl-period", "nan"}, "--usbl-period wants a number"},
                      BadArgs{{"--status-period", "-1"}, "--status-period wants a number"},
                      BadArgs{{"--nav-drift", "6"}, "--nav-drift wants a number from 0 up to 5"},
                      BadArgs{{"--duration", "0"}, "--duration wants a number above 0"},
                      BadArgs{{"--origin", "50.5"}, "--origin wants LAT,LON"},
                      BadArgs{{"--origin", "91,0"}, "--origin wants LAT,LON"},
                      BadArgs{{"--seed", "-3"}, "--seed wants a whole number"},
                      BadArgs{{"--garbage-every", "1.5"}, "--garbage-every wants a whole number"},
                      BadArgs{{"--quiet=yes"}, "--quiet takes no value"},
                      BadArgs{{"--com-dir="}, "--com-dir wants a folder"},
                      BadArgs{{"--capture"}, "--capture wants a value"},
                      BadArgs{{"--capture="}, "--capture wants a file"},
                      BadArgs{{"--repeat-fix-every", "-1"},
                              "--repeat-fix-every wants a whole number"}));

// Forms the parser reads its own way: what follows a name is its value, "=" with nothing
// after it is an empty value, a flag takes no value, and the first mistake is the one named.
INSTANTIATE_TEST_SUITE_P(
    Forms, SimOptionsRejects,
    ::testing::Values(BadArgs{{"--quiet=true"}, "--quiet takes no value"},
                      BadArgs{{"--com-dir=", "/tmp/x"}, "--com-dir wants a folder"},
                      BadArgs{{"-hx"}, "unknown option -hx"},
                      BadArgs{{"--", "--quiet"}, "unknown option --"},
                      BadArgs{{"--help", "--frob"}, "unknown option --frob"},
                      BadArgs{{"--frob", "--usbl-port", "0"}, "unknown option --frob"},
                      BadArgs{{"--usbl-port", "0", "--usbl-port", "2"},
                              "--usbl-port wants a whole number"}));

TEST(SimOptions, TakesAnyWordAfterANameAsItsValueAndTheLastOfARepeat) {
    SimOptions o;
    ASSERT_EQ(parse_sim_options(
                  {"--com-dir", "-h", "--seed", "1", "--quiet", "--seed", "2", "--quiet"}, o),
              "");
    EXPECT_EQ(o.com_dir, "-h");
    EXPECT_FALSE(o.help);
    EXPECT_EQ(o.seed, 2u);
    EXPECT_TRUE(o.quiet);
}

TEST(SimOptions, FolderComesFromTheOptionThenTheEnvironment) {
    const char* saved = std::getenv("NERIVO_COM_DIR");
    const std::string previous = saved != nullptr ? saved : "";
    SimOptions o;
    setenv("NERIVO_COM_DIR", "/tmp/from-env", 1);
    EXPECT_EQ(resolve_com_dir(o), "/tmp/from-env");
    o.com_dir = "/tmp/from-option";
    EXPECT_EQ(resolve_com_dir(o), "/tmp/from-option");
    unsetenv("NERIVO_COM_DIR");
    o.com_dir.clear();
    EXPECT_EQ(resolve_com_dir(o), nerivo::sim::DEFAULT_COM_DIR);
    if (saved != nullptr) {
        setenv("NERIVO_COM_DIR", previous.c_str(), 1);
    }
}

} // namespace
