// The test programs' main() on Windows.
#include <cstdio>
#include <fcntl.h>
#include <io.h>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // In text mode every "\n" goes out as "\r\n", and ctest's reading of the test list keeps
    // the "\r" in the test names.
    std::fflush(stdout);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
