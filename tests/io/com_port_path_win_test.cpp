#include "com_port_path.h"

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include <gtest/gtest.h>

namespace {

using nerivo::com_port_path;

TEST(ComPortPathOnWindows, NamesTheDeviceWhateverTheComFolder) {
    struct Row {
        int32_t number;
        const char* com_dir;
        std::optional<std::string> expected;
    };
    const Row rows[] = {
        {1, nullptr, "\\\\.\\COM1"},        {5, "C:\\links", "\\\\.\\COM5"},
        {12, "", "\\\\.\\COM12"},           {INT32_MAX, nullptr, "\\\\.\\COM2147483647"},
        {0, nullptr, std::nullopt},         {-1, "C:\\links", std::nullopt},
        {INT32_MIN, nullptr, std::nullopt},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(com_port_path(row.number, row.com_dir), row.expected) << row.number;
    }
}

TEST(ComPortPathOnWindows, FolderVariableChangesNothing) {
    _putenv_s(nerivo::COM_DIR_VARIABLE, "C:\\links");
    EXPECT_EQ(nerivo::com_dir_from_environment(), "C:\\links");
    EXPECT_EQ(com_port_path(3), "\\\\.\\COM3");
    _putenv_s(nerivo::COM_DIR_VARIABLE, "");
    EXPECT_EQ(com_port_path(3), "\\\\.\\COM3");
    // The folder's link names are plain strings, for tools that publish links.
    EXPECT_EQ(nerivo::com_link_path("links", 7), "links/com7");
}

} // namespace
