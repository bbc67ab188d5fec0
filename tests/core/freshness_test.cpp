// How fresh the picture is: requests that go unanswered, status that grows old, a feed that
// goes quiet, and a lost link that is tried again.
#include "linked_station.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using nerivo::testing::LinkedStation;
using nerivo::testing::status_record;
using namespace nerivo;
using Texts = std::vector<std::string>;

VehicleStatus heading(float degrees) {
    return {50.5f, -1.75f, degrees, 12.5f, 3.75f, 24.1f, 31.0f, 2, 0};
}

// Ticks every 500 ms for `ms`.
void run_for(LinkedStation& s, int64_t ms) {
    for (int64_t t = 0; t < ms; t += 500) {
        s.clock.advance_ms(500);
        s.station.on_tick();
    }
}

Texts messages_since(const LinkedStation& s, std::size_t count) {
    const Texts all = s.view.status_messages();
    Texts since(all.begin(), all.begin() + static_cast<long>(all.size() - count));
    return Texts(since.rbegin(), since.rend()); // oldest first
}

TEST(Freshness, AnOperatorSeesUnansweredRequestsOldStatusAndAQuietFeed) {
    LinkedStation s;
    s.start_relay(0);
    s.usbl_sends(LinkedStation::sentence(50, 10.0, 'N', 1, 45.5, 'W'));
    s.vehicle_sends(status_record(heading(45.0f)));
    s.station.on_tick();
    EXPECT_EQ(s.view.tooltip(IDC_HEADING), "Status of 09:05:07, 0 s ago");
    const std::size_t before = s.status_count();
    s.station.request_status();
    s.vehicle.drain(20); // the first fix and the request

    run_for(s, 12000);
    s.usbl_sends(LinkedStation::sentence(50, 11.0, 'N', 1, 45.5, 'W'));
    s.station.on_tick();
    s.station.toggle_relay();
    EXPECT_EQ(
        messages_since(s, before),
        (Texts{"Requesting status from AUV", "No status from AUV 10 s after the request",
               "No USBL fix for 10 s", "USBL fixes resumed", "Stop transmitting Nav packets"}));
    EXPECT_EQ(nerivo::testing::nav_records_in(s.vehicle.drain(20)).size(), 1u);

    run_for(s, 48000);
    for (const int id : StatusMonitor::FIELDS) {
        EXPECT_TRUE(s.view.stale(id)) << id;
        EXPECT_EQ(s.view.tooltip(id), "Status of 09:05:07, 1 min 0 s ago") << id;
    }
    s.vehicle_sends(status_record(heading(90.0f)));
    run_for(s, 500);
    EXPECT_EQ(s.view.field(IDC_HEADING), "90.000000");
    for (const int id : StatusMonitor::FIELDS) {
        EXPECT_FALSE(s.view.stale(id)) << id;
        EXPECT_EQ(s.view.tooltip(id), "Status of 09:06:07, 0 s ago") << id;
    }
    EXPECT_EQ(s.status_count(), before + 5) << "nothing said twice";
}

// Each watch holds off until its time has come, to the millisecond, and no longer.
TEST(Freshness, EachTimeIsKeptToTheMillisecond) {
    struct Row {
        const char* name;
        StationSettings settings;
        std::function<void(LinkedStation&)> start;
        int64_t after_ms;
        std::function<bool(const LinkedStation&)> told;
    };
    const Row rows[] = {
        {"an unanswered request",
         {3, 60},
         [](LinkedStation& s) {
             s.connect_both();
             s.station.request_status();
         },
         3000,
         [](const LinkedStation& s) {
             return s.newest_status() == "No status from AUV 3 s after the request";
         }},
        {"old status",
         {10, 5},
         [](LinkedStation& s) {
             s.connect_both();
             s.vehicle_sends(status_record(heading(45.0f)));
             s.station.on_tick();
         },
         5000,
         [](const LinkedStation& s) {
             return s.view.stale(IDC_DEPTH);
         }},
        {"a quiet feed",
         {},
         [](LinkedStation& s) { s.start_relay(0); },
         10000,
         [](const LinkedStation& s) {
             return s.newest_status() == "No USBL fix for 10 s";
         }},
        {"a lost link",
         {},
         [](LinkedStation& s) {
             s.connect_both();
             s.vehicle.close_master();
             s.station.on_tick();
             s.com.plug(5);
         },
         1000,
         [](const LinkedStation& s) {
             return s.newest_status() == "AUV link back...Connected";
         }},
    };
    for (const Row& row : rows) {
        LinkedStation s(nullptr, row.settings);
        row.start(s);
        s.clock.advance_ms(row.after_ms - 1);
        s.station.on_tick();
        EXPECT_FALSE(row.told(s)) << row.name;
        s.clock.advance_ms(1);
        s.station.on_tick();
        EXPECT_TRUE(row.told(s)) << row.name;
    }
}

} // namespace
