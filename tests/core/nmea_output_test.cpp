// The vehicle's position out to chart plotters: from the status record on the vehicle's line
// to a datagram on this machine and the bytes on a serial line, and the status log's word on a
// target that fails.
#include "linked_station.h"
#include "nmea_output.h"
#include "udp_receiver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <memory>
#include <thread>

namespace {

using namespace nerivo;
using nerivo::testing::FakeClock;
using nerivo::testing::LinkedStation;
using nerivo::testing::RecordingView;
using nerivo::testing::status_record;
using nerivo::testing::UdpReceiver;

const VehicleStatus TYPICAL{-45.705761f, 170.25f, 270.25f, 12.5f, 3.75f, 24.1f, 31.0f, 2, 0};

// Stands in for the resolver while it lives: `name` gets `addresses`, at once or, when held,
// once the test lets it go (a name server that does not answer till then); any other name
// goes to the system's resolver.
class StandInResolver {
public:
    explicit StandInResolver(const std::string& name = "", std::vector<std::string> addresses = {},
                             bool held = false)
        : held_(std::make_shared<std::atomic<bool>>(held)) {
        set_host_lookup([=, held = held_, system = host_lookup()](const std::string& host) {
            // Bounded, so that a station that waited for it fails instead of hanging.
            for (int ms = 0; host == name && *held && ms < 3000; ++ms) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            return host == name ? HostAddresses{addresses, {}} : system(host);
        });
    }
    ~StandInResolver() {
        let_go();
        set_host_lookup({});
    }
    void let_go() { *held_ = false; }

    // Waits (a second at most) until every lookup but a held one has handed its answer over:
    // a lookup's thread keeps its copy of this resolver till then.
    [[nodiscard]] bool settled() const {
        for (int ms = 0; ms < 1000 && held_.use_count() != (*held_ ? 3 : 2); ++ms) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return held_.use_count() == (*held_ ? 3 : 2);
    }

private:
    std::shared_ptr<std::atomic<bool>> held_;
};

// The numbers of the statuses whose datagrams came, as often as each came: "2 3".
std::string heard(UdpReceiver* receiver) {
    std::string numbers;
    for (std::string d = receiver != nullptr ? receiver->receive(50) : ""; !d.empty();
         d = receiver->receive(10)) {
        const std::size_t latitude = d.find(',', 7) + 1; // after $GPGGA and its time
        numbers +=
            (numbers.empty() ? "" : " ") + std::to_string(std::stoi(d.substr(latitude)) / 100 - 40);
    }
    return numbers;
}

// An NMEA output started on a fake clock, and what its operator is told.
struct StartedOutput {
    explicit StartedOutput(const std::vector<NmeaTarget>& targets) : nmea(view, log, targets) {
        nmea.start();
    }
    // A tick 500 ms on, with status k (at 40 + k degrees south) when k is not 0.
    void tick(int k = 0) {
        clock.advance_ms(500);
        nmea.watch();
        VehicleStatus status = TYPICAL;
        status.latitude = -(40.0f + static_cast<float>(k));
        if (k != 0) {
            nmea.send(status, clock.now());
        }
    }
    FakeClock clock;
    RecordingView view;
    EventLog log{view};
    NmeaOutput nmea;
};

long lines_starting(const LinkedStation& s, const std::string& start) {
    const std::vector<std::string> lines = s.view.status_messages();
    return std::count_if(lines.begin(), lines.end(),
                         [&](const std::string& line) { return line.rfind(start, 0) == 0; });
}

TEST(NmeaOutput, EachStatusShownGoesOnceToEveryTargetAndOneThatFailsIsToldOnce) {
    StandInResolver resolver; // the system's, watched
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
    // Status 1 goes to ::1, first in the resolver's order, and is lost: only the refusal of the
    // next send tells that nobody listens there. A failure is told once every address failed.
    const struct {
        const char* listening;
        bool v4, v6;
        const char *heard_v4, *heard_v6;
        std::size_t told;
    } rows[] = {{"127.0.0.1", true, false, "2 3", "", 0},
                {"::1", false, true, "", "1 2 3", 0},
                {"both", true, true, "", "1 2 3", 0},
                {"nobody", false, false, "", "", 1}};
    for (const auto& row : rows) {
        // As Debian's hosts file and the resolver's order have it.
        StandInResolver resolver("localhost", {"::1", "127.0.0.1"});
        auto v4 = std::make_unique<UdpReceiver>("127.0.0.1");
        auto v6 = std::make_unique<UdpReceiver>("::1", v4->port());
        ASSERT_EQ(v6->port(), v4->port());
        const std::string port = std::to_string(v4->port());
        v4.reset(row.v4 ? v4.release() : nullptr);
        v6.reset(row.v6 ? v6.release() : nullptr);
        StartedOutput out({{"udp:localhost:" + port, "localhost", port}});
        ASSERT_TRUE(resolver.settled());
        for (int k = 1; k <= 3; ++k) {
            out.tick(k);
        }
        EXPECT_EQ(heard(v4.get()), row.heard_v4) << row.listening;
        EXPECT_EQ(heard(v6.get()), row.heard_v6) << row.listening;
        EXPECT_EQ(out.view.status_messages().size(), row.told) << row.listening;
    }
}

TEST(NmeaOutput, ANameServerThatNeverAnswersHoldsNeitherStartNorTicksAndIsToldOnceAfter5s) {
    UdpReceiver near_chart;
    UdpReceiver far_chart;
    const std::string near = std::to_string(near_chart.port());
    const std::string far = std::to_string(far_chart.port());
    StandInResolver resolver("plotter.example", {"127.0.0.1"}, true);
    const auto before = std::chrono::steady_clock::now();
    StartedOutput out({{"udp:127.0.0.1:" + near, "127.0.0.1", near},
                       {"udp:plotter.example:" + far, "plotter.example", far}});
    const WallTime started = out.clock.now();
    ASSERT_TRUE(resolver.settled());
    for (int tick = 1; tick <= 40; ++tick) { // 20 s, status 1 at once and status 2 at 10 s
        out.tick(tick == 1 ? 1 : tick == 20 ? 2 : 0);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(1));
    EXPECT_EQ(heard(&near_chart), "1 2");
    EXPECT_EQ(heard(&far_chart), "");
    ASSERT_EQ(out.view.status_log().size(), 1u);
    const auto& [at, line] = out.view.status_log()[0];
    EXPECT_EQ((at.seconds - started.seconds) * 1000 + at.milliseconds - started.milliseconds,
              NmeaOutput::LOOKUP_SLOW_MS);
    EXPECT_NE(line.find("NMEA output to udp:plotter.example:" + far +
                        " on hold: no answer from the name server yet"),
              std::string::npos);

    // The name server answers at last: the next status goes there too, and nothing is told.
    resolver.let_go();
    ASSERT_TRUE(resolver.settled());
    out.tick(3);
    EXPECT_EQ(heard(&far_chart), "3");
    EXPECT_EQ(out.view.status_log().size(), 1u);
}

} // namespace
