#include "wall_clock.h"

namespace nerivo {

std::tm local_time(int64_t seconds) {
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm result{};
    localtime_s(&result, &t);
    return result;
}

// The CRT's tm has no offset: read the local calendar time back as if it were UTC instead.
int32_t local_utc_offset(int64_t seconds) {
    std::tm local = local_time(seconds);
    const std::time_t as_if_utc = _mkgmtime(&local);
    return static_cast<int32_t>(static_cast<int64_t>(as_if_utc) - seconds);
}

} // namespace nerivo
