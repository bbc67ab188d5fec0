#pragma once

// The vehicle's position out to the places the operator named at start (--nmea-out): each
// status the station shows goes to every one of them as NMEA 0183, one datagram to a UDP
// target, one write to a COM port. A target that fails is told once in the status log, and
// again only when it fails in another way or after it has worked; the station runs on.

#include "event_log.h"
#include "link.h"
#include "smac_records.h"
#include "station_settings.h"
#include "station_view.h"
#include "udp_sender.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace nerivo {

class NmeaOutput {
public:
    // A UDP host not found, or whose sends failed, is looked up again this often. Every lookup
    // runs on a thread of its own: a name server that does not answer never holds the start or
    // the tick.
    static constexpr int64_t LOOKUP_AGAIN_MS = 5000;
    // A UDP target whose first lookup has had no answer this long is told to the operator,
    // once.
    static constexpr int64_t LOOKUP_SLOW_MS = 5000;

    // `label` names the output in the status log: "NMEA output", "Target output".
    NmeaOutput(StationView& view, EventLog& log, const std::vector<NmeaTarget>& targets,
               std::string label = "NMEA output");
    ~NmeaOutput();
    NmeaOutput(const NmeaOutput&) = delete;
    NmeaOutput& operator=(const NmeaOutput&) = delete;

    // Opens every COM port and starts every UDP host's lookup, which the ticks collect; a UDP
    // target sends nothing until its host is found. Run once.
    void start();
    // A status the station has just shown, which arrived at `arrived`. Nothing goes out for a
    // status that is no position.
    void send(const VehicleStatus& status, WallTime arrived);
    // Sentences made elsewhere, to every target as one datagram or one queued write.
    void send_sentences(const std::string& sentences);
    // Once a tick: lost COM ports tried again, hosts looked up again when due.
    void watch();

private:
    struct Lookup;
    struct Target {
        NmeaTarget where;
        std::string link_name;          // a COM port's, as the status log calls the link
        std::unique_ptr<Link> link;     // a COM port
        std::unique_ptr<UdpSender> udp; // a UDP target, once its host was found
        std::shared_ptr<Lookup> lookup; // a lookup still running
        int64_t looked_up_ms = 0;       // when the last lookup started
        bool answered = false;          // whether any lookup has answered yet
        std::string told; // what the operator was last told of it; empty after it worked
    };

    void look_up(Target& target);
    void fail(Target& target, const std::string& reason);
    void tell(Target& target, const std::string& news);
    // A COM port's device failed a write: told, unless it went (the link says so).
    void serial_failed(Target& target);

    StationView& view_;
    EventLog& log_;
    std::string label_;
    std::vector<std::unique_ptr<Target>> targets_;
};

} // namespace nerivo
