// The command line's groups of options read into CommandLine: the drive finder's (--scan ...)
// and the line and parameter commands' (--baud, --format, --address, --backup ...). Error with
// the reason in `message`.
#pragma once

#include <QCommandLineParser>

#include "cli/command_line.h"

CommandLineOutcome ReadScanOptions(const QCommandLineParser& parser, const QCommandLineOption& scan,
                                   const QCommandLineOption& bauds,
                                   const QCommandLineOption& formats,
                                   const QCommandLineOption& addresses,
                                   const QCommandLineOption& budget, const QCommandLineOption& all,
                                   CommandLine* options, QString* message);

CommandLineOutcome ReadLineOptions(
    const QCommandLineParser& parser, const QCommandLineOption& baud,
    const QCommandLineOption& format, const QCommandLineOption& address,
    const QCommandLineOption& backup, const QCommandLineOption& compare,
    const QCommandLineOption& restore, const QCommandLineOption& parameters,
    const QCommandLineOption& addresses, const QCommandLineOption& compareDrive,
    CommandLine* options, QString* message);
