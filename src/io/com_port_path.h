#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace nerivo {

// The environment variable naming a folder of COM-number links (DIR/comN -> device).
inline constexpr const char* COM_DIR_VARIABLE = "NERIVO_COM_DIR";

// The folder of COM-number links named by NERIVO_COM_DIR; empty when unset or empty.
std::string com_dir_from_environment();

// The link in `dir` that stands for COM `number`: DIR/comN.
std::string com_link_path(const std::string& dir, int32_t number);

// The device that COM `number` opens. On POSIX: `com_dir`/comN when a folder is given (null or
// empty means none), otherwise /dev/ttyS<N-1>. On Windows: \\.\COMN, whatever the folder.
// No path for N < 1.
std::optional<std::string> com_port_path(int32_t number, const char* com_dir);

// The same, with the folder taken from NERIVO_COM_DIR.
std::optional<std::string> com_port_path(int32_t number);

} // namespace nerivo
