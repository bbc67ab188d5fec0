// The far ends for the track window's end-to-end run: a navigation package that fixes the
// vehicle at one place, over and over, and a vehicle whose status puts it 50 m north of that
// fix. The links are COM_DIR/com1 and COM_DIR/com5; both peers speak five times a second and
// drop whatever the station sends, until the process is ended.
//
//   track_peers COM_DIR
#include "pty_pair.h"
#include "smac_records.h"
#include "wall_clock.h"

#include <cstdio>
#include <filesystem>
#include <numbers>
#include <string>

namespace {

using namespace nerivo;

constexpr int PERIOD_MS = 200;
// 50°30.0000' N, 1°45.0000' W, as the sentence writes it.
constexpr double FIX_LATITUDE = 50.5;
constexpr double FIX_LONGITUDE = -1.75;
constexpr double NORTH_OF_FIX_M = 50;
constexpr double METRES_PER_DEGREE = 6371000.0 * std::numbers::pi / 180.0;

std::string usbl_sentence(WallTime now) {
    const int64_t hundredths = now.seconds % 86400 * 100 + now.milliseconds / 10;
    char text[128];
    std::snprintf(text, sizeof text,
                  "$NVPOS,%02d%02d%02d.%02d,5030.0000,N,00145.0000,W,25.0,10.0,30.0,0.50,0.20,"
                  "39.1\r\n",
                  static_cast<int>(hundredths / 360000), static_cast<int>(hundredths / 6000 % 60),
                  static_cast<int>(hundredths / 100 % 60), static_cast<int>(hundredths % 100));
    return text;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: track_peers COM_DIR\n", stderr);
        return 2;
    }
    const std::filesystem::path links = argv[1];
    testing::PtyPair usbl;
    testing::PtyPair vehicle;
    std::filesystem::create_directories(links);
    std::filesystem::create_symlink(usbl.device_path(), links / "com1");
    std::filesystem::create_symlink(vehicle.device_path(), links / "com5");

    const VehicleStatus status{
        static_cast<float>(FIX_LATITUDE + NORTH_OF_FIX_M / METRES_PER_DEGREE),
        static_cast<float>(FIX_LONGITUDE),
        0,
        25,
        5,
        24,
        30,
        SMAC_BEHAVIOUR_SURVEY,
        0};
    for (;;) {
        const WallTime now = wall_clock_now();
        // A line the station has not opened yet keeps what it is given: a write that would
        // not go is simply dropped.
        (void)usbl.write(usbl_sentence(now));
        uint8_t record[SMAC_STATUS_RECORD_SIZE];
        SmacHeader header{};
        uint32_t size = 0;
        smac_build_status(&header, &status, now, record, &size);
        (void)vehicle.write(record, size);
        (void)vehicle.read(SIZE_MAX, PERIOD_MS); // the period, and whatever the station sent
    }
}
