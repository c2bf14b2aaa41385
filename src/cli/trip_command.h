// --snapshots: the trip capture armed from the command line on the trend's polling, one line
// on standard output per event, for as long as the program runs (or up to the first snapshot).
#pragma once

#include "cli/command_line.h"

class MainWindow;

// Arms the capture once polling has started; false, with the reason printed, when it cannot.
bool StartTripCapture(MainWindow& window, const CommandLine& options);
