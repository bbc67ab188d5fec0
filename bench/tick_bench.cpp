// CPU cost of one tick of a shown station window whose links are pseudo-terminals, against
// the 500 ms tick period. Before each timed tick a whole status record waits on the vehicle
// link and a sentence with a new position on the navigation link, so the tick decodes and
// shows the status, parses the fix and sends a nav record with its dump (to /dev/null).
// The window's own timer is stopped: only the measured calls tick.
//
//   tick_bench [benchmark options]   ends with one "figure" line a benchmark: median and p99
#include "bench_station.h"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

namespace {

using nerivo::bench::BenchStation;

constexpr int TICKS_PER_RUN = 1000;
constexpr int QUIET_TICKS_PER_RUN = 20'000;
constexpr int RUNS = 5;

// Made on first use, gone before the application: the window needs it.
std::unique_ptr<BenchStation> the_station;

BenchStation& station() {
    if (!the_station) {
        the_station = std::make_unique<BenchStation>();
        nerivo::bench::stop_ticking(the_station->window());
    }
    return *the_station;
}

int next_index = 0;

// Puts one status record and one sentence at the device, as the two peers would between
// ticks, and waits until the kernel has moved them there.
bool feed(BenchStation& s) {
    const std::vector<uint8_t> status = nerivo::bench::status_record(next_index);
    const std::string sentence = nerivo::bench::usbl_sentence(next_index).text;
    ++next_index;
    return s.vehicle.write(status) && s.usbl.write(sentence) &&
           s.vehicle.wait_pending_at_device(status.size()) &&
           s.usbl.wait_pending_at_device(sentence.size());
}

// The nav record and "Done" must have gone out whole, or the tick did not do its work.
bool took_nav_record(BenchStation& s) {
    return s.vehicle.read(nerivo::bench::NAV_WIRE_BYTES).size() ==
           static_cast<std::size_t>(nerivo::bench::NAV_WIRE_BYTES);
}

struct RunFigures {
    std::vector<double> medians, p99s;
};
std::map<std::string, RunFigures> figures;

void record_run(benchmark::State& state, const char* name, const std::vector<double>& cpu_us) {
    const double med = nerivo::bench::median(cpu_us);
    const double p99 = nerivo::bench::quantile(cpu_us, 0.99);
    state.counters["cpu_median_us"] = med;
    state.counters["cpu_p99_us"] = p99;
    RunFigures& run = figures[name];
    run.medians.push_back(med);
    run.p99s.push_back(p99);
}

// `with_repaint`: the timed part also runs the event loop once, so the repaint of the nine
// fields and the nav log that the tick asked for is paid too.
void tick_with_both_links_busy(benchmark::State& state, const char* name, bool with_repaint) {
    BenchStation& s = station();
    if (!s.ready()) {
        state.SkipWithError("the station's links did not connect");
        return;
    }
    nerivo::bench::StdoutToNull quiet;
    QApplication::processEvents();
    std::vector<double> cpu_us;
    cpu_us.reserve(TICKS_PER_RUN);
    for (auto _ : state) {
        state.PauseTiming();
        if (!feed(s)) {
            state.SkipWithError("the pseudo-terminals did not take the input");
            break;
        }
        state.ResumeTiming();
        const double start = nerivo::bench::thread_cpu_us();
        s.window().on_tick();
        if (with_repaint) {
            QApplication::processEvents();
        }
        cpu_us.push_back(nerivo::bench::thread_cpu_us() - start);
        state.PauseTiming();
        const bool sent = took_nav_record(s);
        if (!with_repaint) {
            QApplication::processEvents();
        }
        state.ResumeTiming();
        if (!sent) {
            state.SkipWithError("no nav record reached the vehicle");
            break;
        }
    }
    if (s.window().status_log()->line_count() != 4) {
        // Started, two links connected, relay on: anything more is a fault the tick logged.
        const std::string line = s.window().status_log()->line(0).toStdString();
        state.SkipWithError(("unexpected status line: " + line).c_str());
    }
    record_run(state, name, cpu_us);
}

void tick_both_links_busy(benchmark::State& state) {
    tick_with_both_links_busy(state, "tick_both_links_busy", false);
}
BENCHMARK(tick_both_links_busy)
    ->Iterations(TICKS_PER_RUN)
    ->Repetitions(RUNS)
    ->Unit(benchmark::kMicrosecond);

void tick_both_links_busy_and_repaint(benchmark::State& state) {
    tick_with_both_links_busy(state, "tick_both_links_busy_and_repaint", true);
}
BENCHMARK(tick_both_links_busy_and_repaint)
    ->Iterations(TICKS_PER_RUN)
    ->Repetitions(RUNS)
    ->Unit(benchmark::kMicrosecond);

// Both links connected, nothing waiting: what every quiet tick costs.
void tick_both_links_quiet(benchmark::State& state) {
    BenchStation& s = station();
    std::vector<double> cpu_us;
    cpu_us.reserve(QUIET_TICKS_PER_RUN);
    for (auto _ : state) {
        const double start = nerivo::bench::thread_cpu_us();
        s.window().on_tick();
        cpu_us.push_back(nerivo::bench::thread_cpu_us() - start);
    }
    record_run(state, "tick_both_links_quiet", cpu_us);
}
BENCHMARK(tick_both_links_quiet)
    ->Iterations(QUIET_TICKS_PER_RUN)
    ->Repetitions(RUNS)
    ->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    the_station.reset();

    std::printf("\nCPU time of one tick (thread CPU, user + system), median of %d runs of each "
                "benchmark; the tick period is 500000 us\n",
                RUNS);
    for (const auto& [name, run] : figures) {
        std::printf("figure %-40s median %8.1f us   p99 %8.1f us\n", name.c_str(),
                    nerivo::bench::median(run.medians), nerivo::bench::median(run.p99s));
    }
    return 0;
}
