#include "linked_station.h"

#include "c_text.h"

#include <gtest/gtest.h>

#include <cstring>

namespace nerivo::testing {

LinkedStation::LinkedStation(DumpOutput* dump_to, const StationSettings& settings)
    : station(view, dump_to != nullptr ? dump_to : &dump, settings) {
    station.init_station();
}

LinkedStation::LinkedStation(const std::string& log_folder)
    : files(std::make_unique<LogFilesView>(view, log_folder)), station(*files, &dump) {
    files->report_problems_to(
        [this](const std::string& problem) { station.add_status_message(problem); });
    station.write_track_to(files.get());
    station.init_station();
}

void LinkedStation::connect_both() {
    station.connect_winfrog();
    station.connect_auv();
    ASSERT_EQ(view.face_colour(IDC_WINFROG_BUTTON), STATE_GREEN);
    ASSERT_EQ(view.face_colour(IDC_AUV_BUTTON), STATE_GREEN);
}

void LinkedStation::start_relay(int period_s) {
    connect_both();
    view.set_field_text(IDC_XMIT_PERIOD, std::to_string(period_s));
    station.toggle_relay();
    ASSERT_EQ(view.field(IDC_XMIT_BUTTON), "Stop Packet Xmit");
}

void LinkedStation::usbl_sends(const std::string& text) {
    const size_t before = usbl.pending_at_device();
    ASSERT_TRUE(usbl.write(text));
    ASSERT_TRUE(usbl.wait_pending_at_device(before + text.size()));
}

void LinkedStation::vehicle_sends(const std::vector<uint8_t>& bytes) {
    const size_t before = vehicle.pending_at_device();
    ASSERT_TRUE(vehicle.write(bytes));
    ASSERT_TRUE(vehicle.wait_pending_at_device(before + bytes.size()));
}

std::string LinkedStation::sentence(int lat_deg, double lat_min, char ns, int lon_deg,
                                    double lon_min, char ew, const char* time, double sl) {
    return c_format("$NVPOS,%s,%02d%07.4f,%c,%03d%07.4f,%c,25.0,221.7,264.3,1.09,0.36,%.2f\r\n",
                    time, lat_deg, lat_min, ns, lon_deg, lon_min, ew, sl);
}

std::vector<uint8_t> status_record(const VehicleStatus& status) {
    SmacHeader header{};
    std::vector<uint8_t> record(SMAC_STATUS_RECORD_SIZE);
    uint32_t size = 0;
    smac_build_status(&header, &status, wall_clock_now(), record.data(), &size);
    return record;
}

std::vector<SentNav> nav_records_in(const std::vector<uint8_t>& bytes) {
    constexpr size_t STRIDE = SMAC_NAV_RECORD_SIZE + sizeof SMAC_NAV_TERMINATOR;
    std::vector<SentNav> records;
    EXPECT_EQ(bytes.size() % STRIDE, 0u) << "not whole nav records: " << bytes.size() << " bytes";
    for (size_t at = 0; at + STRIDE <= bytes.size(); at += STRIDE) {
        const uint8_t* record = bytes.data() + at;
        SentNav sent{};
        smac_read_header(record, &sent.header);
        EXPECT_EQ(sent.header.version, 1u);
        EXPECT_EQ(sent.header.rec_size, 16u);
        EXPECT_EQ(sent.header.rec_type, 0u);
        EXPECT_EQ(sent.header.param, 0u);
        EXPECT_EQ(sent.header.checksum, smac_checksum(record, 24));
        EXPECT_EQ(smac_get_u32(record + 44), smac_checksum(record, 44));
        EXPECT_EQ(std::memcmp(record + 48, "Done", 5), 0) << "no Done after the record";
        smac_read_nav_payload(record + 28, &sent.fix);
        records.push_back(sent);
    }
    return records;
}

} // namespace nerivo::testing
