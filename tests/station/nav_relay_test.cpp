#include "linked_station.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using nerivo::testing::LinkedStation;
using nerivo::testing::nav_records_in;
using nerivo::testing::SentNav;

// Runs one tick with the dump on standard output captured.
std::string tick(LinkedStation& station) {
    testing::internal::CaptureStdout();
    station.window->on_tick(0);
    return testing::internal::GetCapturedStdout();
}

// Whatever reached the vehicle end by now, as nav records.
std::vector<SentNav> sent(LinkedStation& station) {
    return nav_records_in(station.vehicle.drain(20));
}

// Sends a sentence at a new position on every call, ticks, and gives what went out.
class NewFixes {
public:
    explicit NewFixes(LinkedStation& station) : station_(station) {}
    std::vector<SentNav> next() {
        minutes_ += 0.01;
        station_.usbl_sends(LinkedStation::sentence(50, minutes_, 'N', 1, 45.5, 'W'));
        tick(station_);
        return sent(station_);
    }

private:
    LinkedStation& station_;
    double minutes_ = 10.0;
};

const std::string EXAMPLE = "$NVPOS,093005.25,4542.3456,S,00330.0000,W,25.0,221.7,264.3,1.09,"
                            "0.36,12.5\r\n";

TEST(NavRelay, ExampleSentenceGoesOutAsTheExactRecordThenDone) {
    LinkedStation station;
    station.start_relay(5);
    station.usbl_sends(EXAMPLE);
    const std::string dump = tick(station);

    const std::vector<uint8_t> wire = station.vehicle.read(53);
    ASSERT_EQ(wire.size(), 53u);
    SmacHeader header;
    smac_read_header(wire.data(), &header);
    EXPECT_EQ(header.version, 1u);
    EXPECT_EQ(header.rec_size, 16u);
    EXPECT_EQ(header.timestamp[0], static_cast<uint32_t>(station.clock.now().seconds));
    EXPECT_EQ(header.timestamp[1], 0u);
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

    ASSERT_EQ(station.window->nav_log->line_count(), 1);
    EXPECT_EQ(station.window->nav_log->line(0),
              QStringLiteral("09:30:5.250   LT:-45.70576   LG:-3.50000   SL:12.50"));

    // The record dumped is the record sent.
    testing::internal::CaptureStdout();
    smac_dump_record(wire.data(), 48);
    EXPECT_EQ(dump, testing::internal::GetCapturedStdout());
    EXPECT_EQ(dump.rfind("packet_size = 48\nChecksum check: ", 0), 0u) << dump;
}

TEST(NavRelay, SameDegreesAndMinutesAreNotSentAgain) {
    LinkedStation station;
    station.start_relay(0);
    station.usbl_sends(LinkedStation::sentence(50, 30.1234, 'N', 1, 45.5, 'W', "120000.00"));
    tick(station);
    ASSERT_EQ(sent(station).size(), 1u);
    // Other time, last number and hemisphere letters: still the same position.
    for (const auto& repeat :
         {LinkedStation::sentence(50, 30.1234, 'N', 1, 45.5, 'W', "120005.00", 99.0),
          LinkedStation::sentence(50, 30.1234, 'S', 1, 45.5, 'E', "120010.00")}) {
        station.usbl_sends(repeat);
        tick(station);
        EXPECT_TRUE(sent(station).empty());
    }
    EXPECT_EQ(station.window->nav_log->line_count(), 1);
    // The fix is still taken in, sent or not.
    EXPECT_EQ(station.window->fix_hours, 12);
    EXPECT_FLOAT_EQ(station.window->fix_seconds, 10.0f);
    EXPECT_LT(station.window->fix_latitude, 0.0f); // the last one said S
}

TEST(NavRelay, PositionZeroBeforeAnythingWasSentCountsAsARepeat) {
    LinkedStation station;
    station.start_relay(0);
    station.usbl_sends(LinkedStation::sentence(0, 0.0, 'N', 0, 0.0, 'E'));
    tick(station);
    EXPECT_TRUE(sent(station).empty());
    EXPECT_EQ(station.window->nav_log->line_count(), 0);
}

TEST(NavRelay, PeriodHoldsOnTheWallClock) {
    LinkedStation station;
    station.start_relay(5);
    NewFixes fixes(station);
    EXPECT_EQ(fixes.next().size(), 1u);
    station.clock.advance_ms(4999);
    EXPECT_EQ(fixes.next().size(), 0u);
    station.clock.advance_ms(1);
    EXPECT_EQ(fixes.next().size(), 1u);
    EXPECT_EQ(fixes.next().size(), 0u);
    // A clock set back sends nothing until the period has passed again.
    station.clock.advance_seconds(-100);
    EXPECT_EQ(fixes.next().size(), 0u);
    station.clock.advance_seconds(105);
    EXPECT_EQ(fixes.next().size(), 1u);
}

TEST(NavRelay, StopAndStartSendsTheNextNewFixAtOnce) {
    LinkedStation station;
    station.start_relay(60);
    const std::string first = LinkedStation::sentence(50, 10.0, 'N', 1, 45.5, 'W');
    station.usbl_sends(first);
    tick(station);
    ASSERT_EQ(sent(station).size(), 1u);
    station.window->toggle_relay();
    station.window->toggle_relay();
    station.clock.advance_seconds(1);
    station.usbl_sends(first);
    tick(station);
    EXPECT_TRUE(sent(station).empty()) << "still a repeat after a restart";
    station.usbl_sends(LinkedStation::sentence(50, 10.5, 'N', 1, 45.5, 'W'));
    tick(station);
    EXPECT_EQ(sent(station).size(), 1u);
}

TEST(NavRelay, RelayOffKeepsTheFixAndSendsNothing) {
    LinkedStation station;
    station.connect_both();
    station.usbl_sends(EXAMPLE);
    tick(station);
    EXPECT_TRUE(sent(station).empty());
    EXPECT_EQ(station.window->nav_log->line_count(), 0);
    EXPECT_NEAR(station.window->fix_latitude, -45.705761, 1e-6);
    EXPECT_EQ(station.window->fix_longitude, -3.5f);
    EXPECT_EQ(station.window->fix_sl, 12.5f);
    EXPECT_EQ(station.window->fix_minutes, 30);
}

TEST(NavRelay, TwoSentencesInOneReadGiveTheFirst) {
    LinkedStation station;
    station.start_relay(0);
    station.usbl_sends(LinkedStation::sentence(50, 10.0, 'N', 1, 45.5, 'W', "120000.00", 1.0) +
                       LinkedStation::sentence(51, 10.0, 'N', 2, 45.5, 'W', "120001.00", 2.0));
    tick(station);
    const auto records = sent(station);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].fix.sl, 1.0f);
    EXPECT_EQ(station.usbl.pending_at_device(), 0u) << "the second sentence went with the read";
    tick(station);
    EXPECT_TRUE(sent(station).empty());
}

TEST(NavRelay, HemisphereLettersNegateOnlyInCapitals) {
    struct Case {
        char ns, ew;
        bool south, west;
    };
    for (const Case c : {Case{'S', 'W', true, true}, Case{'s', 'w', false, false},
                         Case{'N', 'E', false, false}, Case{'S', 'e', true, false}}) {
        LinkedStation station;
        station.connect_both();
        station.usbl_sends(LinkedStation::sentence(10, 30.0, c.ns, 20, 15.0, c.ew));
        tick(station);
        EXPECT_EQ(station.window->fix_latitude, c.south ? -10.5f : 10.5f) << c.ns;
        EXPECT_EQ(station.window->fix_longitude, c.west ? -20.25f : 20.25f) << c.ew;
    }
}

TEST(NavRelay, BrokenSentenceIsLoggedAndChangesNothing) {
    LinkedStation station;
    station.start_relay(0);
    station.usbl_sends(EXAMPLE);
    tick(station);
    ASSERT_EQ(sent(station).size(), 1u);
    const float latitude = station.window->fix_latitude;
    const int64_t last_xmit = station.window->last_xmit_time;
    station.clock.advance_seconds(1);
    for (const char* broken :
         {"$NVPOS,093005.25,4542.3456,S,00330.0000,W,25.0,221.7\r\n",
          "3456,S,00330.0000,W,25.0,221.7,264.3,1.09,0.36,12.5\r\n", "no sentence at all\n"}) {
        const int lines = station.status_count();
        station.usbl_sends(broken);
        tick(station);
        EXPECT_EQ(station.status_count(), lines + 1) << broken;
        EXPECT_EQ(station.newest_status(), QStringLiteral("received too few tokens in USBL string"))
            << broken;
    }
    EXPECT_EQ(station.window->fix_latitude, latitude);
    EXPECT_EQ(station.window->last_xmit_time, last_xmit);
    EXPECT_TRUE(sent(station).empty());
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
        LinkedStation station;
        station.start_relay(0);
        const int lines = station.status_count();
        station.usbl_sends(EXAMPLE.substr(0, cut));
        tick(station);
        station.usbl_sends(EXAMPLE.substr(cut));
        tick(station);
        const auto records = sent(station);
        ASSERT_EQ(records.size(), 1u) << "cut at " << cut;
        EXPECT_EQ(records[0].fix.sl, 12.5f) << "cut at " << cut;
        EXPECT_EQ(records[0].fix.time_of_day, 34205.25f) << "cut at " << cut;
        EXPECT_EQ(station.window->nav_log->line_count(), 1) << "cut at " << cut;
        tick(station); // a lone LF left over is a blank, not a broken sentence
        EXPECT_EQ(station.status_count(), lines) << "cut at " << cut;
    }
}

TEST(NavRelay, InputThatNeverEndsItsLineIsScannedOnceItFillsTheBuffer) {
    LinkedStation station;
    station.start_relay(0);
    const int lines = station.status_count();
    station.usbl_sends(std::string(200, 'x'));
    tick(station);
    EXPECT_EQ(station.status_count(), lines);
    station.usbl_sends(std::string(100, 'x'));
    tick(station);
    EXPECT_EQ(station.status_count(), lines + 1);
    EXPECT_EQ(station.newest_status(), QStringLiteral("received too few tokens in USBL string"));
    station.usbl_sends(EXAMPLE);
    tick(station);
    EXPECT_EQ(sent(station).size(), 1u) << "nothing of the junk carried over";
}

TEST(NavRelay, KeepsRelayingAfterJanuary2038) {
    LinkedStation station;
    station.clock.set((int64_t{1} << 31) + 10); // 2038-01-19 03:14:18 UTC
    station.start_relay(5);
    NewFixes fixes(station);
    const auto first = fixes.next();
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].header.timestamp[0], 0x8000000Au); // the wire word, low 32 bits
    station.clock.advance_seconds(4);
    EXPECT_TRUE(fixes.next().empty());
    station.clock.advance_seconds(1);
    EXPECT_EQ(fixes.next().size(), 1u);
}

TEST(NavRelay, FixTheVehicleLinkDidNotTakeIsRetriedAfterThePeriod) {
    LinkedStation station;
    station.start_relay(5);
    station.vehicle.stall_far_end_settled();
    const std::string fix = LinkedStation::sentence(50, 10.0, 'N', 1, 45.5, 'W');
    station.usbl_sends(fix);
    tick(station); // waits one byte's time-out
    EXPECT_EQ(station.newest_status(), QStringLiteral("Send to AUV failed"));
    EXPECT_EQ(station.window->nav_log->line_count(), 0);
    EXPECT_EQ(station.window->last_xmit_time, station.clock.now().seconds);

    station.vehicle.drain(20); // the vehicle end reads again: only the filler was there
    station.usbl_sends(fix);
    tick(station);
    EXPECT_TRUE(sent(station).empty()) << "not before the period";

    station.clock.advance_seconds(5);
    station.usbl_sends(fix);
    tick(station);
    const auto records = sent(station);
    ASSERT_EQ(records.size(), 1u) << "the same fix, not lost";
    EXPECT_EQ(records[0].fix.latitude, static_cast<float>(50 + 10.0f / 60.0));
    EXPECT_EQ(station.window->nav_log->line_count(), 1);
}

} // namespace
