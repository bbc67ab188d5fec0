#include "wall_clock.h"

namespace nerivo {

std::tm local_time(int64_t seconds) {
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm result{};
    localtime_r(&t, &result);
    return result;
}

int32_t local_utc_offset(int64_t seconds) {
    return static_cast<int32_t>(local_time(seconds).tm_gmtoff);
}

} // namespace nerivo
