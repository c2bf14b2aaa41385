#include "command_line.h"

#include <QCommandLineParser>

CommandLineOutcome ReadCommandLine(const QStringList& arguments, CommandLine* options,
                                   QString* message) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "MODBUS debugging program for frequency inverters.\n\n"
        "The port buttons COM1..COM4 stand for serial devices. On Windows they are the ports of\n"
        "those names. Elsewhere COMn is the n-th detected serial device, USB and ACM adapters\n"
        "before built-in ttyS ports, unless --port assigns a device to it. The device behind\n"
        "each button shows as its tooltip."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and end."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version and end."));
    const QCommandLineOption port(
        QStringLiteral("port"),
        QStringLiteral("Put device PATH behind port button COMn (n = 1..4). Repeatable, e.g. "
                       "--port COM1=/dev/ttyUSB0."),
        QStringLiteral("COMn=PATH"));
    const QCommandLineOption demo(
        QStringLiteral("demo"),
        QStringLiteral("Start a simulated inverter (address 1) on a fresh pseudo-terminal and put "
                       "it behind COM1, so every button can be tried without a drive."));
    const QCommandLineOption record(
        QStringLiteral("record"),
        QStringLiteral("Append every exchange (request, reply, late reply, unsent request) to FILE "
                       "as a CSV row the moment it happens, written through to the disk."),
        QStringLiteral("FILE"));
    parser.addOptions({help, version, port, demo, record});

    if (!parser.parse(arguments)) {
        *message =
            parser.errorText() + QStringLiteral("\nmodbus-debugger --help lists the options.");
        return CommandLineOutcome::Error;
    }
    if (parser.isSet(help)) {
        *message = parser.helpText().replace(QStringLiteral("<executable_name>"),
                                             QStringLiteral("modbus-debugger"));
        return CommandLineOutcome::Done;
    }
    if (parser.isSet(version)) {
        *message = QStringLiteral("modbus-debugger %1").arg(QStringLiteral(APP_VERSION));
        return CommandLineOutcome::Done;
    }
    if (!parser.positionalArguments().isEmpty()) {
        *message =
            QStringLiteral("unexpected argument: %1").arg(parser.positionalArguments().first());
        return CommandLineOutcome::Error;
    }
    options->portAssignments = parser.values(port);
    options->demo = parser.isSet(demo);
    options->recordFile = parser.value(record);
    return CommandLineOutcome::Run;
}
