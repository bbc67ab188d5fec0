// nerivo-sim: the USBL feed and the vehicle, on pseudo-terminals, for the station to talk to.

#include "pty_link.h"
#include "session_file.h"
#include "sim_options.h"
#include "usbl_feed.h"
#include "vehicle_sim.h"

#include "com_port_path.h"
#include "wall_clock.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <memory>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace nerivo::sim;

namespace {

int signal_pipe[2] = {-1, -1};

void on_signal(int signo) {
    const int saved = errno;
    const char byte = static_cast<char>(signo);
    [[maybe_unused]] const ssize_t n = ::write(signal_pipe[1], &byte, 1);
    errno = saved;
}

int64_t now_ms() {
    const nerivo::WallTime t = nerivo::wall_clock_now();
    return t.seconds * 1000 + t.milliseconds;
}

void print(const std::string& text) {
    std::fputs(text.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// The folder of links, made by us only if it wasn't there, and removed again only then.
class LinkFolder {
public:
    bool prepare(const std::string& path, std::string& error) {
        path_ = path;
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0) {
            if (!S_ISDIR(st.st_mode)) {
                error = path + " is not a folder";
                return false;
            }
            return true;
        }
        if (::mkdir(path.c_str(), 0755) != 0) {
            error = "cannot make " + path + ": " + std::strerror(errno);
            return false;
        }
        made_ = true;
        return true;
    }
    ~LinkFolder() {
        if (made_) {
            ::rmdir(path_.c_str()); // fails, rightly, if someone put something else there
        }
    }

private:
    std::string path_;
    bool made_ = false;
};

bool install_signals() {
    if (::pipe(signal_pipe) != 0) {
        return false;
    }
    for (int fd : signal_pipe) {
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
        fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    struct sigaction action {};
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    for (int signo : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(signo, &action, nullptr);
    }
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

int run(const SimOptions& options, const std::string& command_line) {
    const bool quiet = options.quiet;
    std::unique_ptr<std::FILE, FileCloser> capture_file;
    if (!options.capture_path.empty()) {
        capture_file.reset(std::fopen(options.capture_path.c_str(), "w"));
        if (!capture_file) {
            std::fprintf(stderr, "nerivo-sim: cannot write %s: %s\n", options.capture_path.c_str(),
                         std::strerror(errno));
            return 1;
        }
    }
    const std::string dir = resolve_com_dir(options);
    std::string error;
    LinkFolder folder;
    if (!folder.prepare(dir, error)) {
        std::fprintf(stderr, "nerivo-sim: %s\n", error.c_str());
        return 1;
    }
    PtyLink usbl_link;
    PtyLink vehicle_link;
    if (!usbl_link.open(nerivo::com_link_path(dir, options.usbl_port), error) ||
        !vehicle_link.open(nerivo::com_link_path(dir, options.vehicle_port), error)) {
        std::fprintf(stderr, "nerivo-sim: %s\n", error.c_str());
        return 1;
    }
    if (!quiet) {
        print("usbl on " + usbl_link.link_path() + " -> " + usbl_link.device_path());
        print("vehicle on " + vehicle_link.link_path() + " -> " + vehicle_link.device_path());
    }

    const int64_t start = now_ms();
    std::unique_ptr<SessionWriter> capture;
    if (capture_file) {
        capture = std::make_unique<SessionWriter>(capture_file.get(), start, command_line);
    }
    const LineSink sink = [quiet, &capture](int64_t at, const std::string& line) {
        if (!quiet) {
            print(clock_text(at) + " " + line);
        }
        // A plain sentence is in the capture already; what was done to one is not.
        if (capture && (line.rfind("usbl    -> ", 0) != 0 || line.find("  [") != line.npos)) {
            capture->note(at, line);
        }
    };
    SimCounters counters;
    SimRandom random(options.seed);
    const LawnMowerTrack track(options.track);
    VehicleModel model(track, random, start, options.nav_drift_mps);
    UsblFeed usbl(usbl_link.master_fd(), track, random, options.faults, counters, sink, start,
                  std::llround(options.usbl_period_s * 1000));
    usbl.set_depth_source(&model);
    VehicleSim vehicle(vehicle_link.master_fd(), model, random, options.faults, counters, sink,
                       start, std::llround(options.status_period_s * 1000));
    if (capture) {
        usbl.set_write_tap([&capture](int64_t at, const uint8_t* bytes, std::size_t count) {
            capture->usbl(at, bytes, count);
        });
        vehicle.set_write_tap([&capture](int64_t at, const uint8_t* bytes, std::size_t count) {
            capture->vehicle(at, bytes, count);
        });
    }

    const int64_t end = options.duration_s > 0 ? start + std::llround(options.duration_s * 1000)
                                               : std::numeric_limits<int64_t>::max();
    constexpr int64_t TIDY_PERIOD_MS = 250;
    int64_t next_tidy = start;
    bool usbl_held = false;
    bool vehicle_held = false;
    bool watch_stdin = options.stop_on_stdin_eof;

    for (;;) {
        int64_t now = now_ms();
        if (now >= end) {
            break;
        }
        usbl.poll(now);
        vehicle.poll(now);
        if (now >= next_tidy || next_tidy - now > TIDY_PERIOD_MS) {
            next_tidy = now + TIDY_PERIOD_MS;
            const struct {
                PtyLink& link;
                bool& held;
                const char* who;
            } lines[] = {{usbl_link, usbl_held, "usbl   "},
                         {vehicle_link, vehicle_held, "vehicle"}};
            for (const auto& l : lines) {
                const bool held = !l.link.tidy();
                if (held != l.held) {
                    l.held = held;
                    sink(now, std::string(l.who) + " .. station " + (held ? "opened " : "closed ") +
                                  l.link.device_path());
                }
            }
        }

        now = now_ms();
        const int64_t wake =
            std::min({usbl.next_due_ms(), vehicle.next_wakeup_ms(now), next_tidy, end});
        const int timeout = static_cast<int>(std::clamp<int64_t>(wake - now, 0, 1000));
        std::vector<pollfd> fds = {
            {signal_pipe[0], POLLIN, 0},
            {vehicle_link.master_fd(),
             static_cast<short>(POLLIN | (vehicle.wants_to_write(now) ? POLLOUT : 0)), 0},
            {usbl_link.master_fd(),
             static_cast<short>(POLLIN | (usbl.wants_to_write() ? POLLOUT : 0)), 0},
        };
        if (watch_stdin) {
            fds.push_back({STDIN_FILENO, POLLIN, 0});
        }
        if (::poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR) {
            std::fprintf(stderr, "nerivo-sim: poll: %s\n", std::strerror(errno));
            break;
        }
        if (fds[0].revents != 0) {
            break; // a signal asked us to stop
        }
        if (watch_stdin && fds[3].revents != 0) {
            char scratch[256];
            const ssize_t n = ::read(STDIN_FILENO, scratch, sizeof scratch);
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
                break;
            }
        }
    }

    // Whatever the station's line can still take goes out before we hang up.
    vehicle.poll(now_ms());
    std::printf("summary: sentences sent %llu, records received good %llu bad %llu, status sent "
                "%llu, faults injected %llu\n",
                static_cast<unsigned long long>(counters.sentences_sent),
                static_cast<unsigned long long>(counters.records_good),
                static_cast<unsigned long long>(counters.records_bad),
                static_cast<unsigned long long>(counters.status_sent),
                static_cast<unsigned long long>(counters.faults_injected));
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    SimOptions options;
    const std::string problem =
        parse_sim_options(std::vector<std::string>(argv + 1, argv + argc), options);
    if (!problem.empty()) {
        std::fprintf(stderr, "nerivo-sim: %s\nUsage: nerivo-sim [OPTION]... (see --help)\n",
                     problem.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(sim_help_text().c_str(), stdout);
        return 0;
    }
    if (!install_signals()) {
        std::fprintf(stderr, "nerivo-sim: cannot set up signal handling\n");
        return 1;
    }
    std::string command_line = "nerivo-sim";
    for (int i = 1; i < argc; ++i) {
        command_line += std::string(" ") + argv[i];
    }
    return run(options, command_line);
}
