// MODBUS debugging program for frequency inverters: the window on one serial line.
#include <QApplication>
#include <QDateTime>
#include <QFileInfo>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "cli/command_line.h"
#include "cli/console.h"
#include "cli/demo_drive.h"
#include "cli/listen_command.h"
#include "cli/parameter_command.h"
#include "cli/scan_command.h"
#include "cli/trip_command.h"
#include "exchange/history_file.h"
#include "exchange/history_format.h"
#include "exchange/samples.h"
#include "language/language.h"
#include "serial/line_selector.h"
#include "serial/port_map.h"
#include "sim/drive_server.h"
#include "window/main/main_window.h"
#include "window/trend/trend_window.h"

namespace {

int Fail(const QString& message, int code) {
    PrintLine(stderr, QStringLiteral("modbus-debugger: ") + message);
    return code;
}

// Qt ends the process with an abort when no platform plugin starts, after a few lines of its
// own; without a display that is the ordinary case, so it ends with one line and exit code 1.
QString gStartWarning;
void EndOnFatal(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type != QtFatalMsg) {
        if (gStartWarning.isEmpty()) gStartWarning = message;
        return;
    }
    PrintLine(stderr, QStringLiteral("modbus-debugger: cannot open the display (%1)")
                          .arg(gStartWarning.isEmpty() ? message.section(QLatin1Char('\n'), 0, 0)
                                                       : gStartWarning));
    std::_Exit(1);
}

bool DisplayNamed() {
#ifdef Q_OS_LINUX
    return qEnvironmentVariableIsSet("QT_QPA_PLATFORM") || qEnvironmentVariableIsSet("DISPLAY") ||
           qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
#else
    return true;
#endif
}

// The value of --language, read apart from the rest: a help or an error is printed in it even
// when the command line holds a mistake.
QString LanguageArgument(const QStringList& arguments) {
    QString value;
    for (int i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--language") && i + 1 < arguments.size())
            value = arguments[i + 1];
        else if (arguments[i].startsWith(QLatin1String("--language=")))
            value = arguments[i].section(QLatin1Char('='), 1);
    }
    return value;
}

// Messages printed before the window's application exists come from a short-lived core
// application, so they are in the user's language too.
int PrintTranslated(int argc, char* argv[], const QString& language, int code,
                    const std::function<QString()>& message) {
    QCoreApplication core(argc, argv);
    language::Install(language);
    if (code == 0) {
        PrintLine(stdout, message());
        return 0;
    }
    return Fail(message(), code);
}

// With TZ unset, glibc looks at /etc/localtime again for every local time it gives: a file
// status call per row on a busy bus. Naming that same file spares it and changes no time.
void NameTheLocalTimeZoneFile() {
#ifdef Q_OS_LINUX
    if (!qEnvironmentVariableIsSet("TZ") && QFileInfo::exists(QStringLiteral("/etc/localtime")))
        qputenv("TZ", ":/etc/localtime");
#endif
}

}  // namespace

int main(int argc, char* argv[]) {
    NameTheLocalTimeZoneFile();
    PrepareConsole();
    const QStringList arguments = CommandLineArguments(argc, argv);
    CommandLine options;
    QString message;
    const CommandLineOutcome outcome = ReadCommandLine(arguments, &options, &message);
    const QString language = language::Chosen(LanguageArgument(arguments));
    // Read again once the catalogue is in, for the help and the errors in the user's language.
    const auto reread = [&arguments] {
        CommandLine unused;
        QString text;
        ReadCommandLine(arguments, &unused, &text);
        return text;
    };
    switch (outcome) {
        case CommandLineOutcome::Done:
            return PrintTranslated(argc, argv, language, 0, reread);
        case CommandLineOutcome::Error:
            return PrintTranslated(argc, argv, language, 2, reread);
        case CommandLineOutcome::Run:
            break;
    }
    serial::PortMap map;
    QString error;
    // The simulated drive serves its line on a thread of its own, or inside the program.
    DemoDrive demo;
    QString demoDevice;
    if (options.demo) {
        QString& device = demoDevice;
        if (!demo.start(&device, &error))
            return PrintTranslated(argc, argv, language, 1, [&error] {
                return QCoreApplication::translate("Main", "cannot start the simulated drive: %1")
                    .arg(error);
            });
        options.portAssignments.prepend(QStringLiteral("COM1=") + device);
    }
    const auto addOwnLines = [&demo](serial::LineSelector& line) { demo.attach(line); };
    // A wrong --port is the user's mistake and is said so, display or not.
    if (!serial::BuildPortMap(options.portAssignments, serial::DetectSerialDevices(), &map, &error))
        return PrintTranslated(argc, argv, language, 2, [&options] {
            serial::PortMap unused;
            QString text;
            serial::BuildPortMap(options.portAssignments, {}, &unused, &text);
            return text;
        });
    // The scan runs on the command line alone, display or not.
    if (options.scan) return RunScanCommand(argc, argv, language, options, map, addOwnLines);
    if (options.parameterCommand() || options.listen) {
        CommandLine line = options;
        if (line.baudIndex < 0) line.baudIndex = 1;      // 9600, as the window starts
        if (line.formatIndex < 0) line.formatIndex = 0;  // ASCII 8,N,1
        if (options.listen) return RunListenCommand(argc, argv, language, line, map, addOwnLines);
        return RunParameterCommand(argc, argv, language, line, map, addOwnLines);
    }
    // Catching trips without a window needs no display: the chart's pictures are drawn
    // offscreen.
    const bool windowless = options.noWindow || (options.captureTrips && !DisplayNamed());
    if (windowless && !DisplayNamed()) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!DisplayNamed())
        return PrintTranslated(argc, argv, language, 1, [] {
            return QCoreApplication::translate("Main",
                                               "no display: set DISPLAY or WAYLAND_DISPLAY (or "
                                               "QT_QPA_PLATFORM=offscreen)");
        });

    const QtMessageHandler previous = qInstallMessageHandler(EndOnFatal);
    QApplication app(argc, argv);
    qInstallMessageHandler(previous);
    QApplication::setApplicationName(QStringLiteral("modbus-debugger"));
    QApplication::setApplicationVersion(QStringLiteral(APP_VERSION));
    if (!language::Install(language))
        std::fprintf(stderr, "modbus-debugger: the Chinese catalogue is missing; English it is\n");

    if (!serial::BuildPortMap(options.portAssignments, serial::DetectSerialDevices(), &map, &error))
        return Fail(error, 2);
    exchange::AppendFile record;
    if (!options.recordFile.isEmpty() &&
        !record.open(options.recordFile, exchange::RecordHeader(), &error))
        return Fail(QStringLiteral("--record: %1").arg(error), 2);
    exchange::AppendFile samples;
    if (!options.monitorCsv.isEmpty() &&
        !samples.open(options.monitorCsv, exchange::SampleCsvHeader().toUtf8(), &error))
        return Fail(QStringLiteral("--monitor-csv: %1").arg(error), 2);

    if (options.demo)
        PrintLine(
            stderr,
            QCoreApplication::translate("Main", "simulated drive on %1 (COM1)").arg(demoDevice));
    serial::LineSelector port(map);
    demo.attach(port);
    MainWindow window(port, map.devices);
    if (record.isOpen())
        QObject::connect(
            &window.exchangeCore(), &exchange::ExchangeCore::recordAdded, &window,
            [&record](const exchange::ExchangeRecord& r) { record.writeRow(exchange::CsvRow(r)); });
    if (samples.isOpen())
        QObject::connect(
            &window.poller(), &exchange::Poller::sampleAdded, &window,
            [&samples](const exchange::Sample& s) { samples.writeRow(exchange::SampleCsvRow(s)); });
    window.setReplyTimeout(options.replyTimeoutMs);
    if (windowless) {
        QApplication::setQuitOnLastWindowClosed(false);
    } else {
        window.show();
    }
    window.load();
    window.useLine(options.baudIndex, options.formatIndex,
                   options.addressGiven ? options.parameterAddress : -1);
    if (record.isOpen())
        record.writeRow(exchange::SessionCsvRow(
            QDateTime::currentMSecsSinceEpoch(),
            QCoreApplication::translate("Main", "modbus-debugger %1 started on %2")
                .arg(QStringLiteral(APP_VERSION), window.lineDescription())));
    if (!options.monitor.empty() || !options.monitorOthers.empty()) {
        const TrendWindow* trend =
            window.openTrend(options.monitor, options.monitorOthers, !windowless);
        window.startPolling(trend->chosenReadings(), trend->chosenChannels());
    }
    if (options.captureTrips && !StartTripCapture(window, options)) return kExitBadFile;
    return app.exec();
}
