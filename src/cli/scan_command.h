// modbus-debugger --scan: the drive finder on the command line, without a window or a display.
#pragma once

#include <functional>
#include "cli/command_line.h"

#include "serial/line_selector.h"
#include "serial/port_map.h"

// Scans the port the command line names (COM1 unless --port names another), prints one line per
// drive found and a last line with the probes and the time taken. Returns the exit status: 0
// when a drive was found, kExitNotFound when none was, kExitNoPort when the port cannot be
// opened or stays away. `addOwnLines` puts lines the program runs itself (--demo) in place.
int RunScanCommand(int argc, char* argv[], const QString& language, const CommandLine& options,
                   const serial::PortMap& map,
                   const std::function<void(serial::LineSelector&)>& addOwnLines = {});
