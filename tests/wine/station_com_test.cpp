// The station's vehicle link over a COM pair under Wine: the far end that would let the
// core's link tests run as Windows programs.
#include "com_pair.h"
#include "control_ids.h"
#include "fake_clock.h"
#include "recording_view.h"
#include "smac_header.h"
#include "smac_records.h"
#include "station.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace {

using namespace nerivo;
using nerivo::testing::ComPair;
using nerivo::testing::FakeClock;
using nerivo::testing::RecordedDump;
using nerivo::testing::RecordingView;
using nerivo::testing::ScopedTimeZone;
using Clock = std::chrono::steady_clock;

struct ComLinkedStation {
    ComLinkedStation() {
        station.init_station();
        view.set_field_text(IDC_AUV_COM, std::to_string(vehicle.device_number()));
        station.connect_auv();
    }

    ScopedTimeZone zone{"UTC0"};
    FakeClock clock{1'672'563'907}; // 2023-01-01 09:05:07 UTC
    ComPair vehicle;
    RecordingView view;
    RecordedDump dump;
    Station station{view, &dump};
};

TEST(StationOverComPair, ConnectsByTheNumberInItsField) {
    ComLinkedStation s;
    EXPECT_EQ(s.view.face_colour(IDC_AUV_BUTTON), STATE_GREEN);
    EXPECT_EQ(s.view.status_lines().front(), "[000 09:05:07] AUV responding...Connected");
}

TEST(StationOverComPair, RequestStatusPutsOneCommandRecordOnTheWire) {
    ComLinkedStation s;
    s.station.request_status();
    const std::vector<uint8_t> bytes = s.vehicle.read(SMAC_COMMAND_RECORD_SIZE);
    ASSERT_EQ(bytes.size(), SMAC_COMMAND_RECORD_SIZE);
    SmacHeader header{};
    smac_read_header(bytes.data(), &header);
    EXPECT_EQ(header.rec_type, 2u);
    EXPECT_EQ(header.param, SMAC_COMMAND_REQUEST_STATUS);
    EXPECT_EQ(header.checksum, smac_checksum(bytes.data(), 24));
    EXPECT_TRUE(s.vehicle.drain().empty());
}

TEST(StationOverComPair, StatusFromTheVehicleIsShownInOneTick) {
    ComLinkedStation s;
    const VehicleStatus status{-45.705761f, 170.25f, 270.25f, 12.5f, 3.75f, 24.1f, 31.0f, 2, 0};
    SmacHeader header{};
    std::vector<uint8_t> record(SMAC_STATUS_RECORD_SIZE);
    uint32_t size = 0;
    smac_build_status(&header, &status, wall_clock_now(), record.data(), &size);
    ASSERT_TRUE(s.vehicle.write(record));
    ASSERT_TRUE(s.vehicle.wait_pending_at_device(record.size()));
    s.station.on_tick();
    EXPECT_EQ(s.view.field(IDC_LATITUDE), "-45.705761");
    EXPECT_EQ(s.view.field(IDC_DEPTH), "12.50");
    EXPECT_EQ(s.view.field(IDC_BEHAVIOUR), "Survey");
    EXPECT_EQ(s.vehicle.pending_at_device(), 0u);
}

TEST(StationOverComPair, PulledCableFailsTheSendAtOnce) {
    ComLinkedStation s;
    s.vehicle.close_master();
    const auto start = Clock::now();
    s.station.request_status();
    s.station.on_tick();
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(200));
    const std::vector<std::string> messages = s.view.status_messages();
    ASSERT_GE(messages.size(), 3u);
    EXPECT_EQ(messages[0], "AUV link lost");
    EXPECT_EQ(messages[1], "Send to AUV failed");
    EXPECT_EQ(messages[2], "Requesting status from AUV");
    EXPECT_EQ(s.view.face_colour(IDC_AUV_BUTTON), STATE_RED);
}

} // namespace
