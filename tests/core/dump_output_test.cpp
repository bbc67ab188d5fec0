// The record dump on standard output: a reader that is slow, stops, or has gone must never
// hold up or end the station.
#include "dump_output.h"
#include "linked_station.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace {

using nerivo::StandardOutputDump;
using nerivo::testing::LinkedStation;
using Clock = std::chrono::steady_clock;

struct Pipe {
    Pipe() {
        EXPECT_EQ(::pipe(fds), 0);
        fcntl(fds[0], F_SETFL, O_NONBLOCK);
    }
    ~Pipe() {
        close_reader();
        ::close(fds[1]);
    }
    void close_reader() {
        if (fds[0] >= 0) {
            ::close(fds[0]);
            fds[0] = -1;
        }
    }
    // Reads what the pipe holds until `dump` has nothing queued.
    std::string read_until_drained(const StandardOutputDump& dump) {
        std::string text;
        const auto deadline = Clock::now() + std::chrono::seconds(2);
        bool drained = false;
        while (Clock::now() < deadline) {
            char buffer[65536];
            const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
            if (n > 0) {
                text.append(buffer, static_cast<std::size_t>(n));
            } else if (drained) {
                break; // the last record had gone out before this read
            } else {
                drained = !dump.dropping();
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        }
        return text;
    }
    int fds[2] = {-1, -1};
};

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

std::string record(int i) {
    return "packet_size = 48\n" + std::string(400, static_cast<char>('a' + i % 26)) + "\n";
}

TEST(RecordDump, AReaderThatStopsCostsWholeRecordsNotTime) {
    Pipe pipe;
    StandardOutputDump dump(pipe.fds[1]);
    const auto start = Clock::now();
    constexpr int RECORDS = 4000; // 1.6 MB: the pipe and the queue take about 1.1 MB
    for (int i = 0; i < RECORDS; ++i) {
        dump.write(record(i));
    }
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_TRUE(dump.dropping());

    // The reader comes back: what went out is whole records, in order, and the dump says it
    // is being read again once all that waited is out.
    const std::string text = pipe.read_until_drained(dump);
    EXPECT_FALSE(dump.dropping());
    ASSERT_EQ(text.size() % record(0).size(), 0u) << "a record cut in two";
    const std::size_t got = text.size() / record(0).size();
    EXPECT_GT(got, 2000u);
    EXPECT_LT(got, static_cast<std::size_t>(RECORDS));
    for (std::size_t i = 0; i < got; ++i) {
        EXPECT_EQ(text.substr(i * record(0).size(), record(0).size()), record(static_cast<int>(i)))
            << "record " << i;
    }
}

TEST(RecordDump, AReaderThatHasGoneDoesNotEndTheProgram) {
    Pipe pipe;
    pipe.close_reader();
    StandardOutputDump dump(pipe.fds[1]);
    dump.write(record(0)); // would raise SIGPIPE, and end the test program with it
    EXPECT_TRUE(eventually([&] { return dump.dropping(); }));
}

// Through the station: the operator hears of it once when records start to be dropped, once
// when they go out again, and the relay goes on meanwhile.
TEST(RecordDump, TheStationSaysWhenRecordsAreDroppedAndWhenTheyFlowAgain) {
    Pipe pipe;
    fcntl(pipe.fds[1], F_SETPIPE_SZ, 4096);
    StandardOutputDump dump(pipe.fds[1], 8192);
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
    StandardOutputDump dump(pipe.fds[1]);
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
