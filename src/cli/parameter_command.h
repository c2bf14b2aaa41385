// modbus-debugger --backup / --compare / --restore: the parameter jobs on the command line,
// without a window or a display.
#pragma once

#include <functional>
#include "cli/command_line.h"

#include "serial/line_selector.h"
#include "serial/port_map.h"

// Runs the parameter command the command line names and returns its exit status:
//   --backup FILE   0 when every parameter was read and the file saved, 1 otherwise;
//   --compare FILE  0 when the drive equals the file, 1 when any parameter differs;
//   --restore FILE  0 when every differing parameter was written and read back as meant.
// A file that cannot be read as a parameter set, or written, gives kExitBadFile; a port that
// cannot be opened or stays away kExitNoPort. `addOwnLines` puts lines the program runs itself
// (--demo) in place.
int RunParameterCommand(int argc, char* argv[], const QString& language, const CommandLine& options,
                        const serial::PortMap& map,
                        const std::function<void(serial::LineSelector&)>& addOwnLines = {});
