#include "dump_output_helpers.h"

#include <chrono>
#include <thread>

namespace nerivo::testing {

std::string Pipe::read_until_drained(const StandardOutputDump& dump) {
    using Clock = std::chrono::steady_clock;
    std::string text;
    const auto deadline = Clock::now() + std::chrono::seconds(2);
    bool drained = false;
    while (Clock::now() < deadline) {
        const std::string read = read_available();
        if (!read.empty()) {
            text += read;
        } else if (drained) {
            break; // the last record had gone out before this read
        } else {
            drained = !dump.dropping();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    return text;
}

std::string record(int i) {
    const std::string number = std::to_string(1000000 + i);
    return "packet_size = 48\n" + number + std::string(400 - number.size(), 'x') + "\n";
}

} // namespace nerivo::testing
