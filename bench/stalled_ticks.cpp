// The longest tick while both of the station's outputs are stalled: a serial NMEA target whose
// far end never reads, and a vehicle link that takes nothing, both full before the first tick.
// The vehicle still streams status five times a second, the navigation feed sends a new fix
// every tick, the relay runs at a one-second period and the operator asks for status every
// five seconds. Time is a fake clock moved 500 ms a tick, so ten minutes of the station's
// ticks run back to back; only Station::on_tick() and the button's operation are timed.
//
//   stalled_ticks [--minutes N]
// Exits 1 when a tick did not read its status records.
#include "com_cables.h"
#include "control_ids.h"
#include "fake_clock.h"
#include "measures.h"
#include "recording_view.h"
#include "station.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace nerivo;
using bench::quantile;
using bench::steady_us;

constexpr int TICK_MS = 500;
constexpr int STATUS_PER_TICK = 5 * TICK_MS / 1000 + 1; // five a second, rounded up

std::string usbl_sentence(int index) {
    const double minutes = 30.0 + (index % 6000) * 0.0001;
    char text[128];
    std::snprintf(text, sizeof text,
                  "$NVPOS,120000.00,50%07.4f,N,00145.0000,W,25.0,10.0,100.0,1.0,1.0,103.0\r\n",
                  minutes);
    return text;
}

} // namespace

int main(int argc, char** argv) {
    int minutes = 10;
    if (argc == 3 && std::string(argv[1]) == "--minutes") {
        minutes = std::max(1, std::atoi(argv[2]));
    } else if (argc != 1) {
        std::fprintf(stderr, "usage: stalled_ticks [--minutes N]\n");
        return 2;
    }
    testing::FakeClock clock{1'700'000'000};
    testing::ComCables com;
    testing::FarEnd& usbl = com.plug(1);
    testing::FarEnd& vehicle = com.plug(5);
    testing::FarEnd& plotter = com.plug(7);
    StationSettings settings;
    settings.nmea_targets = {{"com:7", "", "", 7, NmeaTarget::DEFAULT_BAUD}};
    testing::RecordingView view;
    testing::RecordedDump dump;
    Station station(view, &dump, settings);
    station.init_station();
    station.connect_winfrog();
    station.connect_auv();
    view.set_field_text(IDC_XMIT_PERIOD, "1");
    station.toggle_relay();
    const std::size_t plotter_filler = plotter.stall_far_end_settled();
    const std::size_t vehicle_filler = vehicle.stall_far_end_settled();

    std::vector<double> tick_us, press_us;
    int unread = 0;
    const int ticks = minutes * 60 * 1000 / TICK_MS;
    for (int tick = 0; tick < ticks; ++tick) {
        std::vector<uint8_t> records;
        for (int i = 0; i < STATUS_PER_TICK; ++i) {
            const std::vector<uint8_t> record = bench::status_record(tick * STATUS_PER_TICK + i);
            records.insert(records.end(), record.begin(), record.end());
        }
        const std::string fix = usbl_sentence(tick);
        if (!vehicle.write(records) || !usbl.write(fix) ||
            !vehicle.wait_pending_at_device(records.size()) ||
            !usbl.wait_pending_at_device(fix.size())) {
            ++unread;
            continue;
        }
        clock.advance_ms(TICK_MS);
        double start = steady_us();
        station.on_tick();
        tick_us.push_back(steady_us() - start);
        if (vehicle.pending_at_device() != 0) {
            ++unread;
        }
        if (tick % 10 == 0) {
            start = steady_us();
            station.request_status();
            press_us.push_back(steady_us() - start);
        }
    }
    // What got through once the kernel found room: little, and never a hole.
    const std::size_t through =
        plotter.drain().size() - plotter_filler + vehicle.drain().size() - vehicle_filler;
    std::printf("%d ticks (%d minutes of ticks) with a stalled serial NMEA target and a stalled "
                "vehicle link, %d status records and a fix a tick\n",
                static_cast<int>(tick_us.size()), minutes, STATUS_PER_TICK);
    std::printf("  tick: median %.1f us, p99 %.1f us, longest %.1f us\n", quantile(tick_us, 0.5),
                quantile(tick_us, 0.99), quantile(tick_us, 1));
    std::printf("  Request Status press: median %.1f us, longest %.1f us\n",
                quantile(press_us, 0.5), quantile(press_us, 1));
    std::printf("  status lines: %zu; ticks that left records unread: %d; bytes through the "
                "stall: %zu\n",
                view.status_count(), unread, through);
    std::printf("figure stalled_tick_us median %.1f longest %.1f press_longest %.1f\n",
                quantile(tick_us, 0.5), quantile(tick_us, 1), quantile(press_us, 1));
    return unread == 0 ? 0 : 1;
}
