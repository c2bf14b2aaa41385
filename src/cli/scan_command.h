// modbus-debugger --scan: the drive finder on the command line, without a window or a display.
#pragma once

#include "cli/command_line.h"
#include "serial/port_map.h"

// Scans the port the command line names (COM1 unless --port names another), prints one line per
// drive found and a last line with the probes and the time taken. Returns the exit status: 0
// when a drive was found, 1 when none was or the port cannot be opened.
int RunScanCommand(int argc, char* argv[], const QString& language, const CommandLine& options,
                   const serial::PortMap& map);
