// The vehicle as a target on a chart: each status shown goes out as a tracked target (TLL, and
// AIS with an MMSI), and a picture gone stale or a link lost marks it lost, once.
#include "linked_station.h"
#include "udp_receiver.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <thread>

namespace {

using namespace nerivo;
using nerivo::testing::LinkedStation;
using nerivo::testing::status_record;
using nerivo::testing::UdpReceiver;

const VehicleStatus TYPICAL{-45.705761f, 170.25f, 270.25f, 12.5f, 3.75f, 24.1f, 31.0f, 2, 0};

// Each sentence of a datagram cut to what tells it apart: "TLL T", "AIS B" (message 18) or
// "AIS H" (message 24).
std::string kinds(const std::string& datagram) {
    std::istringstream lines(datagram);
    std::string kinds, line;
    while (std::getline(lines, line)) {
        if (line.rfind("$RATLL,01,4542.3457,S,17015.0000,E,AUV,", 0) == 0) {
            kinds += std::string(kinds.empty() ? "" : " ") + "TLL " + line[line.size() - 6];
        } else if (line.rfind("!AIVDM,1,1,,A,", 0) == 0) {
            kinds += std::string(kinds.empty() ? "" : " ") + "AIS " + line[14];
        } else {
            kinds += " ?" + line;
        }
    }
    return kinds;
}

TEST(TargetOutput, StatusesAreTrackedWithTheirAisReportAndStaleOrLostMarksTheTargetLostOnce) {
    UdpReceiver chart;
    const std::string port = std::to_string(chart.port());
    StationSettings settings;
    settings.target_outputs = {{"udp:127.0.0.1:" + port, "127.0.0.1", port}};
    settings.mmsi = 987654321;
    settings.stale_after_s = 60;
    LinkedStation s(nullptr, settings);
    s.connect_both();
    // The address is looked up off the window's thread: a tick or so.
    for (int tick = 0; tick < 50 && chart.receive(1).empty(); ++tick) {
        s.station.on_tick();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

    s.vehicle_sends(status_record(TYPICAL));
    s.station.on_tick();
    EXPECT_EQ(kinds(chart.receive()), "TLL T AIS B AIS H AIS H") << "the name with the first";
    s.clock.advance_seconds(10);
    s.vehicle_sends(status_record(TYPICAL));
    s.station.on_tick();
    EXPECT_EQ(kinds(chart.receive()), "TLL T AIS B");

    s.clock.advance_seconds(settings.stale_after_s);
    s.station.on_tick();
    EXPECT_EQ(kinds(chart.receive()), "TLL L");
    s.station.on_tick();
    EXPECT_EQ(chart.receive(50), "") << "once";

    s.vehicle_sends(status_record(TYPICAL));
    s.station.on_tick();
    EXPECT_EQ(kinds(chart.receive()), "TLL T AIS B");
    s.vehicle.close_master(); // the cable is pulled
    s.station.on_tick();
    EXPECT_EQ(kinds(chart.receive()), "TLL L");
}

} // namespace
