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
#include <thread>

namespace {

using namespace nerivo;
using nerivo::testing::LinkedStation;
using nerivo::testing::status_record;

const VehicleStatus TYPICAL{-45.705761f, 170.25f, 270.25f, 12.5f, 3.75f, 24.1f, 31.0f, 2, 0};

long lines_starting(const LinkedStation& s, const std::string& start) {
    const std::vector<std::string> lines = s.view.status_messages();
    return std::count_if(lines.begin(), lines.end(),
                         [&](const std::string& line) { return line.rfind(start, 0) == 0; });
}

TEST(NmeaOutput, EachStatusShownGoesOnceToEveryTargetAndOneThatFailsIsToldOnce) {
    nerivo::testing::UdpReceiver chart;
    const std::string port = std::to_string(chart.port());
    StationSettings settings;
    // No resolver can look up a name with an empty label: it fails without leaving the machine.
    settings.nmea_targets = {{"udp:127.0.0.1:" + port, "127.0.0.1", port},
                             {"com:11:9600", "", "", 11, 9600},
                             {"udp:no..host:10110", "no..host", "10110"}};
    LinkedStation s(nullptr, settings);
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
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    s.vehicle_sends(status_record(nowhere));
    s.station.on_tick();
    EXPECT_EQ(s.view.field(IDC_LATITUDE), "nan");
    EXPECT_EQ(chart.receive(50), "");
    EXPECT_TRUE(plotter.drain().empty());
    EXPECT_EQ(lines_starting(s, "NMEA output to udp:no..host:10110 failed: "), 1);
    EXPECT_EQ(lines_starting(s, "NMEA"), 3);
}

} // namespace
