#include "command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include "drive/readings.h"

CommandLineOutcome ReadCommandLine(const QStringList& arguments, CommandLine* options,
                                   QString* message) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QCoreApplication::translate(
        "CommandLine",
        "MODBUS debugging program for frequency inverters.\n\n"
        "The port buttons COM1..COM4 stand for serial devices. On Windows they are the ports of\n"
        "those names. Elsewhere COMn is the n-th detected serial device, USB and ACM adapters\n"
        "before built-in ttyS ports, unless --port assigns a device to it. The device behind\n"
        "each button shows as its tooltip."));
    const QCommandLineOption help(
        {QStringLiteral("h"), QStringLiteral("help")},
        QCoreApplication::translate("CommandLine", "Show this help and end."));
    const QCommandLineOption version(
        {QStringLiteral("v"), QStringLiteral("version")},
        QCoreApplication::translate("CommandLine", "Show the version and end."));
    const QCommandLineOption port(
        QStringLiteral("port"),
        QCoreApplication::translate(
            "CommandLine",
            "Put device PATH behind port button COMn (n = 1..4). Repeatable, e.g. "
            "--port COM1=/dev/ttyUSB0."),
        QStringLiteral("COMn=PATH"));
    const QCommandLineOption demo(
        QStringLiteral("demo"),
        QCoreApplication::translate(
            "CommandLine",
            "Start a simulated inverter (address 1) on a fresh pseudo-terminal and put "
            "it behind COM1, so every button can be tried without a drive."));
    const QCommandLineOption record(
        QStringLiteral("record"),
        QCoreApplication::translate(
            "CommandLine",
            "Append every exchange (request, reply, late reply, unsent request) to FILE "
            "as a CSV row the moment it happens, written through to the disk."),
        QStringLiteral("FILE"));
    const QCommandLineOption replyTimeout(
        QStringLiteral("reply-timeout"),
        QCoreApplication::translate(
            "CommandLine",
            "How long a capture waits for the first byte of a reply, 50 (default) to "
            "2000 ms. Raise it for a drive that answers later than 50 ms."),
        QStringLiteral("MS"), QStringLiteral("50"));
    const QCommandLineOption monitor(
        QStringLiteral("monitor"),
        QCoreApplication::translate(
            "CommandLine",
            "Open the trend window and poll these readings from the start: names or "
            "item numbers, comma-separated. Readings: %1.")
            .arg(drive::ReadingNames().join(QStringLiteral(", "))),
        QStringLiteral("LIST"));
    const QCommandLineOption monitorCsv(
        QStringLiteral("monitor-csv"),
        QCoreApplication::translate(
            "CommandLine",
            "Append every polled sample to FILE as CSV (time in ms, reading, raw "
            "value, scaled value, verdict), written through per row."),
        QStringLiteral("FILE"));
    const QCommandLineOption language(
        QStringLiteral("language"),
        QCoreApplication::translate("CommandLine",
                                    "The language of the program's messages: zh (Chinese) or en "
                                    "(English). By default English for an English locale (LANG), "
                                    "Chinese otherwise."),
        QStringLiteral("LANG"));
    parser.addOptions(
        {help, version, port, demo, replyTimeout, record, monitor, monitorCsv, language});

    if (!parser.parse(arguments)) {
        *message =
            parser.errorText() + QLatin1Char('\n') +
            QCoreApplication::translate("CommandLine", "modbus-debugger --help lists the options.");
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
        *message = QCoreApplication::translate("CommandLine", "unexpected argument: %1")
                       .arg(parser.positionalArguments().first());
        return CommandLineOutcome::Error;
    }
    options->language = parser.value(language);
    if (parser.isSet(language) && options->language != QLatin1String("zh") &&
        options->language != QLatin1String("en")) {
        *message =
            QCoreApplication::translate("CommandLine", "--language wants zh or en, not \"%1\"")
                .arg(options->language);
        return CommandLineOutcome::Error;
    }
    options->portAssignments = parser.values(port);
    options->demo = parser.isSet(demo);
    options->recordFile = parser.value(record);
    options->monitorCsv = parser.value(monitorCsv);
    bool number = false;
    options->replyTimeoutMs = parser.value(replyTimeout).toInt(&number);
    if (!number || options->replyTimeoutMs < 50 || options->replyTimeoutMs > 2000) {
        *message =
            QCoreApplication::translate(
                "CommandLine", "--reply-timeout wants milliseconds from 50 to 2000, not \"%1\"")
                .arg(parser.value(replyTimeout));
        return CommandLineOutcome::Error;
    }
    if (parser.isSet(monitor)) {
        QString error;
        const std::optional<std::vector<int>> readings =
            drive::ParseReadingList(parser.value(monitor), &error);
        if (!readings) {
            *message = QStringLiteral("--monitor: ") + error;
            return CommandLineOutcome::Error;
        }
        options->monitor = *readings;
    }
    return CommandLineOutcome::Run;
}
