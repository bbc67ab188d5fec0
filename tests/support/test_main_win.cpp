// The test programs' main() on Windows.
#include "com_pair.h"

#include <cstdio>
#include <fcntl.h>
#include <io.h>

#include <gtest/gtest.h>

namespace {

// COM pairs kept running for reuse end with the test that used them.
class EndKeptComPairs : public ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo&) override {
        nerivo::testing::ComPair::end_kept_pairs();
    }
};

} // namespace

int main(int argc, char** argv) {
    // In text mode every "\n" goes out as "\r\n", and ctest's reading of the test list keeps
    // the "\r" in the test names.
    std::fflush(stdout);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new EndKeptComPairs);
    return RUN_ALL_TESTS();
}
