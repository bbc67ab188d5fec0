// The record dump on standard output: a reader that is slow, stops, or has gone must never
// hold up or end the station.
#include "dump_output.h"
#include "dump_output_helpers.h"
#include "linked_station.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

namespace {

using nerivo::StandardOutputDump;
using nerivo::testing::LinkedStation;
using nerivo::testing::Pipe;
using nerivo::testing::record;
using Clock = std::chrono::steady_clock;

bool eventually(const std::function<bool()>& condition) {
    const auto deadline = Clock::now() + std::chrono::seconds(2);
    while (!condition()) {
        if (Clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

TEST(RecordDump, AReaderThatHasGoneDoesNotEndTheProgram) {
    Pipe pipe;
    pipe.close_reader();
    StandardOutputDump dump(pipe.write_fd());
    dump.write(record(0)); // would raise SIGPIPE, and end the test program with it
    EXPECT_TRUE(eventually([&] { return dump.dropping(); }));
}

// Through the station: the operator hears of it once when records start to be dropped, once
// when they go out again, and the relay goes on meanwhile.
TEST(RecordDump, TheStationSaysWhenRecordsAreDroppedAndWhenTheyFlowAgain) {
    Pipe pipe(4096);
    StandardOutputDump dump(pipe.write_fd(), 8192);
    LinkedStation s(&dump);
    s.start_relay(0);
    const std::size_t lines = s.view.status_count();
    auto longest_tick = Clock::duration::zero();
    for (int i = 0; i < 40; ++i) {
        s.usbl_sends(LinkedStation::sentence(50, 10.0 + i * 0.01, 'N', 1, 45.5, 'W'));
        const auto start = Clock::now();
        s.station.on_tick();
        longest_tick = std::max(longest_tick, Clock::now() - start);
    }
    EXPECT_LT(longest_tick, std::chrono::milliseconds(100));
    EXPECT_EQ(nerivo::testing::nav_records_in(s.vehicle.drain(20)).size(), 40u);
    EXPECT_EQ(s.view.nav_lines().size(), 40u);
    EXPECT_EQ(s.view.status_count(), lines + 1);
    EXPECT_EQ(s.newest_status(),
              "Record dump to standard output is not being read; records dropped");

    pipe.read_until_drained(dump);
    s.station.on_tick();
    EXPECT_EQ(s.view.status_count(), lines + 2);
    EXPECT_EQ(s.newest_status(), "Record dump to standard output is being read again");
}

TEST(RecordDump, TheStationSaysSoOnceWhenTheReaderHasGone) {
    Pipe pipe;
    pipe.close_reader();
    StandardOutputDump dump(pipe.write_fd());
    LinkedStation s(&dump);
    s.start_relay(0);
    const std::size_t lines = s.view.status_count();
    for (int i = 0; i < 5; ++i) {
        s.usbl_sends(LinkedStation::sentence(50, 10.0 + i * 0.01, 'N', 1, 45.5, 'W'));
        s.station.on_tick();
        ASSERT_TRUE(eventually([&] { return dump.dropping(); }));
    }
    s.station.on_tick();
    EXPECT_EQ(s.view.nav_lines().size(), 5u);
    EXPECT_EQ(s.view.status_count(), lines + 1);
    EXPECT_EQ(s.newest_status(),
              "Record dump to standard output is not being read; records dropped");
}

} // namespace
