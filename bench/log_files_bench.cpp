// What keeping the logs in files costs the tick: one status line through the log-file view
// (date, write, flush), and the same bytes made durable with fsync, which the station does
// not do. NERIVO_BENCH_DIR picks the disk (default: the temporary
// folder).
#include "log_files_view.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

const std::string LINE = "[341 20:45:07] WinFrog responding...Connected";

class NullView : public nerivo::StationView {
public:
    void add_status_line(nerivo::WallTime, const std::string& line) override {
        benchmark::DoNotOptimize(line.data());
    }
    void add_nav_line(nerivo::WallTime, const std::string&) override {}
    std::string field_text(int) const override { return {}; }
    void set_field_text(int, const std::string&) override {}
    void set_button_colours(int, uint32_t, uint32_t) override {}
    void set_field_stale(int, bool) override {}
    void set_field_tooltip(int, const std::string&) override {}
    bool ask_yes_no(const std::string&, const std::string&) override { return false; }
};

fs::path bench_folder() {
    const char* chosen = std::getenv("NERIVO_BENCH_DIR");
    const fs::path base = chosen != nullptr ? fs::path(chosen) : fs::temp_directory_path();
    return base / ("nerivo-log-bench-" + std::to_string(::getpid()));
}

nerivo::WallTime now(int64_t i) {
    return nerivo::WallTime{1'796'000'000 + i / 2, static_cast<int32_t>(i % 2 * 500)};
}

void status_line_to_file(benchmark::State& state) {
    const fs::path folder = bench_folder();
    {
        NullView view;
        nerivo::LogFilesView files(view, folder.string());
        int64_t i = 0;
        for (auto _ : state) {
            files.add_status_line(now(i++), LINE);
        }
    }
    fs::remove_all(folder);
}

// The same bytes with write(2), then fsync: what a durable line would cost.
void status_line_with_fsync(benchmark::State& state) {
    const fs::path folder = bench_folder();
    fs::create_directories(folder);
    const int fd = ::open((folder / "fsync.log").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    const std::string text = "2026-12-08T20:45:07+01:00 " + LINE + "\n";
    for (auto _ : state) {
        if (::write(fd, text.data(), text.size()) < 0 || ::fsync(fd) != 0) {
            state.SkipWithError("write or fsync failed");
            break;
        }
    }
    ::close(fd);
    fs::remove_all(folder);
}

} // namespace

BENCHMARK(status_line_to_file);
BENCHMARK(status_line_with_fsync)->Iterations(2000);

BENCHMARK_MAIN();
