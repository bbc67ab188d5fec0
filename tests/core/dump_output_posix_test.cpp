// The record dump in the cases only POSIX systems let a test bring about.
#include "dump_output.h"
#include "dump_output_helpers.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using nerivo::StandardOutputDump;
using nerivo::testing::Pipe;
using nerivo::testing::read_text;
using nerivo::testing::record;
using nerivo::testing::TempFolder;
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
    std::string sent, text;
    for (int i = 0; i < 100; ++i) { // ten times what the pipe holds
        dump.write(record(i));
        sent += record(i);
    }
    bool dropped = false;
    for (int reads = 0; reads < 500 && text.size() < sent.size(); ++reads) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2)); // a slow reader
        dropped = dropped || dump.dropping();
        text += pipe.read_available();
    }
    EXPECT_FALSE(dropped);
    EXPECT_TRUE(text == sent) << text.size() << " of " << sent.size() << " bytes, or out of order";
}

// Started without standard output, the program must not dump its records into the next file
// it opens, which would take descriptor 1.
TEST(RecordDump, AClosedStandardOutputNeverPassesToTheNextFileOpened) {
    TempFolder folder;
    const std::string log = folder.path() + "/status.log";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(1);
        nerivo::open_closed_standard_descriptors();
        const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        StandardOutputDump(1).write(record(0)); // out before the dump is gone
        ::_exit(::write(fd, "a line\n", 7) == 7 ? 0 : 1);
    }
    int status = -1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(read_text(log), "a line\n");
}

} // namespace
