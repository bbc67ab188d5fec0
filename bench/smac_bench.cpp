// Baseline costs of the record protocol: checksum, encoders, decoders.
#include "smac_records.h"
#include "smac_stdio.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

using namespace nerivo;

namespace {

// The nav encoder dumps every record to standard output; send that to /dev/null while
// measuring, so the figure includes formatting the dump but not a terminal's speed.
class StdoutToNull {
public:
    StdoutToNull() {
        std::fflush(stdout);
        saved_ = dup(STDOUT_FILENO);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        close(null);
    }
    ~StdoutToNull() {
        std::fflush(stdout);
        dup2(saved_, STDOUT_FILENO);
        close(saved_);
    }

private:
    int saved_;
};

void checksum(benchmark::State& state) {
    std::vector<uint8_t> bytes(static_cast<size_t>(state.range(0)));
    for (size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<uint8_t>(i * 31);
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(smac_checksum(bytes.data(), static_cast<uint32_t>(bytes.size())));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(checksum)->Arg(24)->Arg(44)->Arg(64);

void encode_command(benchmark::State& state) {
    uint8_t out[SMAC_COMMAND_RECORD_SIZE];
    const uint8_t payload = 0;
    uint32_t size = 0;
    for (auto _ : state) {
        SmacHeader header{};
        header.param = SMAC_COMMAND_ABORT;
        smac_encode_command(&header, &payload, out, &size);
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(encode_command);

void encode_nav_with_dump(benchmark::State& state) {
    const NavFix fix{34205.25f, -45.705761f, -3.5f, 12.5f};
    uint8_t out[SMAC_NAV_RECORD_SIZE];
    uint32_t size = 0;
    StdoutToNull quiet;
    for (auto _ : state) {
        SmacHeader header{};
        smac_encode_nav(&header, &fix, out, &size);
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(encode_nav_with_dump);

void decode_status(benchmark::State& state) {
    const VehicleStatus status{-45.5f, 170.25f, 270.25f, 12.5f, 3.75f, 24.1f, 31.0f, 2, 0};
    uint8_t record[SMAC_STATUS_RECORD_SIZE];
    uint32_t size = 0;
    SmacHeader header{};
    smac_build_status(&header, &status, nerivo::WallTime{1'700'000'000, 250}, record, &size);
    for (auto _ : state) {
        VehicleStatus out;
        benchmark::DoNotOptimize(smac_decode_status(record, size, &out));
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(decode_status);

} // namespace

BENCHMARK_MAIN();
