// The nerivo program's command line, run for real with no display at all: nothing here may
// need a window.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct Ran {
    int status = -1; // exit status; 128 + the signal when killed; -1 when it did not end
    std::string out;
    std::string err;
};

// Runs nerivo with `args`, without DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM.
Ran run_nerivo(const std::vector<std::string>& args) {
    int out[2], err[2];
    if (::pipe(out) != 0 || ::pipe(err) != 0) {
        return {};
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::dup2(err[1], STDERR_FILENO);
        for (const int fd : {out[0], out[1], err[0], err[1]}) {
            ::close(fd);
        }
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
            ::unsetenv(name);
        }
        std::vector<char*> argv{const_cast<char*>(NERIVO_PROGRAM)};
        for (const std::string& arg : args) {
            argv.push_back(const_cast<char*>(arg.c_str()));
        }
        argv.push_back(nullptr);
        ::execv(NERIVO_PROGRAM, argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);

    Ran ran;
    pollfd fds[] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* texts[] = {&ran.out, &ran.err};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    int open_pipes = 2;
    while (open_pipes > 0 && std::chrono::steady_clock::now() < deadline) {
        if (::poll(fds, 2, 100) <= 0) {
            continue;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd >= 0 && (fds[i].revents & (POLLIN | POLLHUP)) != 0) {
                char buffer[4096];
                const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
                if (n > 0) {
                    texts[i]->append(buffer, static_cast<std::size_t>(n));
                } else {
                    ::close(fds[i].fd);
                    fds[i].fd = -1;
                    --open_pipes;
                }
            }
        }
    }
    if (open_pipes > 0) {
        ::kill(pid, SIGKILL);
    }
    for (const pollfd& p : fds) {
        if (p.fd >= 0) {
            ::close(p.fd);
        }
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (open_pipes == 0) {
        ran.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    return ran;
}

const std::string USAGE = "Usage: nerivo [options]\n";

TEST(NerivoCommandLine, VersionPrintsThePackageVersion) {
    for (const char* option : {"--version", "-v"}) {
        const Ran ran = run_nerivo({option});
        EXPECT_EQ(ran.status, 0) << option;
        EXPECT_EQ(ran.out, std::string("nerivo ") + NERIVO_VERSION + "\n") << option;
        EXPECT_EQ(ran.err, "") << option;
    }
}

TEST(NerivoCommandLine, HelpPrintsTheUsageAndEveryOption) {
    for (const char* option : {"--help", "-h"}) {
        const Ran ran = run_nerivo({option});
        EXPECT_EQ(ran.status, 0) << option;
        EXPECT_EQ(ran.out.rfind(USAGE, 0), 0u) << ran.out;
        for (const char* name :
             {"  -h, --help", "  -v, --version", "  --com-dir <DIR>", "  --log-dir <DIR>",
              "  --status-timeout <SECONDS>", "(default 10)", "  --stale-after <SECONDS>",
              "(default 60)", "$NERIVO_COM_DIR/comN", "/dev/ttyS<N-1>", "dialout"}) {
            EXPECT_NE(ran.out.find(name), std::string::npos) << name;
        }
        EXPECT_EQ(ran.err, "") << option;
    }
}

TEST(NerivoCommandLine, AMistakePrintsTheProblemAndTheUsageAndFailsWithoutAWindow) {
    struct Row {
        std::vector<std::string> args;
        const char* problem;
    };
    const Row rows[] = {
        {{"--bogus"}, "Unknown option 'bogus'."},
        {{"--log-dir", "/tmp", "-platform", "offscreen"}, "Unknown option 'platform'."},
        {{"--log-dir"}, "Missing value after '--log-dir'."},
        {{"--com-dir="}, "--com-dir wants a folder."},
        {{"survey.log"}, "Unexpected argument 'survey.log'."},
        {{"--status-timeout", "0"}, "--status-timeout wants a whole number of seconds, 1 or more."},
        {{"--status-timeout=-5"}, "--status-timeout wants a whole number of seconds, 1 or more."},
        {{"--stale-after", "1.5"}, "--stale-after wants a whole number of seconds, 1 or more."},
        {{"--stale-after", "+60"}, "--stale-after wants a whole number of seconds, 1 or more."},
        {{"--stale-after", "99999999999"},
         "--stale-after wants a whole number of seconds, 1 or more."},
        {{"--stale-after"}, "Missing value after '--stale-after'."},
    };
    for (const Row& row : rows) {
        const Ran ran = run_nerivo(row.args);
        EXPECT_EQ(ran.status, 2) << row.problem << "\n" << ran.err;
        EXPECT_EQ(ran.out, "") << row.problem;
        EXPECT_EQ(ran.err.rfind(std::string(row.problem) + "\n" + USAGE, 0), 0u) << ran.err;
    }
}

} // namespace
