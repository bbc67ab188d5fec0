// The nerivo-sim program itself: options, links made and removed, every way of ending.

#include "session_file.h"
#include "smac_records.h"
#include "station_bytes.h"
#include "usbl_sentence.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace nerivo;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// nerivo-sim as a child process: arguments in, standard output and error out.
class SimProcess {
public:
    explicit SimProcess(const std::vector<std::string>& args) {
        int in[2], out[2];
        EXPECT_EQ(::pipe(in), 0);
        EXPECT_EQ(::pipe(out), 0);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(in[0], STDIN_FILENO);
            ::dup2(out[1], STDOUT_FILENO);
            ::dup2(out[1], STDERR_FILENO);
            for (int fd : {in[0], in[1], out[0], out[1]}) {
                ::close(fd);
            }
            std::vector<char*> argv{const_cast<char*>(NERIVO_SIM_PROGRAM)};
            for (const std::string& a : args) {
                argv.push_back(const_cast<char*>(a.c_str()));
            }
            argv.push_back(nullptr);
            ::execv(NERIVO_SIM_PROGRAM, argv.data());
            ::_exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        stdin_ = in[1];
        stdout_ = out[0];
    }
    ~SimProcess() {
        close_stdin();
        if (pid_ > 0 && status_ < 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        ::close(stdout_);
    }

    void close_stdin() {
        if (stdin_ >= 0) {
            ::close(stdin_);
            stdin_ = -1;
        }
    }
    void signal(int signo) { ::kill(pid_, signo); }

    // Reads output until a line contains `text`; false if it did not come in time.
    bool wait_for(const std::string& text, int timeout_ms = 2000) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
        while (output_.find(text) == std::string::npos) {
            if (!read_some(deadline)) {
                return false;
            }
        }
        return true;
    }

    // Reads to the end of output and returns the exit status, or -1 if it did not end.
    int wait_exit(int timeout_ms = 2000) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
        while (read_some(deadline)) {
        }
        if (!eof_) {
            return -1;
        }
        int status = 0;
        ::waitpid(pid_, &status, 0);
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return status_;
    }

    const std::string& output() const { return output_; }

private:
    bool read_some(Clock::time_point deadline) {
        if (eof_) {
            return false;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd p{stdout_, POLLIN, 0};
        if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0) {
            return false;
        }
        char buffer[4096];
        const ssize_t n = ::read(stdout_, buffer, sizeof buffer);
        if (n <= 0) {
            eof_ = true;
            return false;
        }
        output_.append(buffer, static_cast<std::size_t>(n));
        return true;
    }

    pid_t pid_ = -1;
    int stdin_ = -1;
    int stdout_ = -1;
    int status_ = -1;
    bool eof_ = false;
    std::string output_;
};

class SimProgram : public ::testing::Test {
protected:
    fs::path base;
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "nerivo-simprog-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        base = pattern;
    }
    void TearDown() override { fs::remove_all(base); }

    static bool is_link(const fs::path& p) { return fs::is_symlink(fs::symlink_status(p)); }

    // Opens a link as the station does, lock included, so the sim sees it held.
    static int open_like_station(const fs::path& link) {
        const int fd = ::open(link.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            return -1;
        }
        return fd;
    }

    static std::vector<uint8_t> read_bytes(int fd, std::size_t count, int timeout_ms = 1000) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
        std::vector<uint8_t> out;
        while (out.size() < count && Clock::now() < deadline) {
            pollfd p{fd, POLLIN, 0};
            ::poll(&p, 1, 50);
            uint8_t buffer[256];
            const ssize_t n = ::read(fd, buffer, std::min(sizeof buffer, count - out.size()));
            if (n > 0) {
                out.insert(out.end(), buffer, buffer + n);
            }
        }
        return out;
    }
};

TEST_F(SimProgram, HelpExitsZeroAndNamesEveryOption) {
    SimProcess sim({"--help"});
    EXPECT_EQ(sim.wait_exit(), 0);
    for (const char* option : {"--com-dir",
                               "--usbl-port",
                               "--vehicle-port",
                               "--usbl-period",
                               "--status-period",
                               "--origin",
                               "--leg-length",
                               "--leg-spacing",
                               "--speed",
                               "--seed",
                               "--duration",
                               "--stop-on-stdin-eof",
                               "--bad-header-every",
                               "--bad-trailer-every",
                               "--garbage-every",
                               "--split-writes",
                               "--bad-sentence-every",
                               "--repeat-fix-every",
                               "--capture",
                               "--quiet",
                               "--help"}) {
        EXPECT_NE(sim.output().find(std::string("  ") + option), std::string::npos) << option;
    }
}

TEST_F(SimProgram, RefusesABadOptionWithStatusTwo) {
    SimProcess sim({"--usbl-period", "fast", "--com-dir", base.string()});
    EXPECT_EQ(sim.wait_exit(), 2);
    EXPECT_NE(sim.output().find("--usbl-period"), std::string::npos);
    EXPECT_NE(sim.output().find("Usage: nerivo-sim"), std::string::npos);
    EXPECT_TRUE(fs::is_empty(base));
}

TEST_F(SimProgram, ServesTheStationThenRemovesWhatItMadeWhenTheDurationEnds) {
    const fs::path dir = base / "links"; // not there yet: the sim makes it
    SimProcess sim({"--com-dir", dir.string(), "--duration", "1", "--usbl-period", "0.1"});
    ASSERT_TRUE(sim.wait_for("vehicle on ")) << sim.output();
    ASSERT_TRUE(is_link(dir / "com1"));
    ASSERT_TRUE(is_link(dir / "com5"));
    EXPECT_NE(sim.output().find("usbl on " + (dir / "com1").string() + " -> /dev/pts/"),
              std::string::npos);

    const int usbl = open_like_station(dir / "com1");
    const int vehicle = open_like_station(dir / "com5");
    ASSERT_GE(usbl, 0);
    ASSERT_GE(vehicle, 0);
    const std::vector<uint8_t> request = nerivo::testing::command_record(0);
    ASSERT_EQ(::write(vehicle, request.data(), request.size()), 33);
    const std::vector<uint8_t> status = read_bytes(vehicle, 68);
    VehicleStatus decoded{};
    ASSERT_EQ(status.size(), 68u);
    EXPECT_EQ(smac_decode_status(status.data(), 68, &decoded), 0);
    EXPECT_EQ(decoded.behaviour, 1u);

    // A whole sentence: read up to its line end and scan it as the station does.
    std::vector<uint8_t> text;
    while (text.size() < 256 && (text.empty() || text.back() != '\n')) {
        const std::vector<uint8_t> b = read_bytes(usbl, 1);
        if (b.empty()) {
            break;
        }
        text.push_back(b[0]);
    }
    // The first sentence may have gone out before we opened; take the next whole one.
    std::vector<uint8_t> sentence;
    while (sentence.size() < 256 && (sentence.empty() || sentence.back() != '\n')) {
        const std::vector<uint8_t> b = read_bytes(usbl, 1);
        if (b.empty()) {
            break;
        }
        sentence.push_back(b[0]);
    }
    nerivo::UsblSentence s;
    EXPECT_EQ(nerivo::scan_usbl_sentence(sentence.data(), sentence.size(), &s), 16);
    EXPECT_STREQ(s.tag, "$NVPOS");

    EXPECT_EQ(sim.wait_exit(), 0) << sim.output();
    ::close(usbl);
    ::close(vehicle);
    EXPECT_NE(sim.output().find("vehicle <- command 0 (request status)"), std::string::npos);
    EXPECT_NE(sim.output().find("summary: sentences sent "), std::string::npos);
    EXPECT_NE(sim.output().find("records received good 1 bad 0, status sent 1, faults injected 0"),
              std::string::npos)
        << sim.output();
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "com1")));
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "com5")));
    EXPECT_FALSE(fs::exists(dir)) << "the folder it made goes too";
}

// Everything the two lines deliver until both have been quiet for `quiet_ms`. Read as it
// comes: what is still unread when the sim hangs up is lost.
void read_until_quiet(int a, std::vector<uint8_t>& from_a, int b, std::vector<uint8_t>& from_b,
                      int quiet_ms) {
    for (;;) {
        pollfd p[2] = {{a, POLLIN, 0}, {b, POLLIN, 0}};
        if (::poll(p, 2, quiet_ms) <= 0) {
            return;
        }
        bool got = false;
        for (int i = 0; i < 2; ++i) {
            uint8_t buffer[4096];
            const ssize_t n =
                (p[i].revents & POLLIN) != 0 ? ::read(p[i].fd, buffer, sizeof buffer) : 0;
            if (n > 0) {
                auto& to = i == 0 ? from_a : from_b;
                to.insert(to.end(), buffer, buffer + n);
                got = true;
            }
        }
        if (!got) {
            return; // hung up
        }
    }
}

bool holds(const std::vector<uint8_t>& whole, const std::vector<uint8_t>& part) {
    return std::search(whole.begin(), whole.end(), part.begin(), part.end()) != whole.end();
}

TEST_F(SimProgram, CapturesWhatItWroteOnBothLinesAsAReplayableSession) {
    const fs::path capture = base / "run.session";
    const auto started = std::chrono::system_clock::now();
    SimProcess sim({"--com-dir", base.string(), "--duration", "1", "--usbl-period", "0.1",
                    "--status-period", "0.2", "--bad-header-every", "2", "--capture",
                    capture.string(), "--quiet"});
    for (int i = 0; i < 200 && !is_link(base / "com5"); ++i) {
        ::usleep(5000);
    }
    const int usbl = open_like_station(base / "com1");
    const int vehicle = open_like_station(base / "com5");
    ASSERT_GE(usbl, 0);
    ASSERT_GE(vehicle, 0);
    const std::vector<uint8_t> request = nerivo::testing::command_record(0);
    ASSERT_EQ(::write(vehicle, request.data(), request.size()), 33);
    // The sim ends after a second; the lines go quiet then.
    std::vector<uint8_t> usbl_got, vehicle_got;
    read_until_quiet(usbl, usbl_got, vehicle, vehicle_got, 300);
    EXPECT_EQ(sim.wait_exit(), 0) << sim.output();
    ::close(usbl);
    ::close(vehicle);

    std::ifstream in(capture);
    std::stringstream text;
    text << in.rdbuf();
    nerivo::sim::Session session;
    ASSERT_EQ(nerivo::sim::parse_session(text.str(), session), "");
    EXPECT_EQ(text.str().rfind("# nerivo-sim --com-dir ", 0), 0u) << "the command line heads it";
    const int64_t started_ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(started.time_since_epoch()).count();
    EXPECT_NEAR(static_cast<double>(session.start_ms), static_cast<double>(started_ms), 1000.0);

    std::vector<uint8_t> usbl_sent, vehicle_sent;
    for (const nerivo::sim::SessionEvent& e : session.events) {
        EXPECT_LE(e.time_ms, 1100);
        auto& to = e.kind == nerivo::sim::SessionEventKind::USBL ? usbl_sent : vehicle_sent;
        to.insert(to.end(), e.bytes.begin(), e.bytes.end());
    }
    // What went out before we opened the links may have been dropped, and what was still
    // unread when the sim hung up was lost; what came between arrived as captured.
    ASSERT_FALSE(usbl_got.empty());
    ASSERT_FALSE(vehicle_got.empty());
    EXPECT_TRUE(holds(usbl_sent, usbl_got));
    EXPECT_TRUE(holds(vehicle_sent, vehicle_got));
    EXPECT_EQ(vehicle_sent.size() % 68, 0u) << "whole status records, no garbage asked for";
    EXPECT_NE(text.str().find(" vehicle <- command 0 (request status)"), std::string::npos);
    EXPECT_NE(text.str().find("[bad header checksum]"), std::string::npos);
    EXPECT_EQ(text.str().find("usbl    -> $NVPOS"), std::string::npos)
        << "plain sentences are events, not notes";
}

TEST_F(SimProgram, SaysSoWhenItCannotWriteTheCapture) {
    SimProcess sim({"--com-dir", base.string(), "--capture", (base / "no/such/file").string()});
    EXPECT_EQ(sim.wait_exit(), 1);
    EXPECT_NE(sim.output().find("cannot write"), std::string::npos) << sim.output();
    EXPECT_TRUE(fs::is_empty(base));
}

class SimProgramStops : public SimProgram, public ::testing::WithParamInterface<int> {};

TEST_P(SimProgramStops, OnASignalAndRemovesTheLinks) {
    SimProcess sim(
        {"--com-dir", base.string(), "--usbl-port", "2", "--vehicle-port", "9", "--quiet"});
    for (int i = 0; i < 200 && !is_link(base / "com9"); ++i) {
        ::usleep(5000);
    }
    ASSERT_TRUE(is_link(base / "com2"));
    ASSERT_TRUE(is_link(base / "com9"));
    sim.signal(GetParam());
    EXPECT_EQ(sim.wait_exit(), 0);
    EXPECT_EQ(sim.output().rfind("summary: ", 0), 0u) << "quiet prints the summary only";
    EXPECT_FALSE(fs::exists(fs::symlink_status(base / "com2")));
    EXPECT_FALSE(fs::exists(fs::symlink_status(base / "com9")));
    EXPECT_TRUE(fs::is_directory(base)) << "a folder that was there stays";
}

INSTANTIATE_TEST_SUITE_P(Signals, SimProgramStops, ::testing::Values(SIGINT, SIGTERM, SIGHUP));

TEST_F(SimProgram, StopsAtTheEndOfStandardInputOnlyWhenAsked) {
    SimProcess asked({"--com-dir", base.string(), "--stop-on-stdin-eof"});
    ASSERT_TRUE(asked.wait_for("vehicle on "));
    asked.close_stdin();
    EXPECT_EQ(asked.wait_exit(), 0);
    EXPECT_TRUE(fs::is_empty(base));

    SimProcess not_asked({"--com-dir", base.string()});
    ASSERT_TRUE(not_asked.wait_for("vehicle on "));
    not_asked.close_stdin();
    EXPECT_EQ(not_asked.wait_exit(300), -1) << "still running";
    not_asked.signal(SIGTERM);
    EXPECT_EQ(not_asked.wait_exit(), 0);
}

TEST_F(SimProgram, WillNotTakeOverALinkThatIsInUse) {
    fs::create_symlink("/dev/null", base / "com5");
    SimProcess sim({"--com-dir", base.string()});
    EXPECT_EQ(sim.wait_exit(), 1);
    EXPECT_NE(sim.output().find("already exists"), std::string::npos) << sim.output();
    EXPECT_EQ(fs::read_symlink(base / "com5"), "/dev/null");
    EXPECT_FALSE(fs::exists(fs::symlink_status(base / "com1"))) << "the other link is undone";
}

} // namespace
