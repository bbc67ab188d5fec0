#include "linked_station.h"
#include "send_queue.h"

#include <gtest/gtest.h>

namespace {

using nerivo::Station;
using nerivo::testing::LinkedStation;
using nerivo::testing::nav_records_in;
using namespace nerivo;
using Lines = std::vector<std::string>;

Lines newest(const LinkedStation& s, std::size_t count) {
    const Lines all = s.view.status_messages();
    return Lines(all.begin(), all.begin() + static_cast<long>(std::min(count, all.size())));
}

// Reads one command record at the vehicle end and checks its envelope.
uint32_t received_command(LinkedStation& s) {
    const std::vector<uint8_t> bytes = s.vehicle.read(SMAC_COMMAND_RECORD_SIZE);
    EXPECT_EQ(bytes.size(), SMAC_COMMAND_RECORD_SIZE);
    if (bytes.size() != SMAC_COMMAND_RECORD_SIZE) {
        return 0xFFFFFFFF;
    }
    SmacHeader header;
    smac_read_header(bytes.data(), &header);
    EXPECT_EQ(header.version, 1u);
    EXPECT_EQ(header.rec_size, 1u);
    EXPECT_EQ(header.rec_type, 2u);
    EXPECT_EQ(header.timestamp[0], static_cast<uint32_t>(s.clock.now().seconds));
    EXPECT_EQ(header.checksum, smac_checksum(bytes.data(), 24));
    EXPECT_EQ(bytes[28], 0); // the payload byte carries nothing
    EXPECT_EQ(smac_get_u32(bytes.data() + 29), smac_checksum(bytes.data(), 29));
    return header.param;
}

TEST(StationCommands, RequestStatusSendsOneRecordWithoutAsking) {
    LinkedStation s;
    s.start_relay(5);
    s.station.request_status();
    EXPECT_TRUE(s.view.questions().empty());
    EXPECT_EQ(s.newest_status(), "Requesting status from AUV");
    EXPECT_EQ(received_command(s), 0u);
    EXPECT_TRUE(s.vehicle.drain(20).empty());
    EXPECT_EQ(s.view.field(IDC_XMIT_BUTTON), "Stop Packet Xmit"); // the relay is left alone
}

TEST(StationCommands, WithoutTheVehicleLinkNothingIsAsked) {
    for (auto operation :
         {&Station::request_status, &Station::abort_mission, &Station::start_survey}) {
        LinkedStation s;
        s.station.connect_winfrog();
        (s.station.*operation)();
        EXPECT_TRUE(s.view.questions().empty());
        EXPECT_EQ(s.newest_status(), "Not connected to AUV");
    }
}

struct ConfirmedCase {
    void (Station::*operation)();
    const char* caption;
    const char* question;
    const char* log_line;
    uint32_t param;
};

const ConfirmedCase CONFIRMED[] = {
    {&Station::abort_mission, "Abort Mission", "Abort mission and return to surface?",
     "Sending \"Abort\" message to AUV", 3},
    {&Station::start_survey, "Start Survey", "Start mapping survey now?",
     "Sending \"Start Survey\" message to AUV", 4},
};

TEST(StationCommands, AnsweredYesWithTheRelayOnStopsItThenSends) {
    for (const ConfirmedCase& c : CONFIRMED) {
        LinkedStation s;
        s.start_relay(5);
        s.view.answer({true});
        (s.station.*c.operation)();
        ASSERT_EQ(s.view.questions().size(), 1u) << c.caption;
        EXPECT_EQ(s.view.questions()[0].caption, c.caption);
        EXPECT_EQ(s.view.questions()[0].text, c.question);
        EXPECT_EQ(newest(s, 2), Lines({"Stop transmitting Nav packets", c.log_line}));
        EXPECT_EQ(s.view.face_colour(IDC_XMIT_BUTTON), STATE_RED);
        EXPECT_EQ(s.view.field(IDC_XMIT_BUTTON), "Start Packet Xmit");
        EXPECT_EQ(received_command(s), c.param);
        EXPECT_TRUE(s.vehicle.drain(20).empty()) << "exactly one record";
    }
}

TEST(StationCommands, AnsweredYesWithTheRelayOffOnlySends) {
    LinkedStation s;
    s.connect_both();
    s.view.answer({true});
    s.station.start_survey();
    EXPECT_EQ(newest(s, 2),
              Lines({"Sending \"Start Survey\" message to AUV", "AUV responding...Connected"}));
    EXPECT_EQ(received_command(s), 4u);
}

TEST(StationCommands, AnsweredNoDoesNothing) {
    for (const ConfirmedCase& c : CONFIRMED) {
        LinkedStation s;
        s.start_relay(5);
        const std::size_t lines = s.status_count();
        s.view.answer({false});
        (s.station.*c.operation)();
        EXPECT_EQ(s.view.questions().size(), 1u) << c.caption;
        EXPECT_EQ(s.status_count(), lines) << c.caption;
        EXPECT_EQ(s.view.field(IDC_XMIT_BUTTON), "Stop Packet Xmit") << c.caption;
        EXPECT_TRUE(s.vehicle.drain(20).empty()) << c.caption;
    }
}

// The relay state is read after the answer: the tick may have changed it meanwhile.
TEST(StationCommands, TicksWhileTheQuestionIsOpenCarryOnAndCount) {
    for (const bool stopped_meanwhile : {false, true}) {
        LinkedStation s;
        s.start_relay(0);
        s.usbl_sends(LinkedStation::sentence(45, 42.3456, 'S', 3, 30.0, 'W'));
        s.view.while_asking = [&] {
            s.station.on_tick();
            if (stopped_meanwhile) {
                s.station.toggle_relay();
            }
        };
        s.view.answer({true});
        s.station.abort_mission();
        const std::vector<uint8_t> wire = s.vehicle.drain(20);
        ASSERT_EQ(wire.size(), 53u + SMAC_COMMAND_RECORD_SIZE) << "the nav record, then the abort";
        EXPECT_EQ(nav_records_in({wire.begin(), wire.begin() + 53}).size(), 1u);
        EXPECT_EQ(s.view.nav_lines().size(), 1u);
        const Lines expected =
            stopped_meanwhile
                ? Lines{"Sending \"Abort\" message to AUV", "Stop transmitting Nav packets"}
                : Lines{"Stop transmitting Nav packets", "Sending \"Abort\" message to AUV"};
        EXPECT_EQ(newest(s, 2), expected);
    }
}

TEST(StationCommands, CommandsAStalledLinkDoesNotTakeAreToldNotSentAndALostLinkTellsItsOwn) {
    LinkedStation s;
    s.connect_both();
    s.vehicle.stall_far_end_settled(); // the vehicle reads nothing more
    s.vehicle.stall_far_end();         // nor takes room a loaded kernel finds after a while
    s.station.request_status();
    s.view.answer({true});
    s.station.abort_mission();
    // Queued, never waited for: nothing has failed yet.
    EXPECT_EQ(newest(s, 2),
              Lines({"Sending \"Abort\" message to AUV", "Requesting status from AUV"}));

    s.clock.advance_ms(SendQueue::GIVE_UP_MS - 1);
    s.station.on_tick();
    EXPECT_EQ(s.newest_status(), "Sending \"Abort\" message to AUV");
    s.clock.advance_ms(1);
    s.station.on_tick();
    EXPECT_EQ(newest(s, 2), Lines({"Abort not sent: the AUV link takes no data",
                                   "Status request not sent: the AUV link takes no data"}));

    s.vehicle.close_master(); // the cable is pulled
    s.view.answer({true});
    s.station.start_survey();
    EXPECT_EQ(newest(s, 4),
              Lines({"Start Survey not sent: the AUV link was lost", "AUV link lost",
                     "Send to AUV failed", "Sending \"Start Survey\" message to AUV"}));
    s.station.abort_mission();
    EXPECT_EQ(s.newest_status(), "Not connected to AUV");
    EXPECT_EQ(s.view.questions().size(), 2u) << "nothing asked without the link";
}

TEST(StationCommands, LinkLostWhileTheQuestionIsOpenSendsNothing) {
    LinkedStation s;
    s.connect_both();
    s.view.while_asking = [&] {
        s.vehicle.close_master();
        s.station.on_tick();
    };
    s.view.answer({true});
    s.station.start_survey();
    EXPECT_EQ(newest(s, 2), Lines({"Not connected to AUV", "AUV link lost"}));
}

} // namespace
