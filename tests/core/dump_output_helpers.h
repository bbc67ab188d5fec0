#pragma once

#include "dump_output.h"
#include "test_pipe.h"

#include <string>

namespace nerivo::testing {

// The pipe standing for standard output, whose reader the test plays.
struct Pipe : TestPipe {
    using TestPipe::TestPipe;
    // Reads what the pipe holds until `dump` has nothing queued.
    std::string read_until_drained(const StandardOutputDump& dump);
};

// Record `i`'s dump: 418 bytes, its number in it.
std::string record(int i);

} // namespace nerivo::testing
