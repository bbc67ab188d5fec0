#include "c_text.h"
#include "linked_station.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

namespace {

using nerivo::testing::LinkedStation;
using nerivo::testing::nav_records_in;
using nerivo::testing::SentNav;
using namespace nerivo;

// Whatever reached the vehicle end by now, as nav records.
std::vector<SentNav> sent(LinkedStation& s) {
    return nav_records_in(s.vehicle.drain(20));
}

// Sends a sentence at a new position on every call, ticks, and gives what went out.
class NewFixes {
public:
    explicit NewFixes(LinkedStation& s) : s_(s) {}
    std::vector<SentNav> next() {
        minutes_ += 0.01;
        s_.usbl_sends(LinkedStation::sentence(50, minutes_, 'N', 1, 45.5, 'W'));
        s_.station.on_tick();
        return sent(s_);
    }

private:
    LinkedStation& s_;
    double minutes_ = 10.0;
};

const std::string EXAMPLE = "$NVPOS,093005.25,4542.3456,S,00330.0000,W,25.0,221.7,264.3,1.09,"
                            "0.36,12.5\r\n";

TEST(NavRelay, ExampleSentenceGoesOutAsTheExactRecordThenDone) {
    LinkedStation s;
    s.start_relay(5);
    s.clock.advance_ms(5);
    s.usbl_sends(EXAMPLE);
    s.station.on_tick();

    const std::vector<uint8_t> wire = s.vehicle.read(53);
    ASSERT_EQ(wire.size(), 53u);
    SmacHeader header;
    smac_read_header(wire.data(), &header);
    EXPECT_EQ(header.version, 1u);
    EXPECT_EQ(header.rec_size, 16u);
    EXPECT_EQ(header.timestamp[0], static_cast<uint32_t>(s.clock.now().seconds));
    EXPECT_EQ(header.timestamp[1], 5u);
    EXPECT_EQ(header.rec_type, 0u);
    EXPECT_EQ(header.param, 0u);
    EXPECT_EQ(header.checksum, smac_checksum(wire.data(), 24));
    EXPECT_EQ(smac_get_u32(wire.data() + 44), smac_checksum(wire.data(), 44));
    NavFix fix;
    smac_read_nav_payload(wire.data() + 28, &fix);
    EXPECT_EQ(fix.time_of_day, 34205.25f);
    EXPECT_EQ(fix.latitude, 0.0f - static_cast<float>(45 + 42.3456f / 60.0));
    EXPECT_NEAR(fix.latitude, -45.705761, 1e-6);
    EXPECT_EQ(fix.longitude, -3.5f);
    EXPECT_EQ(fix.sl, 12.5f);
    EXPECT_EQ(std::vector<uint8_t>(wire.begin() + 48, wire.end()),
              std::vector<uint8_t>({0x44, 0x6F, 0x6E, 0x65, 0x00}));

    EXPECT_EQ(s.view.nav_lines(),
              std::vector<std::string>{"09:30:5.250   LT:-45.70576   LG:-3.50000   SL:12.50"});
    // The record dumped is the record sent.
    EXPECT_EQ(s.dump.text(), smac_dump_text(wire.data(), 48));
}

TEST(NavRelay, SameDegreesAndMinutesAreNotSentAgain) {
    LinkedStation s;
    s.start_relay(0);
    s.usbl_sends(LinkedStation::sentence(50, 30.1234, 'N', 1, 45.5, 'W', "120000.00"));
    s.station.on_tick();
    ASSERT_EQ(sent(s).size(), 1u);
    // Other time, last number and hemisphere letters: still the same position.
    for (const auto& repeat :
         {LinkedStation::sentence(50, 30.1234, 'N', 1, 45.5, 'W', "120005.00", 99.0),
          LinkedStation::sentence(50, 30.1234, 'S', 1, 45.5, 'E', "120010.00")}) {
        s.usbl_sends(repeat);
        s.station.on_tick();
        EXPECT_TRUE(sent(s).empty());
    }
    EXPECT_EQ(s.view.nav_lines().size(), 1u);
    EXPECT_EQ(s.dump.text().find("packet_size", 1), std::string::npos) << "one record dumped";
}

TEST(NavRelay, PositionZeroBeforeAnythingWasSentCountsAsARepeat) {
    LinkedStation s;
    s.start_relay(0);
    s.usbl_sends(LinkedStation::sentence(0, 0.0, 'N', 0, 0.0, 'E'));
    s.station.on_tick();
    EXPECT_TRUE(sent(s).empty());
    EXPECT_TRUE(s.view.nav_lines().empty());
}

TEST(NavRelay, PeriodHoldsWhateverIsDoneToTheWallClock) {
    for (const int64_t step : {int64_t{0}, int64_t{-3600}, int64_t{3600}}) {
        LinkedStation s;
        s.start_relay(5);
        NewFixes fixes(s);
        EXPECT_EQ(fixes.next().size(), 1u) << step;
        s.clock.advance_ms(4999);
        s.clock.step_wall_seconds(step); // an NTP step, a GPS time source, an operator
        EXPECT_EQ(fixes.next().size(), 0u) << step;
        s.clock.advance_ms(1);
        const auto records = fixes.next();
        ASSERT_EQ(records.size(), 1u) << step;
        // The record is still stamped with the wall clock.
        EXPECT_EQ(records[0].header.timestamp[0], static_cast<uint32_t>(s.clock.now().seconds));
        EXPECT_EQ(fixes.next().size(), 0u) << step;
    }
}

TEST(NavRelay, StopAndStartSendsTheNextNewFixAtOnce) {
    LinkedStation s;
    s.start_relay(60);
    const std::string first = LinkedStation::sentence(50, 10.0, 'N', 1, 45.5, 'W');
    s.usbl_sends(first);
    s.station.on_tick();
    ASSERT_EQ(sent(s).size(), 1u);
    s.station.toggle_relay();
    s.station.toggle_relay();
    s.clock.advance_seconds(1);
    s.usbl_sends(first);
    s.station.on_tick();
    EXPECT_TRUE(sent(s).empty()) << "still a repeat after a restart";
    s.usbl_sends(LinkedStation::sentence(50, 10.5, 'N', 1, 45.5, 'W'));
    s.station.on_tick();
    EXPECT_EQ(sent(s).size(), 1u);
}

TEST(NavRelay, RelayOffSendsNothing) {
    LinkedStation s;
    s.connect_both();
    s.usbl_sends(EXAMPLE);
    s.station.on_tick();
    EXPECT_EQ(s.usbl.pending_at_device(), 0u) << "the sentence was read";
    EXPECT_TRUE(sent(s).empty());
    EXPECT_TRUE(s.view.nav_lines().empty());
    EXPECT_TRUE(s.dump.text().empty());
    EXPECT_EQ(s.status_count(), 3u);
}

// Older whole sentences go unsaid: only the newest position is worth relaying. The start of
// a sentence after them waits for its end.
TEST(NavRelay, SentencesThatCameTogetherGiveTheNewest) {
    LinkedStation s;
    s.start_relay(0);
    const std::string third =
        LinkedStation::sentence(52, 10.0, 'N', 3, 45.5, 'W', "120002.00", 3.0);
    s.usbl_sends(LinkedStation::sentence(50, 10.0, 'N', 1, 45.5, 'W', "120000.00", 1.0) +
                 LinkedStation::sentence(51, 10.0, 'N', 2, 45.5, 'W', "120001.00", 2.0) +
                 third.substr(0, 20));
    s.station.on_tick();
    auto records = sent(s);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].fix.sl, 2.0f);
    s.usbl_sends(third.substr(20));
    s.station.on_tick();
    records = sent(s);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].fix.sl, 3.0f);
    EXPECT_EQ(s.status_count(), 4u) << "nothing said about the sentence passed over";
}

TEST(NavRelay, HemisphereLettersNegate) {
    struct Case {
        char ns, ew;
        bool south, west;
    };
    for (const Case c :
         {Case{'S', 'W', true, true}, Case{'N', 'E', false, false}, Case{'S', 'E', true, false}}) {
        LinkedStation s;
        s.start_relay(0);
        s.usbl_sends(LinkedStation::sentence(10, 30.0, c.ns, 20, 15.0, c.ew));
        s.station.on_tick();
        const auto records = sent(s);
        ASSERT_EQ(records.size(), 1u) << c.ns << c.ew;
        EXPECT_EQ(records[0].fix.latitude, c.south ? -10.5f : 10.5f) << c.ns;
        EXPECT_EQ(records[0].fix.longitude, c.west ? -20.25f : 20.25f) << c.ew;
    }
}

// Each would go out as a position the vehicle cannot be at; a NaN would even go out every
// period, since it never equals the last position sent.
TEST(NavRelay, ImpossiblePositionsAreToldAndNeverSent) {
    struct Case {
        std::string sentence;
        const char* told;
    };
    const auto with = [](const char* time, const char* lat, char ns, const char* lon, char ew,
                         const char* sl = "12.5") {
        return c_format("$NVPOS,%s,%s,%c,%s,%c,25.0,221.7,264.3,1.09,0.36,%s\r\n", time, lat, ns,
                        lon, ew, sl);
    };
    const Case cases[] = {
        {with("093005.25", "45nan", 'N', "00330.0000", 'W'), "latitude is not a finite number"},
        {with("093005.25", "4542.3456", 'N', "003inf", 'W'), "longitude is not a finite number"},
        {with("093005.25", "4542.3456", 'N', "00330.0000", 'W', "-inf"),
         "SL is not a finite number"},
        {with("0930nan", "4542.3456", 'N', "00330.0000", 'W'), "time is not a finite number"},
        {"$NVPOS,093005.25,4542.3456,N,00330.0000,W,25.0,1e39,264.3,1.09,0.36,12.5\r\n",
         "field 8 is not a finite number"},
        {with("093005.25", "450x1p3", 'N', "00330.0000", 'W'),
         "latitude is written in hexadecimal"},
        {with("093005.25", "9530.0000", 'N', "00330.0000", 'W'), "latitude 95 degrees"},
        {with("093005.25", "9000.0001", 'S', "00330.0000", 'W'), "latitude beyond 90 degrees"},
        {with("093005.25", "4575.0000", 'N', "00330.0000", 'W'), "latitude 75 minutes"},
        {with("093005.25", "4542.3456", 'N', "18500.0000", 'E'), "longitude 185 degrees"},
        {with("093005.25", "4542.3456", 'X', "00330.0000", 'W'), "latitude hemisphere X"},
        {with("093005.25", "4542.3456", 's', "00330.0000", 'W'), "latitude hemisphere s"},
        {with("093005.25", "4542.3456", 'N', "00330.0000", '\x01'),
         "longitude hemisphere byte 0x01"},
        {with("253005.25", "4542.3456", 'N', "00330.0000", 'W'), "time of day 25:30:05.250"},
        {with("097005.25", "4542.3456", 'N', "00330.0000", 'W'), "time of day 09:70:05.250"},
    };
    for (const Case& c : cases) {
        LinkedStation s;
        s.start_relay(0);
        s.usbl_sends(c.sentence);
        s.station.on_tick();
        EXPECT_TRUE(sent(s).empty()) << c.sentence;
        EXPECT_EQ(s.newest_status(), std::string("USBL sentence rejected: ") + c.told);
        EXPECT_EQ(s.status_count(), 5u) << c.sentence;
    }
}

TEST(NavRelay, BrokenSentenceIsLoggedAndChangesNothing) {
    LinkedStation s;
    s.start_relay(5);
    NewFixes fixes(s);
    ASSERT_EQ(fixes.next().size(), 1u);
    s.clock.advance_seconds(1);
    for (const char* broken :
         {"$NVPOS,093005.25,4542.3456,S,00330.0000,W,25.0,221.7\r\n",
          "3456,S,00330.0000,W,25.0,221.7,264.3,1.09,0.36,12.5\r\n", "no sentence at all\n"}) {
        s.usbl_sends(broken);
        s.station.on_tick();
        EXPECT_EQ(s.newest_status(), "received too few tokens in USBL string") << broken;
    }
    EXPECT_TRUE(sent(s).empty());
    // The period still runs from the last record sent.
    s.clock.advance_seconds(3);
    EXPECT_TRUE(fixes.next().empty());
    EXPECT_EQ(s.newest_status(), "received too few tokens in USBL string (repeated 2 times)");
    s.clock.advance_seconds(1);
    EXPECT_EQ(fixes.next().size(), 1u);
}

TEST(NavRelay, SentenceSplitAcrossTwoTicksGoesOutWhole) {
    // Where a tick may fall while a sentence is still arriving on the line.
    const size_t cuts[] = {1,
                           10,
                           40,
                           EXAMPLE.size() - 5 /* inside the last number */,
                           EXAMPLE.size() - 2 /* before the line end */,
                           EXAMPLE.size() - 1 /* between CR and LF */};
    for (const size_t cut : cuts) {
        LinkedStation s;
        s.start_relay(0);
        const std::size_t lines = s.status_count();
        s.usbl_sends(EXAMPLE.substr(0, cut));
        s.station.on_tick();
        s.usbl_sends(EXAMPLE.substr(cut));
        s.station.on_tick();
        const auto records = sent(s);
        ASSERT_EQ(records.size(), 1u) << "cut at " << cut;
        EXPECT_EQ(records[0].fix.sl, 12.5f) << "cut at " << cut;
        EXPECT_EQ(records[0].fix.time_of_day, 34205.25f) << "cut at " << cut;
        s.station.on_tick(); // a lone LF left over is a blank, not a broken sentence
        EXPECT_EQ(s.status_count(), lines) << "cut at " << cut;
    }
}

TEST(NavRelay, InputThatNeverEndsItsLineIsScannedOnceItFillsTheBuffer) {
    LinkedStation s;
    s.start_relay(0);
    const std::size_t lines = s.status_count();
    s.usbl_sends(std::string(200, 'x'));
    s.station.on_tick();
    EXPECT_EQ(s.status_count(), lines);
    s.usbl_sends(std::string(100, 'x'));
    s.station.on_tick();
    EXPECT_EQ(s.status_count(), lines + 1);
    EXPECT_EQ(s.newest_status(), "received too few tokens in USBL string");
    s.usbl_sends(EXAMPLE);
    s.station.on_tick();
    EXPECT_EQ(sent(s).size(), 1u) << "nothing of the junk carried over";
}

// A sentence that lost its end to the next one is never sent, even where what is left would
// scan (12 for 12.75); the sentence after it is not lost. It is told when it is the newest.
TEST(NavRelay, SentenceCutShortIsNeverSentAndTheNextOneIs) {
    const std::string good = LinkedStation::sentence(50, 10.0, 'N', 1, 45.5, 'W', "120001.00", 7.5);
    const std::string cut = EXAMPLE.substr(0, EXAMPLE.size() - 5); // "...,12"
    struct Case {
        const char* name;
        std::vector<std::string> writes; // one a tick
        std::vector<float> sent_sl;
        std::size_t told;
    };
    const Case cases[] = {
        {"in one read", {cut + good}, {7.5f}, 0},
        {"in two reads", {cut, good}, {7.5f}, 0},
        {"in a feed known to end its lines", {EXAMPLE, cut, good}, {12.5f, 7.5f}, 0},
        {"newest when it came",
         {EXAMPLE, cut + good.substr(0, 20), good.substr(20)},
         {12.5f, 7.5f},
         1},
    };
    for (const Case& c : cases) {
        LinkedStation s;
        s.start_relay(0);
        std::vector<float> sent_sl;
        const std::size_t lines = s.status_count();
        for (int tick = 0; tick < 4; ++tick) {
            if (static_cast<std::size_t>(tick) < c.writes.size()) {
                s.usbl_sends(c.writes[static_cast<std::size_t>(tick)]);
            }
            s.station.on_tick();
            for (const SentNav& record : sent(s)) {
                sent_sl.push_back(record.fix.sl);
            }
        }
        EXPECT_EQ(sent_sl, c.sent_sl) << c.name;
        EXPECT_EQ(s.status_count(), lines + c.told) << c.name;
        if (c.told > 0) {
            EXPECT_EQ(s.newest_status(), "received too few tokens in USBL string") << c.name;
        }
    }
}

// A feed that ends no sentence with a line end: a sentence is whole when the next starts, or
// when a tick brings nothing new; so each fix goes out a tick later than with line ends.
TEST(NavRelay, FeedWithoutLineEndsSendsEachFixOneTickLater) {
    LinkedStation s;
    s.start_relay(0);
    std::vector<std::string> fixes;
    for (int i = 0; i < 3; ++i) {
        std::string text =
            LinkedStation::sentence(50, 10.0 + i, 'N', 1, 45.5, 'W', "120000.00", 1.0 + i);
        fixes.push_back(text.substr(0, text.size() - 2)); // no CR LF
    }
    std::vector<std::vector<float>> sent_each_tick;
    for (const std::string& ticks_input :
         {fixes[0], fixes[1], std::string(), fixes[2].substr(0, 30), fixes[2].substr(30),
          std::string()}) {
        if (!ticks_input.empty()) {
            s.usbl_sends(ticks_input);
        }
        s.station.on_tick();
        std::vector<float> sl;
        for (const SentNav& record : sent(s)) {
            sl.push_back(record.fix.sl);
        }
        sent_each_tick.push_back(sl);
    }
    EXPECT_EQ(sent_each_tick,
              (std::vector<std::vector<float>>{{}, {1.0f}, {2.0f}, {}, {}, {3.0f}}));
    EXPECT_EQ(s.status_count(), 4u) << "nothing said about any of it";
}

TEST(NavRelay, BlanksAloneSayNothing) {
    LinkedStation s;
    s.start_relay(0);
    for (const char* blanks : {"\r\n", "   \t", "\n\n\r\n  "}) {
        s.usbl_sends(blanks);
        s.station.on_tick();
        s.station.on_tick();
    }
    EXPECT_EQ(s.status_count(), 4u);
    s.usbl_sends(EXAMPLE);
    s.station.on_tick();
    EXPECT_EQ(sent(s).size(), 1u);
}

TEST(NavRelay, KeepsRelayingAfterJanuary2038) {
    LinkedStation s;
    s.clock.set((int64_t{1} << 31) + 10); // 2038-01-19 03:14:18 UTC
    s.start_relay(5);
    NewFixes fixes(s);
    const auto first = fixes.next();
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].header.timestamp[0], 0x8000000Au); // the wire word, low 32 bits
    s.clock.advance_seconds(4);
    EXPECT_TRUE(fixes.next().empty());
    s.clock.advance_seconds(1);
    EXPECT_EQ(fixes.next().size(), 1u);
}

// A Windows driver holds the write it was given: that fix counts as begun and goes first.
#ifdef _WIN32
constexpr std::size_t RECORDS_AFTER_STALL = 2;
#else
constexpr std::size_t RECORDS_AFTER_STALL = 1;
#endif

TEST(NavRelay, AStalledVehicleLinkGetsTheNewestFixWhenItReadsAgainAndOnlyThenItIsLogged) {
    LinkedStation s;
    s.start_relay(5);
    std::size_t filler = s.vehicle.stall_far_end_settled();
    s.usbl_sends(LinkedStation::sentence(50, 10.0, 'N', 1, 45.5, 'W'));
    filler += s.vehicle.stall_far_end(); // any room a loaded kernel found since, taken
    s.station.on_tick();
    EXPECT_TRUE(s.view.nav_lines().empty()) << "not taken, not logged";
    EXPECT_EQ(s.newest_status(), "Start transmitting Nav packets") << "and nothing failed";

    s.clock.advance_seconds(5);
    s.usbl_sends(LinkedStation::sentence(50, 20.0, 'N', 1, 45.5, 'W'));
    filler += s.vehicle.stall_far_end();
    s.station.on_tick();
    EXPECT_TRUE(s.view.nav_lines().empty());

    // The vehicle end reads again. A Windows driver finishes its write in its own time, maybe
    // while the filler is read, maybe a tick or two later.
    std::vector<uint8_t> got = s.vehicle.drain(20);
    for (int tick = 0; tick < 20 && s.view.nav_lines().size() < RECORDS_AFTER_STALL; ++tick) {
        s.station.on_tick();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    const std::vector<uint8_t> rest = s.vehicle.drain(20);
    got.insert(got.end(), rest.begin(), rest.end());
    ASSERT_GE(got.size(), filler);
    const auto records = nav_records_in({got.begin() + static_cast<long>(filler), got.end()});
    ASSERT_EQ(records.size(), RECORDS_AFTER_STALL) << "no older fix but one a driver holds";
    EXPECT_EQ(records.back().fix.latitude, static_cast<float>(50 + 20.0f / 60.0));
    EXPECT_EQ(s.view.nav_lines().size(), RECORDS_AFTER_STALL);
}

} // namespace
