#include "cli/command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include "cli/option_groups.h"
#include "cli/trip_options.h"
#include "drive/readings.h"
#include "jobs/drive_scan.h"

CommandLineOutcome ReadCommandLine(const QStringList& arguments, CommandLine* options,
                                   QString* message) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QCoreApplication::translate(
        "CommandLine",
        "MODBUS debugging program for frequency inverters.\n\n"
        "The port buttons COM1..COM4 stand for serial devices. On Windows they are the ports of\n"
        "those names. Elsewhere COMn is the n-th detected serial device, USB and ACM adapters\n"
        "before built-in ttyS ports, unless --port assigns a device to it. The device behind\n"
        "each button shows as its tooltip.\n\n"
        "Exit status of --scan, --backup, --compare and --restore: 0 done; 1 no drive found,\n"
        "parameters that differ, or a parameter that could not be read or written; 2 a wrong\n"
        "option, or a file that cannot be read or written; 3 the port cannot be opened or\n"
        "stayed away."));
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
            "Put device PATH behind port button COMn (n = 1..4), or a serial device server: "
            "tcp://HOST:PORT (raw TCP) or rfc2217://HOST:PORT (the buttons set its port). "
            "Repeatable, e.g. --port COM1=/dev/ttyUSB0."),
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
            "item numbers, comma-separated; ADDRESS:NAME polls a reading of another drive "
            "on the line (2:output-frequency), a bare name the drive of --address. "
            "Readings: %1.")
            .arg(drive::ReadingNames().join(QStringLiteral(", "))),
        QStringLiteral("LIST"));
    const QCommandLineOption monitorCsv(
        QStringLiteral("monitor-csv"),
        QCoreApplication::translate(
            "CommandLine",
            "Append every polled sample to FILE as CSV (time in ms, the drive's address, "
            "reading, raw value, scaled value, verdict), written through per row."),
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
    const QCommandLineOption baud(
        QStringLiteral("baud"),
        QCoreApplication::translate("CommandLine",
                                    "The baud rate: 4800, 9600 (default), 19200 or 38400. Sets "
                                    "the window's button at start-up and the line of --backup, "
                                    "--compare and --restore."),
        QStringLiteral("RATE"));
    const QCommandLineOption format(
        QStringLiteral("format"),
        QCoreApplication::translate("CommandLine",
                                    "The data format as the format buttons name it, without "
                                    "spaces or with a dash: rtu-8n1, rtu8e1, ascii-8n1 (default "
                                    "ascii-8n1). Sets the window's button at start-up and the "
                                    "line of the parameter commands."),
        QStringLiteral("FORMAT"));
    const QCommandLineOption address(
        QStringLiteral("address"),
        QCoreApplication::translate("CommandLine",
                                    "The drive's address for the parameter commands, 1 to 247 "
                                    "(default 1); also put into the inverter address box."),
        QStringLiteral("N"));
    const QCommandLineOption backup(
        QStringLiteral("backup"),
        QCoreApplication::translate("CommandLine",
                                    "Read the drive's parameters and save them to FILE, without "
                                    "the window. Exit status 0 when every one was read."),
        QStringLiteral("FILE"));
    const QCommandLineOption compare(
        QStringLiteral("compare"),
        QCoreApplication::translate("CommandLine",
                                    "Read the drive's parameters that FILE holds and print each "
                                    "that differs with both values. Exit status 1 when any "
                                    "differs, 0 when none does."),
        QStringLiteral("FILE"));
    const QCommandLineOption restore(
        QStringLiteral("restore"),
        QCoreApplication::translate("CommandLine",
                                    "Write the parameters of FILE that differ from the drive's, "
                                    "each read back; not while the drive runs. Exit status 0 "
                                    "only when every one read back as meant."),
        QStringLiteral("FILE"));
    const QCommandLineOption addresses(
        QStringLiteral("addresses"),
        QCoreApplication::translate(
            "CommandLine",
            "The parameter commands for several drives on the line, such as 1-12 or 1,3,5-7: "
            "--backup then names a folder and writes a file per drive (drive-001.csv ...), "
            "--compare and --compare-drive print one table of every drive, --restore writes "
            "to each drive in turn."),
        QStringLiteral("LIST"));
    const QCommandLineOption compareDrive(
        QStringLiteral("compare-drive"),
        QCoreApplication::translate("CommandLine",
                                    "Compare the drives of --addresses with drive N's "
                                    "parameters, as --compare does with a file."),
        QStringLiteral("N"));
    const QCommandLineOption parameters(
        QStringLiteral("parameters"),
        QCoreApplication::translate("CommandLine",
                                    "The parameters of --backup, --compare and --restore "
                                    "(default 0-250)."),
        QStringLiteral("FIRST-LAST"));
    const QCommandLineOption listen(
        QStringLiteral("listen"),
        QCoreApplication::translate("CommandLine",
                                    "Listen to a bus another master runs, without the window and "
                                    "without ever sending: one CSV row per frame heard, in the "
                                    "line of --baud and --format. Ends after --duration or on "
                                    "Ctrl+C, with exit status 0."));
    const QCommandLineOption listenCsv(
        QStringLiteral("listen-csv"),
        QCoreApplication::translate("CommandLine", "Write the rows of --listen to FILE."),
        QStringLiteral("FILE"));
    const QCommandLineOption listenPcap(
        QStringLiteral("listen-pcap"),
        QCoreApplication::translate("CommandLine",
                                    "Also write the frames of --listen to FILE as a pcap capture "
                                    "for Wireshark (link type USER0, 147)."),
        QStringLiteral("FILE"));
    const QCommandLineOption duration(
        QStringLiteral("duration"),
        QCoreApplication::translate("CommandLine", "How long --listen listens, in seconds."),
        QStringLiteral("SECONDS"));
    parser.addOptions({help,          version,    port,      demo,        replyTimeout, record,
                       monitor,       monitorCsv, language,  scan,        scanBauds,    scanFormats,
                       scanAddresses, scanBudget, scanAll,   baud,        format,       address,
                       backup,        compare,    restore,   parameters,  listen,       listenCsv,
                       listenPcap,    duration,   addresses, compareDrive});
    parser.addOptions(TripCommandLineOptions());

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
        const std::optional<std::vector<drive::DriveReading>> readings =
            drive::ParseDriveReadingList(parser.value(monitor), &error);
        if (!readings) {
            *message = QStringLiteral("--monitor: ") + error;
            return CommandLineOutcome::Error;
        }
        for (const drive::DriveReading& one : *readings) {
            if (one.address == 0)
                options->monitor.push_back(one.reading);
            else
                options->monitorOthers.push_back(exchange::Channel{one.address, one.reading});
        }
    }
    options->listen = parser.isSet(listen);
    options->listenCsv = parser.value(listenCsv);
    options->listenPcap = parser.value(listenPcap);
    if (parser.isSet(duration)) {
        options->listenSeconds = parser.value(duration).toInt(&number);
        if (!number || options->listenSeconds < 1) {
            *message = QCoreApplication::translate("CommandLine",
                                                   "--duration wants whole seconds, not \"%1\"")
                           .arg(parser.value(duration));
            return CommandLineOutcome::Error;
        }
    }
    const CommandLineOutcome tripOutcome = ReadTripOptions(parser, options, message);
    if (tripOutcome != CommandLineOutcome::Run) return tripOutcome;
    const CommandLineOutcome scanOutcome = ReadScanOptions(
        parser, scan, scanBauds, scanFormats, scanAddresses, scanBudget, scanAll, options, message);
    if (scanOutcome != CommandLineOutcome::Run) return scanOutcome;
    return ReadLineOptions(parser, baud, format, address, backup, compare, restore, parameters,
                           addresses, compareDrive, options, message);
}
