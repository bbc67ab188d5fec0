#pragma once

#include <cstddef>
#include <string>

namespace nerivo::testing {

// A pipe for code that writes to a file descriptor (standard output in the program); the test
// holds the reading end, and may stop reading or hang it up.
class TestPipe {
public:
    // `capacity`: the bytes the pipe holds before a writer waits; 0 leaves the system's own.
    explicit TestPipe(std::size_t capacity = 0);
    ~TestPipe();
    TestPipe(const TestPipe&) = delete;
    TestPipe& operator=(const TestPipe&) = delete;

    int write_fd() const { return write_fd_; }
    // Whatever the pipe holds now, without waiting; empty when it holds nothing.
    std::string read_available();
    // Hangs up the reading end, as a reader that has gone: writes fail from then on.
    void close_reader();

private:
    int read_fd_ = -1;
    int write_fd_ = -1;
};

} // namespace nerivo::testing
