// MODBUS debugging program for frequency inverters: the window on one serial line.
#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "command_line.h"
#include "exchange/history_file.h"
#include "exchange/history_format.h"
#include "exchange/samples.h"
#include "serial/port_map.h"
#include "serial/qt_serial_port.h"
#include "sim/drive_server.h"
#include "window/main_window.h"
#include "window/trend_window.h"

namespace {

int Fail(const QString& message, int code) {
    std::fprintf(stderr, "modbus-debugger: %s\n", qPrintable(message));
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
    std::fprintf(stderr, "modbus-debugger: cannot open the display (%s)\n",
                 qPrintable(gStartWarning.isEmpty() ? message.section(QLatin1Char('\n'), 0, 0)
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

}  // namespace

int main(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    CommandLine options;
    QString message;
    switch (ReadCommandLine(arguments, &options, &message)) {
        case CommandLineOutcome::Done:
            std::printf("%s\n", qPrintable(message));
            return 0;
        case CommandLineOutcome::Error:
            return Fail(message, 2);
        case CommandLineOutcome::Run:
            break;
    }

    serial::PortMap map;
    QString error;
    // The simulated drive serves its line on a thread of its own, never the window's.
    sim::DriveServer demoDrive(1);
    if (options.demo) {
        QString device;
        if (!demoDrive.startPseudoTerminal(&device, &error))
            return Fail(QStringLiteral("cannot start the simulated drive: %1").arg(error), 1);
        options.portAssignments.prepend(QStringLiteral("COM1=") + device);
        std::fprintf(stderr, "simulated drive on %s (COM1)\n", qPrintable(device));
    }
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

    if (!DisplayNamed())
        return Fail(QStringLiteral("no display: set DISPLAY or WAYLAND_DISPLAY (or "
                                   "QT_QPA_PLATFORM=offscreen)"),
                    1);
    const QtMessageHandler previous = qInstallMessageHandler(EndOnFatal);
    QApplication app(argc, argv);
    qInstallMessageHandler(previous);
    QApplication::setApplicationName(QStringLiteral("modbus-debugger"));
    QApplication::setApplicationVersion(QStringLiteral(APP_VERSION));

    serial::QtSerialPort port(map);
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
    window.show();
    window.load();
    if (!options.monitor.empty()) {
        window.openTrend(options.monitor);
        window.startPolling(options.monitor);
    }
    return app.exec();
}
