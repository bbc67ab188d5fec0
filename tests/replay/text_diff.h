#pragma once

// A small line diff, so a golden that no longer matches shows as a readable unified diff in
// the test's failure message.

#include <string>
#include <vector>

namespace nerivo::testing {

std::vector<std::string> split_lines(const std::string& text);

// The unified diff (three lines of context) that turns `expected` into `actual`, headed
// "--- expected_name" and "+++ actual_name"; empty when they are the same.
std::string unified_diff(const std::vector<std::string>& expected,
                         const std::vector<std::string>& actual, const std::string& expected_name,
                         const std::string& actual_name, int context = 3);

} // namespace nerivo::testing
