#include "c_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using nerivo::c_format;
using nerivo::decimal_value;

struct DecimalCase {
    std::string text;
    int32_t value;
};

class DecimalText : public ::testing::TestWithParam<DecimalCase> {};

TEST_P(DecimalText, ReadsAsAtoiDoes) {
    EXPECT_EQ(decimal_value(GetParam().text), GetParam().value) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(Station, DecimalText,
                         ::testing::Values(DecimalCase{"5", 5}, DecimalCase{"", 0},
                                           DecimalCase{"abc", 0}, DecimalCase{"  \t\r\n\v\f42", 42},
                                           DecimalCase{"12abc", 12}, DecimalCase{"-7", -7},
                                           DecimalCase{"+9", 9}, DecimalCase{"- 9", 0},
                                           DecimalCase{"007", 7}, DecimalCase{"1 2", 1},
                                           DecimalCase{"2147483647", 2147483647},
                                           DecimalCase{"99999999999999999999", 2147483647},
                                           DecimalCase{"-2147483648", -2147483647 - 1},
                                           DecimalCase{"-99999999999", -2147483647 - 1}));

TEST(CFormat, FormatsAsPrintfDoes) {
    EXPECT_EQ(c_format("%02d:%02d:%.3f", 9, 30, 5.25), "09:30:5.250");
    EXPECT_EQ(c_format("%.6f", 270.25), "270.250000");
    EXPECT_EQ(c_format("%s", ""), "");
}

TEST(CFormat, LongTextIsNeverCut) {
    EXPECT_EQ(c_format("%.2f", 1e38), "99999999999999997748809823456034029568.00");
}

} // namespace
