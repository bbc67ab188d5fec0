#include "sim_support.h"

#include <cmath>
#include <cstdio>
#include <numbers>

namespace nerivo::sim {

uint64_t SimRandom::next_u64() {
    // splitmix64: small, fast and the same everywhere.
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

double SimRandom::uniform() {
    return static_cast<double>(next_u64() >> 11) * 0x1.0p-53;
}

double SimRandom::uniform(double low, double high) {
    return low + (high - low) * uniform();
}

int64_t SimRandom::uniform_int(int64_t low, int64_t high) {
    if (high <= low) {
        return low;
    }
    const uint64_t span = static_cast<uint64_t>(high - low) + 1;
    return low + static_cast<int64_t>(next_u64() % span);
}

double SimRandom::normal(double sigma) {
    if (have_spare_) {
        have_spare_ = false;
        return spare_ * sigma;
    }
    double u = uniform();
    while (u <= 0.0) {
        u = uniform();
    }
    const double v = uniform();
    const double radius = std::sqrt(-2.0 * std::log(u));
    spare_ = radius * std::sin(2.0 * std::numbers::pi * v);
    have_spare_ = true;
    return radius * std::cos(2.0 * std::numbers::pi * v) * sigma;
}

int64_t ms_of_day(int64_t now_ms) {
    constexpr int64_t DAY_MS = 86'400'000;
    const int64_t rest = now_ms % DAY_MS;
    return rest < 0 ? rest + DAY_MS : rest;
}

std::string clock_text(int64_t now_ms) {
    const int64_t ms = ms_of_day(now_ms);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", static_cast<int>(ms / 3'600'000),
                  static_cast<int>(ms / 60'000 % 60), static_cast<int>(ms / 1000 % 60),
                  static_cast<int>(ms % 1000));
    return text;
}

} // namespace nerivo::sim
