// --listen: the frames another master's bus carries, one CSV row each, with no window.
#pragma once

#include <QString>
#include <functional>

#include "cli/command_line.h"
#include "serial/line_selector.h"
#include "serial/port_map.h"

int RunListenCommand(int argc, char* argv[], const QString& language, const CommandLine& options,
                     const serial::PortMap& map,
                     const std::function<void(serial::LineSelector&)>& addOwnLines);
