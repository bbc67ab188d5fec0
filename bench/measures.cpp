#include "measures.h"

#include "smac_records.h"
#include "wall_clock.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace nerivo::bench {

double steady_us() {
    return std::chrono::duration<double, std::micro>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double quantile(std::vector<double> values, double q) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<std::size_t>(std::ceil(q * static_cast<double>(values.size())));
    return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

std::vector<uint8_t> status_record(int index) {
    VehicleStatus status{};
    status.latitude = 50.5f + static_cast<float>(index % 1000) * 1e-5f;
    status.longitude = -1.75f - static_cast<float>(index % 1000) * 1e-5f;
    status.heading = static_cast<float>(index % 360) + 0.25f;
    status.depth = 25.0f + static_cast<float>(index % 50) / 10.0f;
    status.altitude = 12.5f;
    status.battery_voltage = 48.0f - static_cast<float>(index % 100) / 100.0f;
    status.humidity = 31.5f;
    status.behaviour = static_cast<uint32_t>(index % 4);
    status.abort_flag = 0;
    SmacHeader header{};
    std::vector<uint8_t> record(SMAC_STATUS_RECORD_SIZE);
    uint32_t size = 0;
    smac_build_status(&header, &status, wall_clock_now(), record.data(), &size);
    record.resize(size);
    return record;
}

} // namespace nerivo::bench
