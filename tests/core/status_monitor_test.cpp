#include "linked_station.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using nerivo::testing::LinkedStation;
using nerivo::testing::status_record;
using namespace nerivo;
using Texts = std::vector<std::string>;

const int STATUS_FIELDS[] = {IDC_LATITUDE, IDC_LONGITUDE, IDC_HEADING,
                             IDC_DEPTH,    IDC_ALTITUDE,  IDC_BATTERY_VOLTAGE,
                             IDC_HUMIDITY, IDC_BEHAVIOUR, IDC_ABORT};

Texts status_fields(const LinkedStation& s) {
    Texts texts;
    for (const int id : STATUS_FIELDS) {
        texts.push_back(s.view.field(id));
    }
    return texts;
}

const VehicleStatus TYPICAL{-45.705761f, 170.25f, 270.25f, 12.5f, 3.75f, 24.1f, 31.0f, 2, 0};

TEST(StatusMonitor, StatusRecordIsShownInTheNineFieldsInOneTick) {
    LinkedStation s;
    s.connect_both();
    s.vehicle_sends(status_record(TYPICAL));
    s.station.on_tick();
    EXPECT_EQ(status_fields(s), Texts({"-45.705761", "170.250000", "270.250000", "12.50", "3.75",
                                       "24.10", "31.00", "Survey", "No"}));
    EXPECT_EQ(s.status_count(), 3u) << "nothing logged";
}

TEST(StatusMonitor, BehaviourAndAbortFlagTexts) {
    struct Case {
        uint32_t behaviour;
        int32_t abort_flag;
        const char* behaviour_text;
        const char* abort_text;
    };
    const Case cases[] = {{0, 1, "Abort", "Yes"},          {1, 0, "Diving", "No"},
                          {2, 2, "Survey", "Yes"},         {3, -1, "Ascending", "Yes"},
                          {4, 0, "UNKNOWN", "No"},         {0xFFFFFFFF, 0, "UNKNOWN", "No"},
                          {0x80000000, 0, "UNKNOWN", "No"}};
    LinkedStation s;
    s.connect_both();
    for (const Case& c : cases) {
        VehicleStatus status = TYPICAL;
        status.behaviour = c.behaviour;
        status.abort_flag = c.abort_flag;
        s.vehicle_sends(status_record(status));
        s.station.on_tick();
        EXPECT_EQ(s.view.field(IDC_BEHAVIOUR), c.behaviour_text) << c.behaviour;
        EXPECT_EQ(s.view.field(IDC_ABORT), c.abort_text) << c.abort_flag;
    }
}

TEST(StatusMonitor, ValuesTooLongForTheirRoomAreShownShort) {
    LinkedStation s;
    s.connect_both();
    VehicleStatus status = TYPICAL;
    status.latitude = -1e23f; // 31 characters under "%.6f": fits
    status.longitude = 1e24f; // 32: too long
    status.heading = NAN;
    status.depth = 1e28f; // 31 characters under "%.2f": fits
    status.altitude = 1e29f;
    status.battery_voltage = -0.0f;
    s.vehicle_sends(status_record(status));
    s.station.on_tick();
    const Texts shown = status_fields(s);
    EXPECT_EQ(Texts(shown.begin(), shown.begin() + 6),
              Texts({"-99999997781963083612160.000000", "1e+24", "nan",
                     "9999999442119689768320106496.00", "1e+29", "-0.00"}));
}

TEST(StatusMonitor, FewerThan64BytesWaitUntilTheRestArrives) {
    LinkedStation s;
    s.connect_both();
    const auto record = status_record(TYPICAL);
    const Texts before = status_fields(s);
    s.vehicle_sends({record.begin(), record.begin() + 63});
    s.station.on_tick();
    EXPECT_EQ(s.vehicle.pending_at_device(), 63u);
    EXPECT_EQ(status_fields(s), before);
    s.vehicle_sends({record.begin() + 63, record.end()});
    s.station.on_tick();
    EXPECT_EQ(s.view.field(IDC_HEADING), "270.250000");
}

TEST(StatusMonitor, CorruptRecordsAreLoggedAndChangeNoField) {
    struct Case {
        size_t byte;
        const char* line;
    };
    for (const Case c : {Case{23, "Checksum failed in Auv Status header"},
                         Case{24, "Checksum failed in Auv Status header"},
                         Case{63, "Checksum failed in Auv Status data packet"},
                         Case{66, "Checksum failed in Auv Status data packet"}}) {
        LinkedStation s;
        s.connect_both();
        s.vehicle_sends(status_record(TYPICAL));
        s.station.on_tick();
        const Texts shown = status_fields(s);
        const std::size_t lines = s.status_count();

        VehicleStatus other = TYPICAL;
        other.heading = 90.0f;
        std::vector<uint8_t> record = status_record(other);
        record[c.byte] ^= 0x10;
        s.vehicle_sends(record);
        s.station.on_tick();
        EXPECT_EQ(s.newest_status(), c.line) << c.byte;
        EXPECT_EQ(s.status_count(), lines + 1) << c.byte;
        EXPECT_EQ(status_fields(s), shown) << c.byte;
    }
}

TEST(StatusMonitor, TwoRecordsInOneReadShowTheFirstAndLoseTheSecond) {
    LinkedStation s;
    s.connect_both();
    VehicleStatus second = TYPICAL;
    second.heading = 90.0f;
    std::vector<uint8_t> bytes = status_record(TYPICAL);
    const auto tail = status_record(second);
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    s.vehicle_sends(bytes);
    const std::size_t lines = s.status_count();

    s.station.on_tick();
    EXPECT_EQ(s.view.field(IDC_HEADING), "270.250000");
    EXPECT_EQ(s.vehicle.pending_at_device(), 36u);
    s.station.on_tick(); // 36 waiting: too few to read
    EXPECT_EQ(s.vehicle.pending_at_device(), 36u);

    // The next read starts inside the second record: dropped without a word.
    VehicleStatus third = TYPICAL;
    third.heading = 180.0f;
    s.vehicle_sends(status_record(third));
    s.station.on_tick();
    EXPECT_EQ(s.vehicle.pending_at_device(), 4u);
    EXPECT_EQ(s.view.field(IDC_HEADING), "270.250000");
    EXPECT_EQ(s.status_count(), lines);
}

TEST(StatusMonitor, SoundRecordOfAnotherKindIsReportedAsUnknown) {
    LinkedStation s;
    s.connect_both();
    // A nav record, as if the vehicle echoed one, and a record type nobody defined.
    for (const uint32_t type : {SMAC_REC_NAV, uint32_t{7}}) {
        std::vector<uint8_t> record = status_record(TYPICAL);
        smac_put_u32(record.data() + 16, type);
        smac_put_u32(record.data() + 24, smac_checksum(record.data(), 24));
        s.vehicle_sends(record);
        s.station.on_tick();
        EXPECT_EQ(s.newest_status(), "Unknown message received from AUV") << type;
    }
    // Without a sound header it is only noise.
    const std::size_t lines = s.status_count();
    std::vector<uint8_t> garbled = status_record(TYPICAL);
    smac_put_u32(garbled.data() + 16, SMAC_REC_NAV);
    s.vehicle_sends(garbled);
    s.station.on_tick();
    EXPECT_EQ(s.status_count(), lines);
    EXPECT_EQ(s.view.field(IDC_BEHAVIOUR), "N/A");
}

TEST(StatusMonitor, StatusIsHandledBeforeTheUsblInputInOneTick) {
    LinkedStation s;
    s.connect_both();
    std::vector<uint8_t> record = status_record(TYPICAL);
    record[23] ^= 0x01;
    s.vehicle_sends(record);
    s.usbl_sends("not a sentence\r\n");
    s.station.on_tick();
    const Texts messages = s.view.status_messages();
    EXPECT_EQ(
        Texts(messages.begin(), messages.begin() + 2),
        Texts({"received too few tokens in USBL string", "Checksum failed in Auv Status header"}));
}

} // namespace
