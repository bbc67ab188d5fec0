// A reader that stops, where a write to a pipe is quick: the dump's thread fills the pipe long
// before the records waiting for it fill the queue, so only the newest are dropped.
#include "dump_output.h"
#include "dump_output_helpers.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

using nerivo::StandardOutputDump;
using nerivo::testing::Pipe;
using nerivo::testing::record;
using Clock = std::chrono::steady_clock;

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

} // namespace
