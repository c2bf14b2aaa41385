// The command line's options for catching a trip while the trend polls: --trigger,
// --snapshots, --before, --after, --hysteresis, --single, --no-window.
#pragma once

#include <QCommandLineParser>
#include <QList>

#include "cli/command_line.h"

QList<QCommandLineOption> TripCommandLineOptions();
// Error with the reason in `message`.
CommandLineOutcome ReadTripOptions(const QCommandLineParser& parser, CommandLine* options,
                                   QString* message);
