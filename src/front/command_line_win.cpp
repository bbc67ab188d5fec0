#include "command_line.h"
#include "command_line_platform.h"

namespace nerivo {
namespace {

const char* const HELP_NOTES =
    "\n"
    "COM N is the port Windows calls COMN. With --log-dir, each run writes\n"
    "nerivo-<start date and time>-status.log and -nav.log there, one dated line for each line\n"
    "on screen.\n";

} // namespace

// Windows names its serial ports itself: there is no folder of links to point elsewhere.
const char* com_dir_refusal() {
    return "--com-dir is for Linux: on Windows, COM N is the port Windows calls COMN.";
}

const char* help_notes() {
    return HELP_NOTES;
}

// --com-dir is refused here, so a run has nothing to take from the command line early.
void apply_command_line(const CommandLine&) {}

} // namespace nerivo
