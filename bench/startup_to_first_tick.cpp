// Start-up to the first tick, measured on fresh processes. Each run spawns this program
// again, which then does what main() does, with the real application object; an event
// filter on the application notes when the station window is first shown, first painted and
// first ticked, and ends the window right after that tick. Times run from the moment just
// before the spawn (steady clock, shared by both processes), so loading the program and its
// libraries counts; the process start in /proc/self/stat (10 ms steps) is shown beside it.
// The first tick comes one tick period (500 ms) after the window starts its timer.
//
//   startup_to_first_tick [--runs N]   uses QT_QPA_PLATFORM and DISPLAY as the station
//                                      would; offscreen when neither is set
#include "station_app.h"
#include "station_window.h"

#include <QApplication>
#include <QTimer>
#include <QTimerEvent>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace nerivo;

extern char** environ;

namespace {

constexpr const char* CHILD_FLAG = "--child";
constexpr const char* SPAWNED_AT = "NERIVO_BENCH_SPAWNED_AT_NS";
constexpr int CHILD_GIVES_UP_MS = 10'000;

double clock_ms(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// Field 22 of /proc/self/stat: when the process started, in clock ticks since boot.
double process_start_boottime_ms() {
    FILE* stat = std::fopen("/proc/self/stat", "r");
    if (stat == nullptr) {
        return 0;
    }
    char text[1024] = {};
    const std::size_t n = std::fread(text, 1, sizeof text - 1, stat);
    std::fclose(stat);
    text[n] = '\0';
    const char* after_name = std::strrchr(text, ')'); // the name may hold blanks
    if (after_name == nullptr) {
        return 0;
    }
    unsigned long long start = 0;
    // Fields 3 (state) to 21 skipped, 22 read.
    if (std::sscanf(after_name + 2,
                    "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %*u %*u %*d %*d %*d %*d %*d %*d "
                    "%llu",
                    &start) != 1) {
        return 0;
    }
    return static_cast<double>(start) * 1e3 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

class FirstTick : public QObject {
public:
    double shown_ms = 0, painted_ms = 0, ticked_ms = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* window = qobject_cast<StationWindow*>(watched);
        if (window == nullptr) {
            return false;
        }
        const double now = clock_ms(CLOCK_MONOTONIC);
        if (event->type() == QEvent::Show && shown_ms == 0) {
            shown_ms = now;
        } else if (event->type() == QEvent::Paint && painted_ms == 0) {
            painted_ms = now;
        } else if (event->type() == QEvent::Timer && ticked_ms == 0) { // its only timer
            ticked_ms = now;
            // After the tick has run: "Exit", as the operator would.
            QTimer::singleShot(0, window, [window] { window->on_exit(); });
        }
        return false;
    }
};

int child(int argc, char** argv) {
    const double main_ms = clock_ms(CLOCK_MONOTONIC);
    const char* spawned = std::getenv(SPAWNED_AT);
    const double spawned_ms = spawned != nullptr ? std::strtod(spawned, nullptr) / 1e6 : main_ms;

    // From here on as main() does it.
    QApplication application(argc, argv);
    FirstTick first;
    application.installEventFilter(&first);
    QTimer::singleShot(CHILD_GIVES_UP_MS, [] {
        std::fprintf(stderr, "startup_to_first_tick: no tick\n");
        std::_Exit(3);
    });
    StationApp station;
    station.run();

    const double boot_now_ms = clock_ms(CLOCK_BOOTTIME);
    const double mono_now_ms = clock_ms(CLOCK_MONOTONIC);
    // The process start on the monotonic clock, by way of the boot clock.
    const double started_ms = process_start_boottime_ms() - boot_now_ms + mono_now_ms;
    if (first.ticked_ms == 0) {
        return 3;
    }
    std::printf("%.3f %.3f %.3f %.3f %.3f %s\n", main_ms - spawned_ms, first.shown_ms - spawned_ms,
                first.painted_ms - spawned_ms, first.ticked_ms - spawned_ms,
                first.ticked_ms - started_ms, qPrintable(QApplication::platformName()));
    return 0;
}

struct Run {
    double main = 0, shown = 0, painted = 0, ticked = 0, ticked_from_stat = 0;
    std::string platform;
};

bool spawn_child(const char* self, Run& run) {
    int out[2];
    if (pipe(out) != 0) {
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    char* const args[] = {const_cast<char*>(self), const_cast<char*>(CHILD_FLAG), nullptr};

    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const std::string at =
        std::to_string(static_cast<long long>(now.tv_sec) * 1'000'000'000LL + now.tv_nsec);
    setenv(SPAWNED_AT, at.c_str(), 1);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, self, &actions, nullptr, args, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) {
        close(out[0]);
        return false;
    }
    std::string text;
    char buffer[512];
    ssize_t n = 0;
    while ((n = read(out[0], buffer, sizeof buffer)) > 0) {
        text.append(buffer, static_cast<std::size_t>(n));
    }
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    char platform[64] = {};
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 ||
        std::sscanf(text.c_str(), "%lf %lf %lf %lf %lf %63s", &run.main, &run.shown, &run.painted,
                    &run.ticked, &run.ticked_from_stat, platform) != 6) {
        return false;
    }
    run.platform = platform;
    return true;
}

double median_of(std::vector<Run>& runs, double Run::*field) {
    std::vector<double> values;
    for (const Run& run : runs) {
        values.push_back(run.*field);
    }
    std::sort(values.begin(), values.end());
    return values[(values.size() - 1) / 2];
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], CHILD_FLAG) == 0) {
        return child(argc, argv);
    }
    int count = 5;
    if (argc == 3 && std::strcmp(argv[1], "--runs") == 0) {
        count = std::max(1, std::atoi(argv[2]));
    } else if (argc != 1) {
        std::fprintf(stderr, "usage: startup_to_first_tick [--runs N]\n");
        return 2;
    }
    if (std::getenv("QT_QPA_PLATFORM") == nullptr && std::getenv("DISPLAY") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    std::vector<Run> runs;
    std::printf("start-up of the station, from just before the process is spawned (ms)\n");
    std::printf("  %-4s %10s %10s %12s %12s %22s\n", "run", "main()", "shown", "painted",
                "first tick", "first tick (procstat)");
    for (int i = 0; i < count; ++i) {
        Run run;
        if (!spawn_child("/proc/self/exe", run)) {
            std::printf("run %d failed\n", i + 1);
            return 1;
        }
        std::printf("  %-4d %10.1f %10.1f %12.1f %12.1f %22.0f\n", i + 1, run.main, run.shown,
                    run.painted, run.ticked, run.ticked_from_stat);
        runs.push_back(run);
    }
    std::printf("  platform %s; the timer starts as the window is shown, so the first tick comes "
                "one period (%d ms, give or take the 5%% a coarse timer may shift it) after "
                "'shown'\n",
                runs.front().platform.c_str(), StationWindow::TICK_MS);
    std::printf("figure startup_ms shown %.1f painted %.1f first_tick %.1f (median of %d)\n",
                median_of(runs, &Run::shown), median_of(runs, &Run::painted),
                median_of(runs, &Run::ticked), count);
    return 0;
}
