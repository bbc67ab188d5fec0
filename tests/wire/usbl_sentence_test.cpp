#include "usbl_sentence.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using nerivo::scan_usbl_sentence;
using nerivo::UsblSentence;

int scan(const std::string& text, UsblSentence* out) {
    // An exactly sized heap copy: any read past the bytes trips the address sanitizer.
    const std::vector<uint8_t> bytes(text.begin(), text.end());
    return scan_usbl_sentence(bytes.data(), bytes.size(), out);
}

const std::string EXAMPLE =
    "$NVUSB,093005.25,4542.3456,S,00330.0000,W,1.5,-2.25,3e2,0.0,7,12.5\r\n";

TEST(UsblSentence, ExampleFillsEveryField) {
    UsblSentence s;
    ASSERT_EQ(scan(EXAMPLE, &s), 16);
    EXPECT_STREQ(s.tag, "$NVUSB");
    EXPECT_EQ(s.hours, 9);
    EXPECT_EQ(s.minutes, 30);
    EXPECT_FLOAT_EQ(s.seconds, 5.25f);
    EXPECT_EQ(s.lat_degrees, 45);
    EXPECT_EQ(s.lat_minutes, 42.3456f);
    EXPECT_EQ(s.lat_hemisphere, 'S');
    EXPECT_EQ(s.lon_degrees, 3);
    EXPECT_EQ(s.lon_minutes, 30.0f);
    EXPECT_EQ(s.lon_hemisphere, 'W');
    EXPECT_EQ(s.unused[0], 1.5f);
    EXPECT_EQ(s.unused[1], -2.25f);
    EXPECT_EQ(s.unused[2], 300.0f);
    EXPECT_EQ(s.unused[4], 7.0f);
    EXPECT_EQ(s.sl, 12.5f);
}

struct ScanCase {
    const char* what;
    std::string text;
    int conversions;
};

class SentenceVariants : public ::testing::TestWithParam<ScanCase> {};

TEST_P(SentenceVariants, FillAsFormattedScanningDoes) {
    const ScanCase& c = GetParam();
    UsblSentence s;
    EXPECT_EQ(scan(c.text, &s), c.conversions) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Station, SentenceVariants,
    ::testing::Values(
        ScanCase{"line ends and blanks before the tag are skipped", "\r\n \t" + EXAMPLE, 16},
        ScanCase{"blanks before a number are skipped",
                 "$NVUSB, 093005.25, 4542.3456,S, 00330.0000,W, 1, 2, 3, 4, 5, 12.5", 16},
        ScanCase{"blank before a comma stops the scan",
                 "$NVUSB ,093005.25,4542.3456,S,00330.0000,W,1,2,3,4,5,12.5", 1},
        ScanCase{"the hemisphere is the character right after its comma",
                 "$NVUSB,093005.25,4542.3456, S,00330.0000,W,1,2,3,4,5,12.5", 7},
        ScanCase{"a five-character tag takes its comma with it",
                 "$NVUS,093005.25,4542.3456,S,00330.0000,W,1,2,3,4,5,12.5", 1},
        ScanCase{"a seven-character tag leaves a character before the comma",
                 "$NVUSBX,093005.25,4542.3456,S,00330.0000,W,1,2,3,4,5,12.5", 1},
        ScanCase{"last number missing", "$NVUSB,093005.25,4542.3456,S,00330.0000,W,1,2,3,4,5,", 15},
        // The tag takes "3456,S", then the longitude reads as a time until "W" stops it.
        ScanCase{"read that starts inside a sentence", "3456,S,00330.0000,W,1,2,3,4,5,12.5", 4},
        ScanCase{"letters where the time should be", "$NVUSB,ab3005.25", 1},
        ScanCase{"empty text", "", 0}, ScanCase{"blanks only", " \r\n", 0},
        ScanCase{"zero byte ends the text",
                 std::string("$NVUSB,0930\0"
                             "05.25,4542.3456",
                             27),
                 3}));

TEST(UsblSentence, OnlyTheFirstOfTwoSentencesIsScanned) {
    UsblSentence s;
    ASSERT_EQ(scan(EXAMPLE + "$NVUSB,101010.00,1111.0000,N,02222.0000,E,1,2,3,4,5,99\r\n", &s), 16);
    EXPECT_EQ(s.hours, 9);
    EXPECT_EQ(s.sl, 12.5f);
}

TEST(UsblSentence, DigitGroupsAreCutByWidthNotByMeaning) {
    // Five time digits: the widths split them 93|00 and the seconds take the rest.
    UsblSentence s;
    ASSERT_EQ(scan("$NVUSB,93005.25,4542.3456,N,12330.5,E,1,2,3,4,5,6", &s), 16);
    EXPECT_EQ(s.hours, 93);
    EXPECT_EQ(s.minutes, 0);
    EXPECT_FLOAT_EQ(s.seconds, 5.25f);
    EXPECT_EQ(s.lon_degrees, 123);
    EXPECT_FLOAT_EQ(s.lon_minutes, 30.5f);
}

TEST(UsblSentence, NullArgumentsFillNothing) {
    UsblSentence s;
    EXPECT_EQ(scan_usbl_sentence(nullptr, 10, &s), 0);
    const uint8_t byte = 'x';
    EXPECT_EQ(scan_usbl_sentence(&byte, 1, nullptr), 0);
}

} // namespace
