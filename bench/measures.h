#pragma once

// What every figure program measures with, free of Qt and of any platform: the steady clock,
// quantiles, and status records that change with an index.

#include <cstdint>
#include <vector>

namespace nerivo::bench {

// Steady clock in microseconds, comparable between threads of the process.
double steady_us();

// The q-quantile (0..1) of the values, nearest rank; 0 when there are none.
double quantile(std::vector<double> values, double q);
inline double median(const std::vector<double>& values) {
    return quantile(values, 0.5);
}

// A valid 68-byte status record whose values change with `index`.
std::vector<uint8_t> status_record(int index);

} // namespace nerivo::bench
