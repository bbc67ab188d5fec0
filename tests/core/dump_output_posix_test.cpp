// The record dump in the cases only POSIX systems let a test bring about.
#include "dump_output.h"
#include "dump_output_helpers.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <thread>

namespace {

using nerivo::StandardOutputDump;
using nerivo::testing::Pipe;
using nerivo::testing::record;
using Clock = std::chrono::steady_clock;

// A reader that stops, where a write to a pipe is quick: the dump's thread fills the pipe
// long before the records waiting for it fill the queue, so most of the burst goes out.
TEST(RecordDump, AReaderThatStopsCostsWholeRecordsNotTime) {
    Pipe pipe;
    StandardOutputDump dump(pipe.write_fd());
    const auto start = Clock::now();
    constexpr int RECORDS = 4000; // 1.6 MB: the pipe and the queue take about 1.1 MB
    for (int i = 0; i < RECORDS; ++i) {
        dump.write(record(i));
    }
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_TRUE(dump.dropping());

    // The reader comes back: what went out is whole records, in order (those dropped may be
    // anywhere after the first), and the dump says it is being read again once all that
    // waited is out.
    const std::string text = pipe.read_until_drained(dump);
    EXPECT_FALSE(dump.dropping());
    const std::size_t size = record(0).size();
    ASSERT_EQ(text.size() % size, 0u) << "a record cut in two";
    const std::size_t got = text.size() / size;
    EXPECT_GT(got, 2000u);
    EXPECT_LT(got, static_cast<std::size_t>(RECORDS));
    int last = -1;
    for (std::size_t i = 0; i < got; ++i) {
        const std::string one = text.substr(i * size, size);
        const int number = std::stoi(one.substr(17, 7)) - 1000000;
        EXPECT_GT(number, last) << "out of order at record " << i;
        EXPECT_EQ(one, record(number)) << "record " << i;
        last = number;
    }
}

// Standard output handed over non-blocking (by a shell or a parent) and full for a moment is
// waited for: nothing is lost, and no record is said to be dropped.
TEST(RecordDump, ANonBlockingOutputThatIsFullForAMomentLosesNothing) {
    Pipe pipe(4096);
    ::fcntl(pipe.write_fd(), F_SETFL, ::fcntl(pipe.write_fd(), F_GETFL) | O_NONBLOCK);
    StandardOutputDump dump(pipe.write_fd());
    std::string sent;
    for (int i = 0; i < 100; ++i) { // ten times what the pipe holds
        dump.write(record(i));
        sent += record(i);
    }
    // The reader comes once the pipe is full, and takes a pipeful at a time.
    std::string text;
    bool dropped = false;
    const auto deadline = Clock::now() + std::chrono::seconds(2);
    while (text.size() < sent.size() && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        dropped = dropped || dump.dropping();
        text += pipe.read_available();
    }
    EXPECT_FALSE(dropped);
    EXPECT_EQ(text.size(), sent.size());
    EXPECT_TRUE(text == sent) << "records cut, lost or out of order";
}

} // namespace
