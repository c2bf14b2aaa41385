#include "command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include "drive/readings.h"
#include "jobs/drive_scan.h"
#include "jobs/scan_options.h"

namespace {

CommandLineOutcome ReadScanOptions(const QCommandLineParser& parser, const QCommandLineOption& scan,
                                   const QCommandLineOption& bauds,
                                   const QCommandLineOption& formats,
                                   const QCommandLineOption& addresses,
                                   const QCommandLineOption& budget, const QCommandLineOption& all,
                                   CommandLine* options, QString* message) {
    options->scan = parser.isSet(scan);
    options->scanAll = parser.isSet(all);
    QString error;
    if (parser.isSet(bauds)) {
        const std::optional<std::vector<int>> list =
            jobs::ParseBaudList(parser.value(bauds), &error);
        if (!list) {
            *message = QStringLiteral("--scan-bauds: ") + error;
            return CommandLineOutcome::Error;
        }
        options->scanBauds = *list;
    }
    if (parser.isSet(formats)) {
        const std::optional<std::vector<int>> list =
            jobs::ParseFormatList(parser.value(formats), &error);
        if (!list) {
            *message = QStringLiteral("--scan-formats: ") + error;
            return CommandLineOutcome::Error;
        }
        options->scanFormats = *list;
    }
    if (parser.isSet(addresses) &&
        !jobs::ParseAddressRange(parser.value(addresses), &options->scanFirstAddress,
                                 &options->scanLastAddress, &error)) {
        *message = QStringLiteral("--scan-addresses: ") + error;
        return CommandLineOutcome::Error;
    }
    bool number = false;
    options->scanBudgetMs = parser.value(budget).toInt(&number);
    const int shortest = int(jobs::kShortestBudget.count());
    const int longest = int(jobs::kLongestBudget.count());
    if (!number || options->scanBudgetMs < shortest || options->scanBudgetMs > longest) {
        *message = QCoreApplication::translate(
                       "CommandLine", "--scan-budget wants milliseconds from %1 to %2, not \"%3\"")
                       .arg(shortest)
                       .arg(longest)
                       .arg(parser.value(budget));
        return CommandLineOutcome::Error;
    }
    return CommandLineOutcome::Run;
}

}  // namespace

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
    const QCommandLineOption scan(
        QStringLiteral("scan"),
        QCoreApplication::translate(
            "CommandLine",
            "Find the drives on COM1 (or the port --port names) without the window: probe "
            "with the fault-code reading over baud rates, data formats and addresses, print "
            "one line per drive found (address, baud rate, format, first-byte delay) and the "
            "probes and time taken. Exit status 0 when a drive was found, 1 when none."));
    const QCommandLineOption scanBauds(
        QStringLiteral("scan-bauds"),
        QCoreApplication::translate("CommandLine",
                                    "Baud rates to scan, e.g. 9600,19200 (default all four)."),
        QStringLiteral("LIST"));
    const QCommandLineOption scanFormats(
        QStringLiteral("scan-formats"),
        QCoreApplication::translate("CommandLine",
                                    "Data formats to scan by the format buttons' names without "
                                    "spaces, e.g. rtu8n1,rtu8e1, or rtu, ascii (default all six)."),
        QStringLiteral("LIST"));
    const QCommandLineOption scanAddresses(
        QStringLiteral("scan-addresses"),
        QCoreApplication::translate("CommandLine", "Addresses to scan (default 1-247)."),
        QStringLiteral("FIRST-LAST"));
    const QCommandLineOption scanBudget(
        QStringLiteral("scan-budget"),
        QCoreApplication::translate("CommandLine",
                                    "How long a probe waits for a drive to begin its answer, "
                                    "5 to 2000 ms (default 30)."),
        QStringLiteral("MS"), QStringLiteral("30"));
    const QCommandLineOption scanAll(
        QStringLiteral("scan-all"),
        QCoreApplication::translate("CommandLine",
                                    "Go on after the first drive found and find them all."));
    parser.addOptions({help, version, port, demo, replyTimeout, record, monitor, monitorCsv,
                       language, scan, scanBauds, scanFormats, scanAddresses, scanBudget, scanAll});

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
    return ReadScanOptions(parser, scan, scanBauds, scanFormats, scanAddresses, scanBudget, scanAll,
                           options, message);
}
