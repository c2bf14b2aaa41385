// inverter-sim: plays a frequency inverter on a serial line until interrupted.
//
// By default it creates a pseudo-terminal and prints the device path that the debugging program
// (or any Modbus master) should open; --device serves a real serial port instead.
#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#endif

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "drive/parameter_set.h"
#include "drive/readings.h"
#include "sim/drive_server.h"
#include "sim/injection.h"
#ifdef Q_OS_UNIX
#include "sim/simulated_master.h"
#endif

namespace {

int Fail(const QString& message) {
    std::fprintf(stderr, "inverter-sim: %s\n", qPrintable(message));
    return 2;
}

// "n81", "e81", "o72", or the same with commas ("n,8,1"): parity, data bits, stop bits.
bool FormatToSettings(const QString& format, QString* settings) {
    static const QRegularExpression pattern(QStringLiteral("^([neo]),?([5-8]),?([12])$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(format.trimmed());
    if (!match.hasMatch()) return false;
    *settings = QStringLiteral("%1,%2,%3")
                    .arg(match.captured(1).toLower(), match.captured(2), match.captured(3));
    return true;
}

// "ADDRESS=VALUE" names one of the drives; a bare value is for all (address 0). Nothing for an
// address no drive has.
std::optional<std::pair<int, QString>> ForOneDrive(const QString& value,
                                                   const std::vector<int>& drives) {
    static const QRegularExpression prefix(QStringLiteral("^(\\d{1,3})=(.*)$"));
    const QRegularExpressionMatch match = prefix.match(value);
    if (!match.hasMatch()) return std::pair<int, QString>{0, value};
    const int address = match.captured(1).toInt();
    if (std::find(drives.begin(), drives.end(), address) == drives.end()) return std::nullopt;
    return std::pair<int, QString>{address, match.captured(2)};
}

#ifdef Q_OS_WIN
// Ctrl+C or a closed console ends the drive from the event loop.
BOOL WINAPI EndOnConsoleEvent(DWORD) {
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                              Qt::QueuedConnection);
    return TRUE;
}
#endif

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("inverter-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulated frequency inverter on a serial line. Answers the drive's requests in Modbus "
        "RTU and ASCII framing.\nWithout --device it creates a pseudo-terminal and prints its "
        "path; serves until SIGINT or SIGTERM."));
    parser.addHelpOption();
    const QCommandLineOption device(QStringLiteral("device"),
                                    QStringLiteral("Serve the serial device <path>."),
                                    QStringLiteral("path"));
    const QCommandLineOption address(QStringLiteral("address"),
                                     QStringLiteral("Drive address 1..255 (default 1)."),
                                     QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption drives(
        QStringLiteral("drives"),
        QStringLiteral("Several drives on the one line, each its own model: addresses such as "
                       "1,7,32 (instead of --address)."),
        QStringLiteral("list"));
    const QCommandLineOption echo(
        QStringLiteral("echo"),
        QStringLiteral("Play every request back before any reply, as a two-wire adapter with "
                       "its receiver left on does."));
    const QCommandLineOption baud(
        QStringLiteral("baud"),
        QStringLiteral("The drive's baud rate: the rate of --device, and the rate --strict-line "
                       "insists on (default 9600)."),
        QStringLiteral("n"), QStringLiteral("9600"));
    const QCommandLineOption format(
        QStringLiteral("format"),
        QStringLiteral("The drive's parity, data and stop bits: n81, e81, o81 ... (default n81)."),
        QStringLiteral("pds"), QStringLiteral("n81"));
    const QCommandLineOption turnaround(
        QStringLiteral("turnaround"),
        QStringLiteral("Milliseconds from the end of a request to the reply, 0..%1 (default %2). "
                       "On a pseudo-terminal each reply character also takes its wire time at "
                       "the settings the master has set. ADDRESS=MS gives one drive of --drives "
                       "a longer turnaround of its own; repeat it for several.")
            .arg(sim::kLongestTurnaroundMs)
            .arg(sim::kDefaultTurnaroundMs),
        QStringLiteral("ms"), QString::number(sim::kDefaultTurnaroundMs));
    const QCommandLineOption strictLine(
        QStringLiteral("strict-line"),
        QStringLiteral(
            "Answer only when the master's line settings equal --baud and --format, as "
            "a real drive does; a request sent at another baud rate is heard as the garbled "
            "characters a UART makes of it. A pseudo-terminal keeps the baud rate, stop bits "
            "and odd parity, not even parity or the data bits, so those cannot be told apart."));
    const QCommandLineOption inject(QStringLiteral("inject"),
                                    QStringLiteral("Line fault to play: %1 (default none).")
                                        .arg(sim::InjectionNames().join(QStringLiteral(", "))),
                                    QStringLiteral("mode"), QStringLiteral("none"));
    const QCommandLineOption fault(QStringLiteral("fault"),
                                   QStringLiteral("Fault code byte to report (default 0)."),
                                   QStringLiteral("code"), QStringLiteral("0"));
    const QCommandLineOption link(
        QStringLiteral("link"),
        QStringLiteral("Also make <path> a symbolic link to the pseudo-terminal."),
        QStringLiteral("path"));
    const QCommandLineOption parameters(
        QStringLiteral("parameters"),
        QStringLiteral("Preload the drives' parameters from FILE, a parameter set as "
                       "modbus-debugger saves it (--backup, 参数管理). ADDRESS=FILE preloads one "
                       "drive of --drives; repeat it for several, after a FILE for all."),
        QStringLiteral("FILE"));
    const QCommandLineOption running(
        QStringLiteral("running"),
        QStringLiteral("Start the drives running toward HZ hertz; ADDRESS=HZ starts one drive of "
                       "--drives; repeat it for several."),
        QStringLiteral("hz"));
    const QCommandLineOption tripAt(
        QStringLiteral("trip-at"),
        QStringLiteral("Trip after SECONDS of the drive's time (from the start), the output "
                       "current climbing over the %1 s before; ADDRESS=SECONDS trips one drive "
                       "of --drives. Start the drive with --running to see the current rise.")
            .arg(sim::DriveModel::kTripRiseMs / 1000),
        QStringLiteral("seconds"));
    const QCommandLineOption tripAbove(
        QStringLiteral("trip-above"),
        QStringLiteral("Trip as soon as a reading goes above VALUE, in its unit: "
                       "output-current=9.5 trips while the drive speeds up to 50 Hz. The fault "
                       "code is --trip-code's."),
        QStringLiteral("reading=value"));
    const QCommandLineOption tripCode(
        QStringLiteral("trip-code"),
        QStringLiteral("The fault code byte of --trip-at, 1..255 (default 6: E.OC.n, over-current "
                       "at constant speed)."),
        QStringLiteral("code"), QStringLiteral("6"));
    const QCommandLineOption listen(
        QStringLiteral("listen"),
        QStringLiteral("Serve the drive over TCP on 127.0.0.1:PORT, as a serial device server in "
                       "raw mode does, replies at the wire pace of --baud and --format (0: a "
                       "free port; the address is printed)."),
        QStringLiteral("port"));
    const QCommandLineOption chunk(
        QStringLiteral("chunk"),
        QStringLiteral("Deliver replies in pieces of N bytes, %1 ms apart, as gateways do.")
            .arg(sim::kChunkPauseMs),
        QStringLiteral("n"), QStringLiteral("0"));
    const QCommandLineOption tap(
        QStringLiteral("tap"),
        QStringLiteral("Also create a second pseudo-terminal that carries every byte on the line "
                       "at its wire time, the requests heard and the replies sent, for a "
                       "listener; its path is printed on the second line."));
    const QCommandLineOption tapMerge(
        QStringLiteral("tap-merge"),
        QStringLiteral("Deliver the tap's bytes as a USB adapter with a 16 ms latency timer "
                       "does: up to 32 bytes at a time, across frame boundaries."));
    const QCommandLineOption master(
        QStringLiteral("master"),
        QStringLiteral("Be polled by a master of the simulator's own: every MS milliseconds a "
                       "request for the next reading of the next drive, in --master-format."),
        QStringLiteral("ms"));
    const QCommandLineOption masterFormat(
        QStringLiteral("master-format"),
        QStringLiteral("The framing of --master: rtu (default) or ascii."),
        QStringLiteral("framing"), QStringLiteral("rtu"));
    const QCommandLineOption verbose(QStringLiteral("verbose"),
                                     QStringLiteral("Print every request and reply on stderr."));
    parser.addOptions({device,     address,    drives,       echo,   baud,  format,
                       turnaround, strictLine, inject,       fault,  link,  parameters,
                       running,    tripAt,     tripCode,     listen, chunk, tap,
                       tapMerge,   master,     masterFormat, verbose});
    parser.process(app);

    bool ok = false;
    const int driveAddress = parser.value(address).toInt(&ok);
    if (!ok || driveAddress < 1 || driveAddress > 255)
        return Fail(QStringLiteral("--address wants a number from 1 to 255"));
    std::vector<int> driveAddresses{driveAddress};
    if (parser.isSet(drives)) {
        driveAddresses.clear();
        for (const QString& part : parser.value(drives).split(QLatin1Char(','))) {
            const int value = part.trimmed().toInt(&ok);
            if (!ok || value < 1 || value > 255 ||
                std::find(driveAddresses.begin(), driveAddresses.end(), value) !=
                    driveAddresses.end())
                return Fail(
                    QStringLiteral("--drives wants different addresses from 1 to 255, "
                                   "separated by commas"));
            driveAddresses.push_back(value);
        }
    }
    const std::optional<sim::Injection> injection = sim::ParseInjection(parser.value(inject));
    if (!injection)
        return Fail(QStringLiteral("--inject wants one of: %1")
                        .arg(sim::InjectionNames().join(QStringLiteral(", "))));
    const int faultCode = parser.value(fault).toInt(&ok, 0);
    if (!ok || faultCode < 0 || faultCode > 255)
        return Fail(QStringLiteral("--fault wants a byte, 0..255 (0x.. for hexadecimal)"));
    QString lineFormat;
    if (!FormatToSettings(parser.value(format), &lineFormat))
        return Fail(QStringLiteral("--format wants parity, data and stop bits such as n81"));
    const std::optional<serial::PortSettings> ownLine =
        serial::ParseSettings(parser.value(baud) + QLatin1Char(',') + lineFormat);
    if (!ownLine) return Fail(QStringLiteral("--baud wants a baud rate such as 9600"));
    int turnaroundMs = sim::kDefaultTurnaroundMs;
    std::vector<std::pair<int, int>> driveTurnarounds;
    for (const QString& value : parser.values(turnaround)) {
        const std::optional<std::pair<int, QString>> one = ForOneDrive(value, driveAddresses);
        const int ms = one ? one->second.toInt(&ok) : -1;
        if (!one || !ok || ms < 0 || ms > sim::kLongestTurnaroundMs)
            return Fail(QStringLiteral("--turnaround wants milliseconds from 0 to %1, or "
                                       "ADDRESS=MS for a drive of --drives")
                            .arg(sim::kLongestTurnaroundMs));
        if (one->first)
            driveTurnarounds.emplace_back(one->first, ms);
        else
            turnaroundMs = ms;
    }

#ifdef Q_OS_UNIX
    // The drive's thread inherits this mask, so the two signals reach sigwait() below only.
    sigset_t endSignals;
    sigemptyset(&endSignals);
    sigaddset(&endSignals, SIGINT);
    sigaddset(&endSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &endSignals, nullptr);
#endif

    sim::DriveServer server(driveAddress);
    server.setDrives(driveAddresses);
    server.setEcho(parser.isSet(echo));
    server.setInjection(*injection);
    server.setTurnaround(turnaroundMs);
    server.setOwnLine(*ownLine);
    server.setStrictLine(parser.isSet(strictLine));
    server.setFaultCode(faultCode);
    for (const auto& [drive, ms] : driveTurnarounds) server.setDriveTurnaround(drive, ms);
    for (const QString& value : parser.values(parameters)) {
        const std::optional<std::pair<int, QString>> one = ForOneDrive(value, driveAddresses);
        if (!one)
            return Fail(QStringLiteral("--parameters: no drive has the address in %1").arg(value));
        QFile file(one->second);
        if (!file.open(QIODevice::ReadOnly))
            return Fail(QStringLiteral("--parameters: cannot open %1").arg(file.fileName()));
        QString reason;
        const std::optional<drive::ParameterSet> set =
            drive::ReadParameterSet(file.readAll(), &reason);
        if (!set) return Fail(QStringLiteral("--parameters: %1").arg(reason));
        const auto load = [&set](sim::DriveModel& model) {
            for (const auto& [number, entry] : set->entries)
                if (entry.value) model.setParameter(number, *entry.value);
        };
        if (one->first)
            server.updateModel(one->first, load);
        else
            server.updateEveryModel(load);
    }
    for (const QString& value : parser.values(running)) {
        const std::optional<std::pair<int, QString>> one = ForOneDrive(value, driveAddresses);
        const double hertz = one ? one->second.toDouble(&ok) : -1;
        if (!one || !ok || hertz < 0 || hertz * 100 > sim::DriveModel::kMaxFrequency)
            return Fail(QStringLiteral("--running wants hertz from 0 to %1, or ADDRESS=HZ for a "
                                       "drive of --drives")
                            .arg(sim::DriveModel::kMaxFrequency / 100));
        const auto start = [hertz](sim::DriveModel& model) {
            model.setFrequency(int(hertz * 100 + 0.5));
            model.start();
        };
        if (one->first)
            server.updateModel(one->first, start);
        else
            server.updateEveryModel(start);
    }
    const int tripFault = parser.value(tripCode).toInt(&ok);
    if (!ok || tripFault < 1 || tripFault > 255)
        return Fail(QStringLiteral("--trip-code wants a fault code byte from 1 to 255"));
    for (const QString& value : parser.values(tripAt)) {
        const std::optional<std::pair<int, QString>> one = ForOneDrive(value, driveAddresses);
        const double seconds = one ? one->second.toDouble(&ok) : -1;
        if (!one || !ok || seconds < 0 || seconds > 86400 * 7)
            return Fail(QStringLiteral("--trip-at wants seconds from 0 to %1, or ADDRESS=SECONDS "
                                       "for a drive of --drives")
                            .arg(86400 * 7));
        const auto trip = [seconds, tripFault](sim::DriveModel& model) {
            model.scheduleTrip(int(seconds * 1000 + 0.5), tripFault);
        };
        if (one->first)
            server.updateModel(one->first, trip);
        else
            server.updateEveryModel(trip);
    }
    if (parser.isSet(tripAbove)) {
        const QString text = parser.value(tripAbove);
        QString reason;
        const std::optional<std::vector<int>> reading =
            drive::ParseReadingList(text.section(QLatin1Char('='), 0, 0), &reason);
        const double value = text.section(QLatin1Char('='), 1).toDouble(&ok);
        if (!reading || reading->size() != 1 || !ok ||
            reading->front() == drive::kFaultCodeReadingIndex)
            return Fail(
                QStringLiteral("--trip-above wants READING=VALUE, such as "
                               "output-current=9.5"));
        const int item = drive::ReadingAt(reading->front()).item;
        // The reading's raw steps: 0.1 A, 0.01 Hz ...
        const double perStep = drive::ScaledValue(reading->front(), 1000) / 1000.0;
        const int raw = int(std::lround(value / perStep));
        server.updateEveryModel([item, raw, tripFault](sim::DriveModel& model) {
            model.setTripAbove(item, raw, tripFault);
        });
    }
    if (parser.isSet(link)) server.setLinkPath(parser.value(link));
    if (parser.isSet(verbose)) {
        server.setTrace([](const QString& line) {
            std::fprintf(stderr, "%s\n", qPrintable(line));
            std::fflush(stderr);
        });
    }

    const int chunkBytes = parser.value(chunk).toInt(&ok);
    if (!ok || chunkBytes < 0) return Fail(QStringLiteral("--chunk wants a number of bytes"));
    server.setChunk(chunkBytes);
    QString path;
    QString error;
    QString tapPath;
    if ((parser.isSet(tap) || parser.isSet(tapMerge)) &&
        !server.startTap(parser.isSet(tapMerge), &tapPath, &error))
        return Fail(error);
    const quint16 listenPort = quint16(parser.value(listen).toUInt(&ok));
    if (parser.isSet(listen) && !ok) return Fail(QStringLiteral("--listen wants a TCP port"));
    const bool started =
        parser.isSet(listen) ? server.startTcp(listenPort, nullptr, &error)
        : parser.isSet(device)
            ? server.startDevice(parser.value(device),
                                 parser.value(baud) + QLatin1Char(',') + lineFormat, &error)
            : server.startPseudoTerminal(&path, &error);
    if (!started) return Fail(error);
    if (parser.isSet(device) || parser.isSet(listen)) path = server.devicePath();

    std::printf("%s\n", qPrintable(path));
    if (!tapPath.isEmpty()) std::printf("%s\n", qPrintable(tapPath));
    std::fflush(stdout);
#ifdef Q_OS_UNIX
    std::unique_ptr<sim::SimulatedMaster> polling;
    if (parser.isSet(master)) {
        sim::SimulatedMaster::Options options;
        options.path = path;
        options.line = *ownLine;
        options.framing = parser.value(masterFormat) == QLatin1String("ascii")
                              ? frame::Framing::Ascii
                              : frame::Framing::Rtu;
        options.addresses = driveAddresses;
        options.intervalMs = parser.value(master).toInt(&ok);
        if (!ok || options.intervalMs < 10)
            return Fail(QStringLiteral("--master wants milliseconds from 10 up"));
        polling = std::make_unique<sim::SimulatedMaster>(options);
        if (!polling->start(&error)) return Fail(error);
    }
#endif
    QStringList addressTexts;
    for (int a : driveAddresses) addressTexts << QString::number(a);
    std::fprintf(stderr, "inverter-sim: drive address %s on %s, injection %s%s; Ctrl+C ends\n",
                 qPrintable(addressTexts.join(QLatin1Char(','))), qPrintable(path),
                 qPrintable(sim::InjectionName(*injection)), parser.isSet(echo) ? ", echo" : "");

#ifdef Q_OS_UNIX
    int received = 0;
    sigwait(&endSignals, &received);
#else
    SetConsoleCtrlHandler(EndOnConsoleEvent, TRUE);
    app.exec();
#endif
#ifdef Q_OS_UNIX
    if (polling) polling->stop();
#endif
    server.stop();
    return 0;
}
