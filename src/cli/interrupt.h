// Ctrl+C (and a terminal's or service manager's stop) ends a command-line job in order: what
// it has heard is written out before the program ends.
#pragma once

#include <functional>

// Calls `end` from the event loop when the user interrupts the program. Once per program.
void EndOnInterrupt(std::function<void()> end);
