// Relay latency over pseudo-terminals: from the write of a sentence's last byte at the
// navigation package's end to the read of the last byte of its nav record's "Done" at the
// vehicle's end. The station runs on its own 500 ms timer in the event loop; a second
// thread plays both peers, writing each sentence (a new position each time) at a random
// phase of the tick, after the previous record came back. Relay period 0.
//
//   relay_latency [--fixes N] [--seed S] [--paced]
//     --paced          write each sentence one byte per 1.04 ms, as a 9600-baud line delivers
//                      it (the latency still runs from the last byte)
// Exits 1 when a fix is lost or wrong, or the worst latency is over one tick period plus the
// 53 bytes' time at 9600 baud (555 ms).
#include "bench_station.h"

#include <QApplication>
#include <QTimerEvent>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <random>
#include <thread>
#include <unistd.h>

using namespace nerivo;

namespace {

using nerivo::bench::steady_us;

constexpr double BOUND_MS = 555;
constexpr int DONE_TIMEOUT_MS = 2000;
constexpr double BYTE_TIME_US = 1e6 * 10 / 9600; // start, 8 data and stop bit

struct Options {
    int fixes = 200;
    unsigned seed = 1;
    bool paced = false;
};

struct Fix {
    double written_us = 0; // last byte of the sentence written
    double done_us = 0;    // last byte of "Done" read; 0 when it never came
    bool wrong = false;    // the record came but did not carry this fix
    NavFix sent{};         // what the record carried
    nerivo::bench::Sentence wanted;
};

// Start of every tick the window's timer delivers, taken before the tick runs.
class TickStamps : public QObject {
public:
    explicit TickStamps(StationWindow& window) : window_(window) {}
    std::vector<double> stamps;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // The tick is the window's only timer.
        if (watched == &window_ && event->type() == QEvent::Timer) {
            stamps.push_back(steady_us());
        }
        return false;
    }

private:
    StationWindow& window_;
};

bool write_all(int fd, const char* bytes, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, bytes + done, size - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return false;
        } else {
            pollfd p{fd, POLLOUT, 0};
            poll(&p, 1, 100);
        }
    }
    return true;
}

void sleep_until_us(double when_us) {
    const double left = when_us - steady_us();
    if (left > 0) {
        std::this_thread::sleep_for(std::chrono::microseconds(static_cast<int64_t>(left)));
    }
}

bool write_sentence(int fd, const std::string& text, bool paced) {
    if (!paced) {
        return write_all(fd, text.data(), text.size());
    }
    const double start = steady_us();
    for (std::size_t i = 0; i < text.size(); ++i) {
        sleep_until_us(start + static_cast<double>(i) * BYTE_TIME_US);
        if (!write_all(fd, text.data() + i, 1)) {
            return false;
        }
    }
    return true;
}

// Reads the vehicle's end until the nav record and "Done" are in; the time of the read
// that completed them, or 0 after the timeout.
double read_nav_record(int fd, std::vector<uint8_t>& bytes) {
    const double deadline = steady_us() + DONE_TIMEOUT_MS * 1000.0;
    bytes.clear();
    while (bytes.size() < static_cast<std::size_t>(nerivo::bench::NAV_WIRE_BYTES)) {
        uint8_t buffer[256];
        const std::size_t want = nerivo::bench::NAV_WIRE_BYTES - bytes.size();
        const ssize_t n = ::read(fd, buffer, want);
        if (n > 0) {
            bytes.insert(bytes.end(), buffer, buffer + n);
            continue;
        }
        const double left_ms = (deadline - steady_us()) / 1000;
        if (left_ms <= 0) {
            return 0;
        }
        pollfd p{fd, POLLIN, 0};
        poll(&p, 1, static_cast<int>(left_ms) + 1);
    }
    return steady_us();
}

void drain(int fd) {
    uint8_t buffer[4096];
    while (::read(fd, buffer, sizeof buffer) > 0) {
    }
}

bool carries(const std::vector<uint8_t>& bytes, const nerivo::bench::Sentence& sentence,
             NavFix& fix) {
    SmacHeader header;
    smac_read_header(bytes.data(), &header);
    smac_read_nav_payload(bytes.data() + SMAC_HEADER_SIZE, &fix);
    return header.rec_type == SMAC_REC_NAV && header.rec_size == SMAC_NAV_PAYLOAD_SIZE &&
           fix.latitude == sentence.latitude && fix.longitude == sentence.longitude &&
           fix.time_of_day == sentence.time_of_day && fix.sl == sentence.sl &&
           std::memcmp(bytes.data() + SMAC_NAV_RECORD_SIZE, SMAC_NAV_TERMINATOR,
                       sizeof SMAC_NAV_TERMINATOR) == 0;
}

// The peers' thread: one sentence at a time, each at a random phase of the tick.
void play_peers(const Options& options, nerivo::bench::BenchStation& station,
                std::vector<Fix>& fixes) {
    std::mt19937 random(options.seed);
    std::uniform_real_distribution<double> phase_us(0, StationWindow::TICK_MS * 1000.0);
    std::vector<uint8_t> bytes;
    for (int i = 0; i < options.fixes; ++i) {
        drain(station.vehicle.master_fd()); // a late record of a fix given up on
        sleep_until_us(steady_us() + phase_us(random));
        const nerivo::bench::Sentence sentence = nerivo::bench::usbl_sentence(i);
        Fix& fix = fixes[static_cast<std::size_t>(i)];
        if (!write_sentence(station.usbl.master_fd(), sentence.text, options.paced)) {
            break;
        }
        fix.written_us = steady_us();
        fix.done_us = read_nav_record(station.vehicle.master_fd(), bytes);
        fix.wanted = sentence;
        fix.wrong = fix.done_us != 0 && !carries(bytes, sentence, fix.sent);
    }
}

Options parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--fixes" && i + 1 < argc) {
            options.fixes = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--seed" && i + 1 < argc) {
            options.seed = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        } else if (arg == "--paced") {
            options.paced = true;
        } else {
            std::fprintf(stderr, "usage: relay_latency [--fixes N] [--seed S] [--paced]\n");
            std::exit(2);
        }
    }
    return options;
}

} // namespace

int main(int argc, char** argv) {
    const Options options = parse(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);

    std::vector<Fix> fixes(static_cast<std::size_t>(options.fixes));
    std::vector<double> ticks;
    QStringList unexpected; // status lines after the four of start-up, newest first
    int unexpected_count = 0;
    {
        nerivo::bench::StdoutToNull quiet; // the nav record dump
        nerivo::bench::BenchStation station;
        if (!station.ready()) {
            std::fprintf(stderr, "relay_latency: the station's links did not connect\n");
            return 1;
        }
        TickStamps tick_stamps(station.window());
        station.window().installEventFilter(&tick_stamps);
        std::thread peers([&] {
            play_peers(options, station, fixes);
            QMetaObject::invokeMethod(&application, &QCoreApplication::quit, Qt::QueuedConnection);
        });
        QApplication::exec();
        peers.join();
        station.window().removeEventFilter(&tick_stamps);
        ticks = tick_stamps.stamps;
        unexpected_count = station.window().status_log()->line_count() - 4;
        for (int row = 0; row < std::min(unexpected_count, 10); ++row) {
            unexpected << station.window().status_log()->line(row);
        }
    }

    std::vector<double> latency_ms, wait_ms, handling_ms;
    int lost = 0, wrong = 0, missed_first_tick = 0;
    for (const Fix& fix : fixes) {
        if (fix.done_us == 0) {
            ++lost;
            continue;
        }
        if (fix.wrong) {
            ++wrong;
        }
        latency_ms.push_back((fix.done_us - fix.written_us) / 1000);
        // The tick that took it: the last one to start before its record came back.
        const auto after = std::lower_bound(ticks.begin(), ticks.end(), fix.done_us);
        if (after != ticks.begin()) {
            const double took = *(after - 1);
            wait_ms.push_back((took - fix.written_us) / 1000);
            handling_ms.push_back((fix.done_us - took) / 1000);
            const auto first = std::lower_bound(ticks.begin(), ticks.end(), fix.written_us);
            if (first != ticks.end() && *first != took) {
                ++missed_first_tick;
            }
        }
    }
    std::vector<double> intervals_ms;
    for (std::size_t i = 1; i < ticks.size(); ++i) {
        intervals_ms.push_back((ticks[i] - ticks[i - 1]) / 1000);
    }

    using nerivo::bench::median;
    using nerivo::bench::quantile;
    const double worst = quantile(latency_ms, 1.0);
    std::printf("relay latency over pseudo-terminals: %d fixes, %s sentences at random phases "
                "of the %d ms tick, relay period 0\n",
                options.fixes, options.paced ? "9600-baud paced" : "whole", StationWindow::TICK_MS);
    std::printf("  sentence's last byte written -> \"Done\" read: median %.1f ms, p95 %.1f ms, "
                "worst %.1f ms, best %.1f ms (bound %.0f ms)\n",
                median(latency_ms), quantile(latency_ms, 0.95), worst, quantile(latency_ms, 0),
                BOUND_MS);
    std::printf("  waiting for the tick that took it: median %.1f ms, worst %.1f ms; that tick's "
                "start -> \"Done\" read: median %.2f ms, worst %.2f ms\n",
                median(wait_ms), quantile(wait_ms, 1.0), median(handling_ms),
                quantile(handling_ms, 1.0));
    const auto long_intervals =
        std::count_if(intervals_ms.begin(), intervals_ms.end(), [](double ms) { return ms > 505; });
    std::printf("  tick intervals: %zu, median %.1f ms, shortest %.1f ms, longest %.1f ms, "
                "over 505 ms: %td\n",
                intervals_ms.size(), median(intervals_ms), quantile(intervals_ms, 0),
                quantile(intervals_ms, 1.0), long_intervals);
    std::printf("  fixes lost (no record within %d ms): %d; records with the wrong fix: %d; "
                "fixes the first tick after them did not take: %d\n",
                DONE_TIMEOUT_MS, lost, wrong, missed_first_tick);
    int shown = 0;
    for (const Fix& fix : fixes) {
        if (fix.wrong && shown++ < 5) {
            std::printf("  wrong record: lat %.6f lon %.6f time %.2f sl %.2f, the sentence: %s",
                        static_cast<double>(fix.sent.latitude),
                        static_cast<double>(fix.sent.longitude),
                        static_cast<double>(fix.sent.time_of_day), static_cast<double>(fix.sent.sl),
                        fix.wanted.text.c_str());
        }
    }
    if (unexpected_count > 0) {
        std::printf("  status log lines besides start-up: %d, the newest:\n", unexpected_count);
    }
    for (const QString& line : unexpected) {
        std::printf("    %s\n", qPrintable(line));
    }
    std::printf("figure relay_latency_ms median %.1f p95 %.1f worst %.1f lost %d wrong %d "
                "longest_tick %.1f\n",
                median(latency_ms), quantile(latency_ms, 0.95), worst, lost, wrong,
                quantile(intervals_ms, 1.0));
    const bool pass = lost == 0 && wrong == 0 && worst <= BOUND_MS;
    std::printf("%s (bound: worst <= %.0f ms, no fix lost or wrong)\n", pass ? "PASS" : "FAIL",
                BOUND_MS);
    return pass ? 0 : 1;
}
