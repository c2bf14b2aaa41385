#include "cli/listen_command.h"

#include <QCoreApplication>
#include <QTimer>
#include <cstdio>

#include "cli/console.h"
#include "cli/interrupt.h"
#include "language/language.h"
#include "listen/bus_listener.h"
#include "listen/listen_files.h"

namespace {

constexpr int kRowFlushMs = 200;

}  // namespace

int RunListenCommand(int argc, char* argv[], const QString& language, const CommandLine& options,
                     const serial::PortMap& map,
                     const std::function<void(serial::LineSelector&)>& addOwnLines) {
    // Qt's own event loop: the GLib one it takes by default costs a listener on a busy bus more
    // than the frames themselves (it polls every source at every wake-up).
    qputenv("QT_NO_GLIB", "1");
    QCoreApplication app(argc, argv);
    language::Install(language);
    serial::LineSelector port(map);
    if (addOwnLines) addOwnLines(port);
    port.setPortNumber(serial::AssignedPortNumber(options.portAssignments));
    const QString settings = serial::SettingsText(options.baudIndex, options.formatIndex);
    port.setSettings(settings);
    if (!port.open()) {
        PrintLine(stderr, QStringLiteral("modbus-debugger: %1").arg(port.errorText()));
        return kExitNoPort;
    }
    listen::ListenFile csv, pcap;
    QString error;
    if ((!options.listenCsv.isEmpty() &&
         !csv.open(options.listenCsv, listen::ListenFile::Kind::Csv, &error)) ||
        (!options.listenPcap.isEmpty() &&
         !pcap.open(options.listenPcap, listen::ListenFile::Kind::Pcap, &error))) {
        PrintLine(stderr, QStringLiteral("modbus-debugger: %1").arg(error));
        return kExitBadFile;
    }
    const bool toStandardOutput = options.listenCsv.isEmpty();
    if (toStandardOutput) PrintLine(stdout, listen::CsvHeader().chopped(2));

    listen::BusListener listener(port);
    port.setArrivalHandler([&listener] { listener.onArrival(); });
    // Rows are handed to the system a few times a second, not per batch of frames: a write per
    // batch is most of what a saturated bus costs. A kill loses at most that last moment.
    QStringList rowsForOutput;
    QTimer flushTimer;
    flushTimer.setSingleShot(true);
    const auto flushRows = [&] {
        flushTimer.stop();
        if (!rowsForOutput.isEmpty()) PrintLine(stdout, rowsForOutput.join(QLatin1Char('\n')));
        rowsForOutput.clear();
        csv.flush();
        pcap.flush();
    };
    QObject::connect(&flushTimer, &QTimer::timeout, &app, flushRows);
    QObject::connect(&listener, &listen::BusListener::framesHeard, &app,
                     [&](const std::vector<listen::HeardFrame>& frames) {
                         for (const listen::HeardFrame& frame : frames) {
                             const qint64 epochUs = listener.epochUs(frame.frame.firstByteUs);
                             if (toStandardOutput)
                                 rowsForOutput << listen::CsvRow(frame, epochUs / 1000).chopped(2);
                             csv.write(frame, epochUs);
                             pcap.write(frame, epochUs);
                         }
                         if (!flushTimer.isActive()) flushTimer.start(kRowFlushMs);
                     });
    // A port that vanishes ends the job: what was heard is written, and the exit status says so.
    port.setFailureHandler([&](const QString& reason) {
        listener.stop();
        flushRows();
        PrintLine(stderr, QStringLiteral("modbus-debugger: %1").arg(reason));
        app.exit(kExitNoPort);
    });
    const auto end = [&] {
        listener.stop();
        flushRows();
        app.exit(0);
    };
    EndOnInterrupt(end);
    QTimer duration;
    duration.setSingleShot(true);
    QObject::connect(&duration, &QTimer::timeout, &app, end);
    if (options.listenSeconds > 0) duration.start(options.listenSeconds * 1000);
    listener.start(
        serial::ParseSettings(settings).value_or(serial::PortSettings{}),
        serial::IsAsciiFormat(options.formatIndex) ? frame::Framing::Ascii : frame::Framing::Rtu);
    const int code = app.exec();
    port.setArrivalHandler(nullptr);
    return code;
}
