#pragma once

// What the command line means on this platform; command_line_posix.cpp and
// command_line_win.cpp each supply these, with apply_command_line.

namespace nerivo {

// Null where --com-dir names the folder of COM links; otherwise the one line that says why the
// option is refused here. A refused option is left out of --help.
const char* com_dir_refusal();

// What --help prints after the options.
const char* help_notes();

} // namespace nerivo
