#include "linked_station.h"
#include "modal_answer.h"

#include <QMessageBox>
#include <QPushButton>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <poll.h>

namespace {

using nerivo::testing::answer_next_modal;
using nerivo::testing::LinkedStation;
using nerivo::testing::run_answering;

// Reads one command record at the vehicle end and checks its envelope.
uint32_t received_command(LinkedStation& station, uint32_t seconds) {
    const std::vector<uint8_t> bytes = station.vehicle.read(SMAC_COMMAND_RECORD_SIZE);
    EXPECT_EQ(bytes.size(), SMAC_COMMAND_RECORD_SIZE);
    if (bytes.size() != SMAC_COMMAND_RECORD_SIZE) {
        return 0xFFFFFFFF;
    }
    SmacHeader header;
    smac_read_header(bytes.data(), &header);
    EXPECT_EQ(header.version, 1u);
    EXPECT_EQ(header.rec_size, 1u);
    EXPECT_EQ(header.rec_type, 2u);
    EXPECT_EQ(header.timestamp[0], seconds);
    EXPECT_EQ(header.checksum, smac_checksum(bytes.data(), 24));
    EXPECT_EQ(bytes[28], 0); // the payload byte carries nothing
    EXPECT_EQ(smac_get_u32(bytes.data() + 29), smac_checksum(bytes.data(), 29));
    return header.param;
}

TEST(StationCommands, RequestStatusSendsOneRecordWithoutAsking) {
    LinkedStation station;
    station.start_relay(5);
    const auto opened = run_answering([&] { station.window->request_status(); });
    EXPECT_TRUE(opened.boxes.isEmpty());
    EXPECT_EQ(station.newest_status(), QStringLiteral("Requesting status from AUV"));
    EXPECT_EQ(received_command(station, static_cast<uint32_t>(station.clock.now().seconds)), 0u);
    EXPECT_TRUE(station.vehicle.drain(20).empty());
    EXPECT_EQ(station.window->transmitting, 1); // the relay is left alone
}

TEST(StationCommands, WithoutTheVehicleLinkNothingIsAsked) {
    for (auto operation : {&StationWindow::request_status, &StationWindow::abort_mission,
                           &StationWindow::start_survey}) {
        LinkedStation station;
        station.window->connect_winfrog();
        const auto opened = run_answering([&] { (station.window.get()->*operation)(); });
        EXPECT_TRUE(opened.boxes.isEmpty());
        EXPECT_EQ(station.newest_status(), QStringLiteral("Not connected to AUV"));
    }
}

struct ConfirmedCase {
    void (StationWindow::*operation)();
    const char* caption;
    const char* question;
    const char* log_line;
    uint32_t param;
};

const ConfirmedCase CONFIRMED[] = {
    {&StationWindow::abort_mission, "Abort Mission", "Abort mission and return to surface?",
     "Sending \"Abort\" message to AUV", 3},
    {&StationWindow::start_survey, "Start Survey", "Start mapping survey now?",
     "Sending \"Start Survey\" message to AUV", 4},
};

TEST(StationCommands, AnsweredYesWithTheRelayOnStopsItThenSends) {
    for (const ConfirmedCase& c : CONFIRMED) {
        LinkedStation station;
        StationWindow& window = *station.window;
        station.start_relay(5);
        bool no_icon = false;
        bool yes_is_default = false;
        const auto seen = answer_next_modal(Qt::Key_Return, [&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            no_icon = box->icon() == QMessageBox::NoIcon;
            yes_is_default = box->defaultButton() == box->button(QMessageBox::Yes) &&
                             box->button(QMessageBox::No) != nullptr;
        });
        (window.*c.operation)();
        ASSERT_TRUE(seen->answered) << c.caption;
        EXPECT_EQ(seen->title, QString::fromLatin1(c.caption));
        EXPECT_EQ(seen->text, QString::fromLatin1(c.question));
        EXPECT_TRUE(no_icon) << c.caption;
        EXPECT_TRUE(yes_is_default) << c.caption;

        EXPECT_EQ(station.status_messages().mid(0, 2),
                  QStringList({"Stop transmitting Nav packets", QString::fromLatin1(c.log_line)}));
        EXPECT_EQ(window.transmitting, 0);
        EXPECT_EQ(qobject_cast<StateButton*>(window.control(IDC_XMIT_BUTTON))->face_colour,
                  STATE_RED);
        EXPECT_EQ(received_command(station, static_cast<uint32_t>(station.clock.now().seconds)),
                  c.param);
        EXPECT_TRUE(station.vehicle.drain(20).empty()) << "exactly one record";
    }
}

TEST(StationCommands, AnsweredYesWithTheRelayOffOnlySends) {
    LinkedStation station;
    station.connect_both();
    answer_next_modal(Qt::Key_Y);
    station.window->start_survey();
    EXPECT_EQ(
        station.status_messages().mid(0, 2),
        QStringList({"Sending \"Start Survey\" message to AUV", "AUV responding...Connected"}));
    EXPECT_EQ(received_command(station, static_cast<uint32_t>(station.clock.now().seconds)), 4u);
}

TEST(StationCommands, AnsweredNoDoesNothing) {
    for (const ConfirmedCase& c : CONFIRMED) {
        for (const int key : {Qt::Key_N, Qt::Key_Escape}) {
            LinkedStation station;
            station.start_relay(5);
            const int lines = station.status_count();
            const auto seen = answer_next_modal(key);
            (station.window.get()->*c.operation)();
            ASSERT_TRUE(seen->answered);
            EXPECT_EQ(station.status_count(), lines) << c.caption;
            EXPECT_EQ(station.window->transmitting, 1) << c.caption;
            EXPECT_TRUE(station.vehicle.drain(20).empty()) << c.caption;
        }
    }
}

TEST(StationCommands, TickGoesOnWhileTheBoxWaitsForAnAnswer) {
    LinkedStation station;
    station.start_relay(0);
    station.usbl_sends(LinkedStation::sentence(45, 42.3456, 'S', 3, 30.0, 'W'));
    bool record_while_open = false;
    answer_next_modal(Qt::Key_N, [&](QWidget*) {
        // The window's own 500 ms timer must fire inside the box's loop.
        pollfd p{station.vehicle.master_fd(), POLLIN, 0};
        for (int waited = 0; waited < 1500 && !record_while_open; waited += 10) {
            QTest::qWait(10);
            record_while_open = poll(&p, 1, 0) == 1;
        }
    });
    testing::internal::CaptureStdout();
    station.window->abort_mission();
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(record_while_open);
    EXPECT_EQ(nerivo::testing::nav_records_in(station.vehicle.read(53)).size(), 1u);
    EXPECT_EQ(station.window->nav_log->line_count(), 1);
}

TEST(StationCommands, CommandTheLinkDoesNotTakeIsReportedAfterItsLine) {
    LinkedStation station;
    station.connect_both();
    station.vehicle.close_master(); // the cable is pulled
    station.window->request_status();
    EXPECT_EQ(station.status_messages().mid(0, 2),
              QStringList({"Send to AUV failed", "Requesting status from AUV"}));

    answer_next_modal(Qt::Key_Return);
    station.window->abort_mission();
    EXPECT_EQ(station.status_messages().mid(0, 2),
              QStringList({"Send to AUV failed", "Sending \"Abort\" message to AUV"}));
}

} // namespace
