#include "heap_use.h"
#include "linked_station.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using nerivo::testing::heap_in_use;
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

VehicleStatus heading(float value) {
    VehicleStatus status = TYPICAL;
    status.heading = value;
    return status;
}

std::vector<uint8_t> operator+(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Ticks until the vehicle end's bytes are all read; the headings shown meanwhile, in order.
Texts headings_shown(LinkedStation& s) {
    Texts shown;
    for (int tick = 0; tick < 400 && (s.vehicle.pending_at_device() > 0 || tick < 2); ++tick) {
        const std::string before = s.view.field(IDC_HEADING);
        s.station.on_tick();
        if (s.view.field(IDC_HEADING) != before) {
            shown.push_back(s.view.field(IDC_HEADING));
        }
    }
    return shown;
}

TEST(StatusMonitor, NoiseBeforeARecordOfAnyLengthLosesNothing) {
    for (std::size_t noise = 1; noise <= 67; ++noise) {
        LinkedStation s;
        s.connect_both();
        std::vector<uint8_t> bytes(noise, 0x01); // the first byte of a header, over and over
        bytes[noise - 1] = 0x55;
        s.vehicle_sends(bytes + status_record(heading(90.0f)));
        EXPECT_EQ(headings_shown(s), Texts{"90.000000"}) << noise << " bytes of noise";
        EXPECT_EQ(s.status_count(), 3u) << noise << " bytes of noise: nothing to say";
    }
}

TEST(StatusMonitor, RecordSplitAtAnyByteIsShownOnceWhole) {
    const std::vector<uint8_t> record = status_record(heading(90.0f));
    for (std::size_t cut = 1; cut < record.size(); ++cut) {
        LinkedStation s;
        s.connect_both();
        s.vehicle_sends(status_record(heading(45.0f)) +
                        std::vector<uint8_t>(record.begin(), record.begin() + cut));
        s.station.on_tick();
        EXPECT_EQ(s.view.field(IDC_HEADING), "45.000000") << "cut at " << cut;
        s.vehicle_sends({record.begin() + static_cast<long>(cut), record.end()});
        EXPECT_EQ(headings_shown(s), Texts{"90.000000"}) << "cut at " << cut;
        EXPECT_EQ(s.status_count(), 3u) << "cut at " << cut;
    }
}

TEST(StatusMonitor, RecordSplitAcrossThreeTicksAfterNoise) {
    LinkedStation s;
    s.connect_both();
    const std::vector<uint8_t> noise(50, 0xEE);
    const std::vector<uint8_t> record = status_record(heading(90.0f));
    s.vehicle_sends(noise + std::vector<uint8_t>(record.begin(), record.begin() + 20));
    s.station.on_tick(); // reads 70: noise gone, 20 kept
    s.vehicle_sends({record.begin() + 20, record.begin() + 50});
    s.station.on_tick(); // 20 kept and 30 waiting: too few to be a record yet
    EXPECT_EQ(s.view.field(IDC_HEADING), "---");
    s.vehicle_sends({record.begin() + 50, record.end()});
    s.station.on_tick();
    EXPECT_EQ(s.view.field(IDC_HEADING), "90.000000");
    EXPECT_EQ(s.status_count(), 3u);
}

TEST(StatusMonitor, SeveralWholeRecordsInOneReadShowTheNewest) {
    LinkedStation s;
    s.connect_both();
    const std::vector<uint8_t> first = status_record(heading(45.0f));
    s.vehicle_sends({first.begin(), first.begin() + 64});
    s.station.on_tick(); // 64 waiting: read, a record short of its trailer
    EXPECT_EQ(s.view.field(IDC_HEADING), "---");
    s.vehicle_sends(std::vector<uint8_t>(first.begin() + 64, first.end()) +
                    status_record(heading(90.0f)));
    s.station.on_tick();
    EXPECT_EQ(s.view.field(IDC_HEADING), "90.000000");
    EXPECT_EQ(s.status_count(), 3u) << "the older one goes without a line";
}

// A record damaged anywhere, or cut short by a vehicle that reset while sending it, is told
// once and never hides the record that follows it.
TEST(StatusMonitor, DamagedRecordNeverHidesTheNext) {
    struct Case {
        const char* name;
        std::size_t flipped_byte; // 0: none
        std::size_t kept;         // bytes of the damaged record that were sent
        const char* told;
    };
    const char* header = "Checksum failed in Auv Status header";
    const char* data = "Checksum failed in Auv Status data packet";
    const Case cases[] = {
        {"header damaged", 20, 68, header},       {"payload damaged", 40, 68, data},
        {"cut inside its header", 0, 20, header}, {"cut after its header", 0, 28, data},
        {"cut in its payload", 0, 40, data},      {"cut before its trailer", 0, 64, data},
        {"cut in its trailer", 0, 67, data},
    };
    for (const Case& c : cases) {
        LinkedStation s;
        s.connect_both();
        std::vector<uint8_t> damaged = status_record(heading(60.0f));
        if (c.flipped_byte != 0) {
            damaged[c.flipped_byte] ^= 0x04;
        }
        damaged.resize(c.kept);
        s.vehicle_sends(damaged + status_record(heading(90.0f)));
        EXPECT_EQ(headings_shown(s), Texts({"90.000000"})) << c.name;
        EXPECT_EQ(s.view.status_messages().front(), c.told) << c.name;
        EXPECT_EQ(s.status_count(), 4u) << c.name;
    }
}

// Everything that has come is read in a tick: the fields never lag behind a fast vehicle.
TEST(StatusMonitor, FieldsKeepUpWithAVehicleFasterThanTheTick) {
    LinkedStation s;
    s.connect_both();
    std::vector<uint8_t> stream;
    for (int i = 1; i <= 40; ++i) {
        stream = stream + status_record(heading(static_cast<float>(i)));
    }
    s.vehicle_sends(stream);
    s.station.on_tick();
    EXPECT_EQ(s.view.field(IDC_HEADING), "40.000000");
    EXPECT_EQ(s.vehicle.pending_at_device(), 0u);
}

// What is kept between ticks stays small, and a record after the flood still shows.
TEST(StatusMonitor, FloodOfGarbageHoldsNoMoreThanARecordOrTwo) {
    LinkedStation s;
    s.connect_both();
    // Starts of records that never end, each cut off by the next: 60 kB of them. Their
    // headers are not sound, so the operator is not told of each.
    std::vector<uint8_t> record = status_record(heading(1.0f));
    record[16] = 0x07;
    std::size_t before = 0;
    for (int chunk = 0; chunk < 15; ++chunk) {
        std::vector<uint8_t> flood;
        for (int i = 0; flood.size() < 4000; ++i) {
            flood.insert(flood.end(), record.begin(), record.begin() + 28 + i % 13);
        }
        s.vehicle_sends(flood);
        for (int tick = 0; tick < 60 && s.vehicle.pending_at_device() > 0; ++tick) {
            s.station.on_tick();
        }
        if (chunk == 0) {
            before = heap_in_use();
        }
    }
    EXPECT_LT(heap_in_use(), before + 4096);
    EXPECT_EQ(s.status_count(), 3u);
    s.vehicle_sends(status_record(heading(90.0f)));
    EXPECT_EQ(headings_shown(s), Texts{"90.000000"});
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
