// NMEA output latency over a pseudo-terminal and a local UDP socket: a status record written at
// the vehicle's end, then the tick that reads it, shows it and sends it on as one datagram to
// 127.0.0.1, received there. Measured from the tick's start to the datagram in hand, and the
// tick's own length, with and without an NMEA target: what the output adds beyond the tick
// that reads the record. The station runs in its core, ticked by hand, so only these calls are
// timed.
//
//   nmea_latency [--records N]
// Exits 1 when a datagram is lost or is not the three sentences.
#include "com_dir.h"
#include "measures.h"
#include "pty_pair.h"
#include "recording_view.h"
#include "station.h"
#include "udp_receiver.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace nerivo;
using bench::quantile;
using bench::status_record;
using bench::steady_us;

struct Run {
    std::vector<double> tick_us;     // the tick that read the record, start to end
    std::vector<double> datagram_us; // its start to the datagram received
    int lost = 0;
};

Run run(int records, bool with_nmea) {
    testing::ComDir com_dir;
    testing::PtyPair vehicle;
    com_dir.map(5, vehicle.device_path());
    testing::UdpReceiver chart;
    StationSettings settings;
    if (with_nmea) {
        const std::string port = std::to_string(chart.port());
        settings.nmea_targets = {{"udp:127.0.0.1:" + port, "127.0.0.1", port}};
    }
    testing::RecordingView view;
    testing::RecordedDump dump;
    Station station(view, &dump, settings);
    station.init_station();
    station.connect_auv();
    // The host is looked up on a thread of its own; a tick takes the answer in.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    station.on_tick();
    Run result;
    for (int i = 0; i < records; ++i) {
        if (!vehicle.write(status_record(i)) || !vehicle.wait_pending_at_device(68)) {
            ++result.lost;
            continue;
        }
        const double start = steady_us();
        station.on_tick();
        const double end = steady_us();
        result.tick_us.push_back(end - start);
        if (!with_nmea) {
            continue;
        }
        const std::string datagram = chart.receive(1000);
        const double received = steady_us();
        if (datagram.rfind("$GPGGA,", 0) != 0 || datagram.find("\r\n$GPRMC,") == datagram.npos ||
            datagram.find("\r\n$HEHDT,") == datagram.npos) {
            ++result.lost;
        }
        result.datagram_us.push_back(received - start);
    }
    return result;
}

} // namespace

int main(int argc, char** argv) {
    int records = 2000;
    if (argc == 3 && std::string(argv[1]) == "--records") {
        records = std::max(1, std::atoi(argv[2]));
    } else if (argc != 1) {
        std::fprintf(stderr, "usage: nmea_latency [--records N]\n");
        return 2;
    }
    const Run without = run(records, false);
    const Run with = run(records, true);
    std::printf("NMEA output over a pseudo-terminal and UDP on 127.0.0.1: %d status records, "
                "each read, shown and sent by one tick\n",
                records);
    std::printf("  tick that reads a record, no NMEA target: median %.1f us, worst %.1f us\n",
                quantile(without.tick_us, 0.5), quantile(without.tick_us, 1));
    std::printf("  the same tick sending it as NMEA: median %.1f us, worst %.1f us\n",
                quantile(with.tick_us, 0.5), quantile(with.tick_us, 1));
    std::printf("  tick start -> datagram received: median %.1f us, p99 %.1f us, worst %.1f us; "
                "lost or wrong: %d\n",
                quantile(with.datagram_us, 0.5), quantile(with.datagram_us, 0.99),
                quantile(with.datagram_us, 1), with.lost + without.lost);
    std::printf("figure nmea_latency_us median %.1f worst %.1f tick_without_nmea_median %.1f "
                "lost %d\n",
                quantile(with.datagram_us, 0.5), quantile(with.datagram_us, 1),
                quantile(without.tick_us, 0.5), with.lost + without.lost);
    return with.lost + without.lost == 0 ? 0 : 1;
}
