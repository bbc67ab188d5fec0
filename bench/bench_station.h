#pragma once

// What the window's figure programs share: a station window with both links connected over
// pseudo-terminals and the relay on with period 0, the sentences and status records they
// feed it, and the clocks and statistics they measure with.

#include "com_dir.h"
#include "measures.h"
#include "pty_pair.h"
#include "smac_records.h"
#include "station_app.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace nerivo::bench {

constexpr int NAV_WIRE_BYTES = SMAC_NAV_RECORD_SIZE + sizeof SMAC_NAV_TERMINATOR;

// A USBL sentence whose position differs from that of every other index below 400,000.
struct Sentence {
    std::string text;
    float latitude = 0;  // what the nav record must carry
    float longitude = 0; // (west: negative)
    float time_of_day = 0;
    float sl = 0;
};
Sentence usbl_sentence(int index);

// The station's side of the cables, built as the program builds it: COM 1 and COM 5 mapped to
// pseudo-terminals, the window shown, both links connected and the relay on with a transmit
// period of 0, all by its buttons.
class BenchStation {
public:
    BenchStation();
    bool ready() const; // both links open and the relay on
    StationWindow& window() const { return parts->window(); }

    nerivo::testing::ComDir com_dir;
    nerivo::testing::PtyPair usbl;       // the navigation package's end of COM 1
    nerivo::testing::PtyPair vehicle;    // the vehicle's end of COM 5
    std::unique_ptr<StationParts> parts; // last: the station closes its links before the ptys go
};

// Stops the window's own tick, so that only the measured calls tick.
void stop_ticking(StationWindow& window);

// Sends standard output to /dev/null for as long as the object lives (the nav record dump
// would otherwise measure the terminal); `saved()` is the real standard output meanwhile.
class StdoutToNull {
public:
    StdoutToNull();
    ~StdoutToNull();
    StdoutToNull(const StdoutToNull&) = delete;
    StdoutToNull& operator=(const StdoutToNull&) = delete;
    FILE* saved() const { return saved_file_; }

private:
    int saved_ = -1;
    FILE* saved_file_ = nullptr;
};

// CPU time of the calling thread, user and system, in microseconds.
double thread_cpu_us();

} // namespace nerivo::bench
