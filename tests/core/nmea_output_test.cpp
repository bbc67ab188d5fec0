// The vehicle's position out to chart plotters: from the status record on the vehicle's line
// to a datagram on this machine and the bytes on a serial line, and the status log's word on a
// target that fails.
#include "linked_station.h"
#include "nmea_output.h"
#include "udp_receiver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

namespace {

using namespace nerivo;
using nerivo::testing::FakeClock;
using nerivo::testing::LinkedStation;
using nerivo::testing::RecordingView;
using nerivo::testing::status_record;
using nerivo::testing::UdpReceiver;

const VehicleStatus TYPICAL{-45.705761f, 170.25f, 270.25f, 12.5f, 3.75f, 24.1f, 31.0f, 2, 0};

// Stands in for the resolver while it lives. A name in `answers` gets its addresses, at once
// unless it is `held`: a held name is a name server that does not answer, until let_go().
// Any other name goes to the system's resolver.
class ResolverStandIn {
public:
    explicit ResolverStandIn(std::map<std::string, std::vector<std::string>> answers = {},
                             std::set<std::string> held = {})
        : state_(std::make_shared<State>()) {
        state_->answers = std::move(answers);
        state_->held = std::move(held);
        set_host_lookup([state = state_, system = host_lookup()](const std::string& host) {
            const auto answer = state->answers.find(host);
            if (answer == state->answers.end()) {
                return system(host);
            }
            if (state->held.count(host) > 0) {
                std::unique_lock lock(state->mutex);
                ++state->holding;
                // Bounded, so that a station that waited for it fails instead of hanging.
                state->let_go.wait_for(lock, std::chrono::seconds(3), [&] { return state->gone; });
                --state->holding;
            }
            return HostAddresses{answer->second, {}};
        });
    }
    ~ResolverStandIn() {
        let_go();
        set_host_lookup({});
    }

    void let_go() {
        {
            std::lock_guard lock(state_->mutex);
            state_->gone = true;
        }
        state_->let_go.notify_all();
    }

    // Waits (a second at most) until every lookup but the held ones has handed its answer to
    // the station. A lookup's thread keeps its copy of this resolver until then, so the copies
    // alive beyond ours and the installed one are the lookups still out.
    [[nodiscard]] bool settled() const {
        for (int waited_ms = 0; waited_ms < 1000; ++waited_ms) {
            {
                std::lock_guard lock(state_->mutex);
                if (state_.use_count() - 2 == (state_->gone ? 0 : state_->holding)) {
                    return true;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
    }

private:
    struct State {
        std::map<std::string, std::vector<std::string>> answers;
        std::set<std::string> held;
        std::mutex mutex;
        std::condition_variable let_go;
        bool gone = false;
        long holding = 0;
    };
    std::shared_ptr<State> state_;
};

// Status k is at 40 + k degrees south, so that its datagram tells which it was.
VehicleStatus numbered(int k) {
    VehicleStatus status = TYPICAL;
    status.latitude = -(40.0f + static_cast<float>(k));
    return status;
}

// The numbers of the statuses whose datagrams came, as often as each came: "2 3".
std::string heard(UdpReceiver* receiver) {
    std::string numbers;
    for (std::string datagram = receiver != nullptr ? receiver->receive(50) : ""; !datagram.empty();
         datagram = receiver->receive(10)) {
        const std::size_t latitude = datagram.find(',', 7) + 1; // after $GPGGA and its time
        numbers += (numbers.empty() ? "" : " ") +
                   std::to_string(std::stoi(datagram.substr(latitude, 2)) - 40);
    }
    return numbers;
}

long lines_starting(const LinkedStation& s, const std::string& start) {
    const std::vector<std::string> lines = s.view.status_messages();
    return std::count_if(lines.begin(), lines.end(),
                         [&](const std::string& line) { return line.rfind(start, 0) == 0; });
}

TEST(NmeaOutput, EachStatusShownGoesOnceToEveryTargetAndOneThatFailsIsToldOnce) {
    ResolverStandIn resolver; // the system's, watched
    UdpReceiver chart;
    const std::string port = std::to_string(chart.port());
    StationSettings settings;
    // No resolver can look up a name with an empty label: it fails without leaving the machine.
    settings.nmea_targets = {{"udp:127.0.0.1:" + port, "127.0.0.1", port},
                             {"com:11:9600", "", "", 11, 9600},
                             {"udp:no..host:10110", "no..host", "10110"}};
    LinkedStation s(nullptr, settings);
    ASSERT_TRUE(resolver.settled());
    s.station.on_tick();
    EXPECT_EQ(lines_starting(s, "NMEA output to com:11:9600 failed: "), 1);
    EXPECT_EQ(lines_starting(s, "NMEA output to udp:no..host:10110 failed: "), 1);

    auto& plotter = s.com.plug(11);
    s.connect_both();
    s.clock.advance_ms(Link::REOPEN_EVERY_MS);
    s.station.on_tick();
    EXPECT_EQ(s.newest_status(), "NMEA com:11:9600 link back...Connected");

    s.vehicle_sends(status_record(TYPICAL));
    s.station.on_tick();
    const std::string sentences =
        "$GPGGA,090508.00,4542.3457,S,17015.0000,E,1,,,-12.50,M,,,,*23\r\n"
        "$GPRMC,090508.00,A,4542.3457,S,17015.0000,E,,,010123,,,A*46\r\n"
        "$HEHDT,270.25,T*1D\r\n";
    EXPECT_EQ(chart.receive(), sentences);
    const std::vector<uint8_t> on_the_line = plotter.read(sentences.size());
    EXPECT_EQ(std::string(on_the_line.begin(), on_the_line.end()), sentences);

    // Ticks with no new record send nothing, while the host is looked up again; a status that
    // is no position is shown and not sent.
    VehicleStatus nowhere = TYPICAL;
    nowhere.latitude = NAN;
    for (int tick = 0; tick < 20; ++tick) {
        s.clock.advance_ms(NmeaOutput::LOOKUP_AGAIN_MS / 4);
        s.station.on_tick();
        ASSERT_TRUE(resolver.settled());
    }
    s.vehicle_sends(status_record(nowhere));
    s.station.on_tick();
    EXPECT_EQ(s.view.field(IDC_LATITUDE), "nan");
    EXPECT_EQ(chart.receive(50), "");
    EXPECT_TRUE(plotter.drain().empty());
    EXPECT_EQ(lines_starting(s, "NMEA output to udp:no..host:10110 failed: "), 1);
    EXPECT_EQ(lines_starting(s, "NMEA"), 3);
}

TEST(NmeaOutput, LocalhostReachesAReceiverOnEitherLoopbackAddressWithEachDatagramSentOnce) {
    struct Row {
        const char* listening;
        bool on_v4;
        bool on_v6;
        const char* heard_on_v4;
        const char* heard_on_v6;
        bool failure_told;
    };
    const Row rows[] = {
        // Status 1 goes to ::1, first in the resolver's order, and is lost: only the refusal
        // of the next send tells that nobody listens there.
        {"127.0.0.1 alone", true, false, "2 3", "", false},
        {"::1 alone", false, true, "", "1 2 3", false},
        {"both", true, true, "", "1 2 3", false},
        {"nobody", false, false, "", "", true},
    };
    for (const Row& row : rows) {
        // As Debian's hosts file (::1 and 127.0.0.1 both localhost) and the resolver's order
        // have it.
        ResolverStandIn resolver({{"localhost", {"::1", "127.0.0.1"}}});
        auto v4 = std::make_unique<UdpReceiver>("127.0.0.1");
        auto v6 = std::make_unique<UdpReceiver>("::1", v4->port());
        ASSERT_EQ(v6->port(), v4->port()) << "a port free on both loopback addresses";
        const std::string port = std::to_string(v4->port());
        if (!row.on_v4) {
            v4.reset();
        }
        if (!row.on_v6) {
            v6.reset();
        }
        FakeClock clock;
        RecordingView view;
        EventLog log(view);
        NmeaOutput nmea(view, log, {{"udp:localhost:" + port, "localhost", port}});
        nmea.start();
        ASSERT_TRUE(resolver.settled());
        for (int k = 1; k <= 3; ++k) {
            clock.advance_ms(500);
            nmea.watch();
            nmea.send(numbered(k), clock.now());
        }
        EXPECT_EQ(heard(v4.get()), row.heard_on_v4) << row.listening;
        EXPECT_EQ(heard(v6.get()), row.heard_on_v6) << row.listening;
        // Told only when every address has failed, and then once.
        const std::vector<std::string> told = view.status_messages();
        ASSERT_EQ(told.size(), row.failure_told ? 1u : 0u) << row.listening;
        if (row.failure_told) {
            EXPECT_EQ(told[0].rfind("NMEA output to udp:localhost:" + port + " failed: ", 0), 0u)
                << told[0];
        }
    }
}

TEST(NmeaOutput, ANameServerThatNeverAnswersHoldsNeitherStartNorTicksAndIsToldOnceAfter5s) {
    UdpReceiver near_chart;
    UdpReceiver far_chart;
    const std::string near_port = std::to_string(near_chart.port());
    const std::string far_port = std::to_string(far_chart.port());
    // The near chart's address goes to the system's resolver; the far chart's name is held.
    ResolverStandIn resolver({{"plotter.example", {"127.0.0.1"}}}, {"plotter.example"});
    FakeClock clock;
    const WallTime started = clock.now();
    RecordingView view;
    EventLog log(view);
    NmeaOutput nmea(view, log,
                    {{"udp:127.0.0.1:" + near_port, "127.0.0.1", near_port},
                     {"udp:plotter.example:" + far_port, "plotter.example", far_port}});
    using Steady = std::chrono::steady_clock;
    Steady::duration slowest{};
    const auto timed = [&](const auto& step) {
        const Steady::time_point before = Steady::now();
        step();
        slowest = std::max(slowest, Steady::now() - before);
    };

    timed([&] { nmea.start(); });
    ASSERT_TRUE(resolver.settled());
    // Ticks every 500 ms for 20 s, a status on the first and one at 10 s: they reach the near
    // chart at once, and nothing goes to the far one.
    for (int tick = 1; tick <= 40; ++tick) {
        clock.advance_ms(500);
        timed([&] { nmea.watch(); });
        if (tick == 1 || tick == 20) {
            const int k = tick == 1 ? 1 : 2;
            timed([&] { nmea.send(numbered(k), clock.now()); });
            EXPECT_EQ(heard(&near_chart), std::to_string(k));
        }
    }
    EXPECT_LT(slowest, std::chrono::milliseconds(500));
    EXPECT_EQ(heard(&far_chart), "");
    ASSERT_EQ(view.status_log().size(), 1u);
    EXPECT_EQ(view.status_log()[0].first.seconds, started.seconds + 5);
    EXPECT_EQ(view.status_log()[0].first.milliseconds, started.milliseconds);
    EXPECT_EQ(view.status_messages()[0], "NMEA output to udp:plotter.example:" + far_port +
                                             " on hold: no answer from the name server yet");

    // The name server answers at last: the next status goes there too, and nothing is told.
    resolver.let_go();
    ASSERT_TRUE(resolver.settled());
    nmea.watch();
    nmea.send(numbered(3), clock.now());
    EXPECT_EQ(heard(&far_chart), "3");
    EXPECT_EQ(heard(&near_chart), "3");
    EXPECT_EQ(view.status_log().size(), 1u);
}

} // namespace
