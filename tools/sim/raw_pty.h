#pragma once

// A pseudo-terminal pair standing in for a serial line, as both the simulator and the tests
// make it.

#include <string>

namespace nerivo {

// Opens a pair in raw mode, both ends non-blocking and closed on exec. On success fills
// `master`, `slave` and the slave's `device_path`; otherwise says why in `error` and leaves
// nothing open.
bool open_raw_pty(int& master, int& slave, std::string& device_path, std::string& error);

} // namespace nerivo
