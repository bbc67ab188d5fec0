#include "com_port_path.h"

#include <cstdlib>
#include <optional>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "com_dir.h"

namespace {

using nerivo::com_port_path;

struct PathCase {
    int32_t number;
    const char* com_dir;
    std::optional<std::string> expected;
};

void PrintTo(const PathCase& c, std::ostream* out) {
    const char* dir = c.com_dir == nullptr   ? "(unset)"
                      : c.com_dir[0] == '\0' ? "(empty)"
                                             : c.com_dir;
    *out << "COM " << c.number << " in " << dir;
}

class ComPortPathTest : public ::testing::TestWithParam<PathCase> {};

TEST_P(ComPortPathTest, MapsNumberToDevice) {
    const PathCase& c = GetParam();
    EXPECT_EQ(com_port_path(c.number, c.com_dir), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, ComPortPathTest,
    ::testing::Values(
        PathCase{1, nullptr, "/dev/ttyS0"}, PathCase{5, nullptr, "/dev/ttyS4"},
        PathCase{12, nullptr, "/dev/ttyS11"}, PathCase{INT32_MAX, nullptr, "/dev/ttyS2147483646"},
        PathCase{1, "/tmp/links", "/tmp/links/com1"}, PathCase{5, "/tmp/links", "/tmp/links/com5"},
        PathCase{10, "rel", "rel/com10"}, PathCase{5, "", "/dev/ttyS4"},
        PathCase{0, nullptr, std::nullopt}, PathCase{0, "/tmp/links", std::nullopt},
        PathCase{-1, nullptr, std::nullopt}, PathCase{INT32_MIN, "/tmp/links", std::nullopt}));

// Clears NERIVO_COM_DIR for the test and restores it after.
class ScopedNoComDir {
public:
    ScopedNoComDir() {
        if (const char* value = std::getenv("NERIVO_COM_DIR")) {
            previous_ = value;
        }
        unsetenv("NERIVO_COM_DIR");
    }
    ~ScopedNoComDir() {
        if (previous_) {
            setenv("NERIVO_COM_DIR", previous_->c_str(), 1);
        }
    }

private:
    std::optional<std::string> previous_;
};

TEST(ComPortPathFromEnvironment, UsesComDirWhenSetAndSerialPortsOtherwise) {
    ScopedNoComDir unset;
    EXPECT_EQ(com_port_path(3), "/dev/ttyS2");
    EXPECT_EQ(nerivo::com_dir_from_environment(), "");
    {
        nerivo::testing::ComDir dir;
        EXPECT_EQ(nerivo::com_dir_from_environment(), dir.path());
        EXPECT_EQ(com_port_path(3), dir.path() + "/com3");
        EXPECT_EQ(com_port_path(0), std::nullopt);
    }
    EXPECT_EQ(com_port_path(3), "/dev/ttyS2");
    // Set but empty is no folder at all, for the station and the simulator alike.
    setenv("NERIVO_COM_DIR", "", 1);
    EXPECT_EQ(nerivo::com_dir_from_environment(), "");
    EXPECT_EQ(com_port_path(3), "/dev/ttyS2");
    unsetenv("NERIVO_COM_DIR");
}

} // namespace
