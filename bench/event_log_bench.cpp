// A 30-day mission must not make the logs slower: fills both logs of a shown station window
// with 1,000,000 lines each, through add_status_message and add_nav_line, and compares the
// cost of the first and the last 10,000 lines, twice: once with a pass of the event loop
// after every line, so the view's layout and painting are paid as on a tick, and once for
// the call alone. Times are the thread's CPU time, each the median of ten batches. A log keeps
// its newest LOG_LINES_KEPT lines, so the last lines also pay for dropping the oldest.
//
//   event_log_bench            exits 1 when a log's last lines cost over 1.5x its first
#include "station_app.h"

#include <QApplication>

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>
#include <functional>
#include <string>
#include <unistd.h>

using namespace nerivo;

namespace {

constexpr int LINES = 1'000'000;
constexpr int MEASURED = 10'000;
constexpr int FILL_EVENTS_EVERY = 1'000;
constexpr double LIMIT = 1.5;

long resident_bytes() {
    long pages = 0, resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) {
            resident = 0;
        }
        std::fclose(statm);
    }
    return resident * sysconf(_SC_PAGESIZE);
}

const char* const MESSAGES[] = {
    "received too few tokens in USBL string", "Checksum failed in Auv Status data packet",
    "Checksum failed in Auv Status header",   "Requesting status from AUV",
    "Start transmitting Nav packets",         "Stop transmitting Nav packets",
};

std::string nav_line(int i) {
    char line[96];
    std::snprintf(line, sizeof line, "%02d:%02d:%.3f   LT:%.5f   LG:%.5f   SL:%.2f",
                  (i / 3600) % 24, (i / 60) % 60, (i % 60) + 0.25, -45.70576 + i * 1e-6,
                  -3.5 - i * 1e-6, 7.0 + (i % 100) / 10.0);
    return line;
}

struct Figures {
    double first_ms = 0, last_ms = 0;           // with the event loop
    double first_call_ms = 0, last_call_ms = 0; // the call alone
    double rss_per_line = 0, model_per_line = 0;
    std::size_t kept_lines = 0, kept_bytes = 0; // what the log holds at the end
};

// CPU time of this thread: the machine may be busy with other work meanwhile.
double thread_ms() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// The cost of `count` lines, taken as the median of ten equal batches times ten: a single
// batch is at the mercy of whatever else the machine does at that moment.
double timed_lines(int from, int count, bool with_events, const std::function<void(int)>& add) {
    constexpr int BATCHES = 10;
    const int per_batch = count / BATCHES;
    std::array<double, BATCHES> batch_ms{};
    for (int b = 0; b < BATCHES; ++b) {
        const double start = thread_ms();
        for (int i = from + b * per_batch; i < from + (b + 1) * per_batch; ++i) {
            add(i);
            if (with_events) {
                QApplication::processEvents();
            }
        }
        batch_ms[static_cast<size_t>(b)] = thread_ms() - start;
    }
    std::sort(batch_ms.begin(), batch_ms.end());
    const double median = (batch_ms[BATCHES / 2 - 1] + batch_ms[BATCHES / 2]) / 2;
    return median * BATCHES;
}

Figures fill(const nerivo::LogView& log, const std::function<void(int)>& add) {
    Figures figures;
    const long rss_before = resident_bytes();
    const std::size_t model_before = log.log_model()->store().bytes_used();
    figures.first_ms = timed_lines(0, MEASURED, true, add);
    figures.first_call_ms = timed_lines(MEASURED, MEASURED, false, add);
    for (int i = 2 * MEASURED; i < LINES - 2 * MEASURED; ++i) {
        add(i);
        if (i % FILL_EVENTS_EVERY == 0) {
            QApplication::processEvents();
        }
    }
    figures.last_call_ms = timed_lines(LINES - 2 * MEASURED, MEASURED, false, add);
    figures.last_ms = timed_lines(LINES - MEASURED, MEASURED, true, add);
    figures.rss_per_line = static_cast<double>(resident_bytes() - rss_before) / LINES;
    figures.model_per_line =
        static_cast<double>(log.log_model()->store().bytes_used() - model_before) / LINES;
    figures.kept_lines = log.log_model()->store().size();
    figures.kept_bytes = log.log_model()->store().bytes_used();
    return figures;
}

bool line_of(const char* what, double first_ms, double last_ms) {
    const double ratio = last_ms / first_ms;
    std::printf("  %-22s first %d: %8.1f ms (%7.2f us/line)   last %d: %8.1f ms (%7.2f us/line)"
                "   last/first %.2f\n",
                what, MEASURED, first_ms, first_ms * 1000 / MEASURED, MEASURED, last_ms,
                last_ms * 1000 / MEASURED, ratio);
    return ratio <= LIMIT;
}

bool report(const char* name, const Figures& f) {
    std::printf("%s\n", name);
    const bool ticked = line_of("with the event loop", f.first_ms, f.last_ms);
    const bool called = line_of("the call alone", f.first_call_ms, f.last_call_ms);
    std::printf("  memory: %.1f bytes a line (resident set growth), %.1f (the log's own count)\n",
                f.rss_per_line, f.model_per_line);
    std::printf("  kept: the newest %zu lines in %.1f MB, %.1f bytes a line\n", f.kept_lines,
                static_cast<double>(f.kept_bytes) / 1e6,
                static_cast<double>(f.kept_bytes) / static_cast<double>(f.kept_lines));
    return ticked && called;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    StationParts parts;
    StationWindow& window = parts.window();
    window.show();
    QApplication::processEvents();

    std::printf("%d lines into each log of a shown station window\n", LINES);
    nerivo::Station& station = parts.station();
    const Figures status = fill(*window.status_log(), [&station](int i) {
        station.add_status_message(MESSAGES[i % std::size(MESSAGES)]);
    });
    const bool status_ok = report("status log", status);
    const Figures nav =
        fill(*window.nav_log(), [&station](int i) { station.add_nav_line(nav_line(i)); });
    const bool nav_ok = report("nav log", nav);

    window.on_exit();
    std::printf("%s (limit: last/first <= %.1f)\n", status_ok && nav_ok ? "PASS" : "FAIL", LIMIT);
    return status_ok && nav_ok ? 0 : 1;
}
