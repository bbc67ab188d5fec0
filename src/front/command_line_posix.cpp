#include "command_line.h"
#include "command_line_platform.h"

#include "com_port_path.h"

#include <cstdlib>

namespace nerivo {
namespace {

// In the words of the manual page.
const char* const HELP_NOTES =
    "\n"
    "COM N opens $NERIVO_COM_DIR/comN when NERIVO_COM_DIR (or --com-dir) is set, otherwise\n"
    "/dev/ttyS<N-1>. Serial devices need the dialout group. With --log-dir, each run writes\n"
    "nerivo-<start date and time>-status.log and -nav.log there, one dated line for each line\n"
    "on screen. See nerivo(1).\n";

} // namespace

const char* com_dir_refusal() {
    return nullptr;
}

const char* help_notes() {
    return HELP_NOTES;
}

void apply_command_line(const CommandLine& command_line) {
    if (!command_line.com_dir.empty()) {
        ::setenv(COM_DIR_VARIABLE, command_line.com_dir.c_str(), 1);
    }
}

} // namespace nerivo
