#include "session_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace nerivo::sim;
using Bytes = std::vector<uint8_t>;

TEST(SessionFile, ReadsEveryKindOfEvent) {
    Session s;
    ASSERT_EQ(parse_session("# a capture\n"
                            "\n"
                            "start 1700000000250\n"
                            "0 click connect_winfrog\n"
                            "0 field 1018 12 s\n"
                            "5 field 1016\n"
                            "1000 usbl $NV,1\\r\\n\n"
                            "1000 vehicle 01 0a FF\n"
                            "1000 vehicle 0102\r\n"
                            "1250 tick\n"
                            "1300 click abort_mission yes\n",
                            s),
              "");
    EXPECT_EQ(s.start_ms, 1'700'000'000'250);
    ASSERT_EQ(s.events.size(), 8u);
    EXPECT_EQ(s.events[0].kind, SessionEventKind::CLICK);
    EXPECT_EQ(s.events[0].words, (std::vector<std::string>{"connect_winfrog"}));
    EXPECT_EQ(s.events[0].line, 4);
    EXPECT_EQ(s.events[1].kind, SessionEventKind::FIELD);
    EXPECT_EQ(s.events[1].words, (std::vector<std::string>{"1018"}));
    EXPECT_EQ(s.events[1].text, "12 s");
    EXPECT_EQ(s.events[2].text, "") << "a field may be emptied";
    EXPECT_EQ(s.events[3].kind, SessionEventKind::USBL);
    EXPECT_EQ(s.events[3].time_ms, 1000);
    EXPECT_EQ(s.events[3].bytes, (Bytes{'$', 'N', 'V', ',', '1', '\r', '\n'}));
    EXPECT_EQ(s.events[4].bytes, (Bytes{0x01, 0x0a, 0xff}));
    EXPECT_EQ(s.events[5].bytes, (Bytes{0x01, 0x02})) << "blanks between bytes are optional";
    EXPECT_EQ(s.events[6].kind, SessionEventKind::TICK);
    EXPECT_EQ(s.events[7].words, (std::vector<std::string>{"abort_mission", "yes"}));
}

TEST(SessionFile, EveryEventSurvivesWritingAndReadingBack) {
    Bytes all_bytes;
    for (int b = 0; b < 256; ++b) {
        all_bytes.push_back(static_cast<uint8_t>(b));
    }
    std::vector<SessionEvent> events(5);
    events[0].kind = SessionEventKind::USBL;
    events[0].bytes = all_bytes;
    events[1].kind = SessionEventKind::USBL;
    events[1].bytes = {' ', 'a', ' ', ' '}; // blanks at the ends must not be lost
    events[2].kind = SessionEventKind::VEHICLE;
    events[2].bytes = all_bytes;
    events[3].kind = SessionEventKind::FIELD;
    events[3].words = {"1018"};
    events[3].text = " 7\\x";
    events[4].kind = SessionEventKind::CLICK;
    events[4].words = {"start_survey", "no"};
    std::string text = "start 5\n";
    for (std::size_t i = 0; i < events.size(); ++i) {
        events[i].time_ms = static_cast<int64_t>(i) * 10;
        text += format_session_event(events[i]) + "\n";
    }
    Session back;
    ASSERT_EQ(parse_session(text, back), "") << text;
    ASSERT_EQ(back.events.size(), events.size());
    for (std::size_t i = 0; i < events.size(); ++i) {
        EXPECT_EQ(back.events[i].kind, events[i].kind) << i;
        EXPECT_EQ(back.events[i].time_ms, events[i].time_ms) << i;
        EXPECT_EQ(back.events[i].bytes, events[i].bytes) << i;
        EXPECT_EQ(back.events[i].words, events[i].words) << i;
        EXPECT_EQ(back.events[i].text, events[i].text) << i;
    }
    EXPECT_EQ(format_session_event(back.events[2]).substr(0, 21), "20 vehicle 00 01 02 0");
    EXPECT_EQ(escape_session_text(reinterpret_cast<const uint8_t*>("$A,1\r\n"), 6), "$A,1\\r\\n");
}

struct BadSession {
    const char* text;
    const char* complaint;
};

class SessionFileRejects : public ::testing::TestWithParam<BadSession> {};

TEST_P(SessionFileRejects, NamesTheLineAndWhatIsWrong) {
    Session s;
    const std::string problem = parse_session(GetParam().text, s);
    EXPECT_NE(problem.find(GetParam().complaint), std::string::npos) << problem;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SessionFileRejects,
    ::testing::Values(BadSession{"", "no start line"},
                      BadSession{"0 tick\n", "line 1: events come after the start line"},
                      BadSession{"start\n", "line 1: start wants one whole number"},
                      BadSession{"start 1\nstart 2\n", "line 2: a second start"},
                      BadSession{"start 1\n10 tick\n5 tick\n", "line 3: time goes back from 10"},
                      BadSession{"start 1\nsoon tick\n", "line 2: an event starts with its time"},
                      BadSession{"start 1\n-5 tick\n", "line 2: an event starts with its time"},
                      BadSession{"start 1\n0 beep\n", "line 2: unknown event \"beep\""},
                      BadSession{"start 1\n0 tick now\n", "tick takes nothing more"},
                      BadSession{"start 1\n0 usbl\n", "usbl wants some text"},
                      BadSession{"start 1\n0 usbl a\\q\n", "unknown escape \\q"},
                      BadSession{"start 1\n0 usbl a\\x4\n", "\\x wants two hexadecimal digits"},
                      BadSession{"start 1\n0 usbl a\\\n", "a \\ at the end of the line"},
                      BadSession{"start 1\n0 vehicle 0g\n", "not a hexadecimal digit: g"},
                      BadSession{"start 1\n0 vehicle 01 2 03\n", "two hexadecimal digits"},
                      BadSession{"start 1\n0 vehicle 012\n", "two hexadecimal digits"},
                      BadSession{"start 1\n0 vehicle\n", "vehicle wants some bytes"},
                      BadSession{"start 1\n0 click\n", "click wants the name of an operation"},
                      BadSession{"start 1\n0 field x 2\n", "field wants a control id"}));

TEST(SessionWriter, WritesAHeadingAStartAndStampedEventsAndNotes) {
    std::FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    {
        SessionWriter w(f, 1'000'000, "nerivo-sim --seed 3\nsecond line");
        const uint8_t sentence[] = {'$', 'X', '\r', '\n'};
        const uint8_t record[] = {0x01, 0x00, 0xab};
        w.usbl(1'000'100, sentence, sizeof sentence);
        w.note(1'000'104, "vehicle <- command 0 (request status)");
        w.vehicle(1'000'105, record, sizeof record);
    }
    std::rewind(f);
    std::string text;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, f) != nullptr) {
        text += buffer;
    }
    std::fclose(f);
    EXPECT_EQ(text, "# nerivo-sim --seed 3\n"
                    "# second line\n"
                    "start 1000000\n"
                    "100 usbl $X\\r\\n\n"
                    "# 104 vehicle <- command 0 (request status)\n"
                    "105 vehicle 01 00 ab\n");
    Session s;
    EXPECT_EQ(parse_session(text, s), "");
    EXPECT_EQ(s.events.size(), 2u);
}

} // namespace
