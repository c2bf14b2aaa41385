#include "cli/scan_command.h"

#include <QCoreApplication>
#include <QTimer>
#include <cstdio>

#include "cli/console.h"
#include "exchange/exchange_core.h"
#include "jobs/drive_scan.h"
#include "jobs/job_runner.h"
#include "language/language.h"
#include "serial/line_selector.h"
#include "serial/port_map.h"

namespace {

// How long --scan waits for a port that has gone away before it gives up.
constexpr int kLongestPauseMs = 10000;

}  // namespace

int RunScanCommand(int argc, char* argv[], const QString& language, const CommandLine& options,
                   const serial::PortMap& map,
                   const std::function<void(serial::LineSelector&)>& addOwnLines) {
    QCoreApplication app(argc, argv);
    language::Install(language);
    const int number = serial::AssignedPortNumber(options.portAssignments);
    serial::LineSelector port(map);
    if (addOwnLines) addOwnLines(port);
    port.setPortNumber(number);
    exchange::ExchangeCore core(port);
    jobs::PortLineSwitch line(port, core, [&port] { port.close(); });
    const QString portName = QStringLiteral("COM%1 (%2)").arg(number).arg(map.deviceFor(number));
    if (!line.apply(options.scanBauds.front(), options.scanFormats.front())) {
        PrintLine(stderr, QStringLiteral("modbus-debugger: %1").arg(port.errorText()));
        return kExitNoPort;
    }

    jobs::ScanOptions scanOptions;
    scanOptions.bauds = options.scanBauds;
    scanOptions.formats = options.scanFormats;
    scanOptions.firstAddress = options.scanFirstAddress;
    scanOptions.lastAddress = options.scanLastAddress;
    scanOptions.preferredAddress = options.scanFirstAddress;
    scanOptions.budget = std::chrono::milliseconds(options.scanBudgetMs);
    scanOptions.findAll = options.scanAll;
    jobs::DriveScan scan(scanOptions);
    jobs::JobRunner runner(core, &line);
    std::size_t printed = 0;
    QObject::connect(&runner, &jobs::JobRunner::progress, &app, [&] {
        for (; printed < scan.drives().size(); ++printed)
            PrintLine(stdout, jobs::FoundLine(scan.drives()[printed]));
    });
    // A scan from a script gives up on a port that stays away.
    QTimer giveUp;
    giveUp.setSingleShot(true);
    QObject::connect(&giveUp, &QTimer::timeout, &runner, &jobs::JobRunner::stop);
    QObject::connect(
        &runner, &jobs::JobRunner::pausedChanged, &app, [&](bool paused, const QString& reason) {
            if (paused) {
                giveUp.start(kLongestPauseMs);
            } else {
                giveUp.stop();
            }
            PrintLine(
                stderr,
                paused ? QCoreApplication::translate("ScanCommand", "%1: paused, %2")
                             .arg(portName, reason)
                       : QCoreApplication::translate("ScanCommand", "%1: going on").arg(portName));
        });
    bool gaveUp = false;
    QObject::connect(&giveUp, &QTimer::timeout, &app, [&gaveUp] { gaveUp = true; });
    QObject::connect(&runner, &jobs::JobRunner::finished, &app, [&] {
        PrintLine(stdout, QCoreApplication::translate("ScanCommand", "%1 probes in %2 s")
                              .arg(scan.stepsDone())
                              .arg(double(runner.elapsed().count()) / 1000.0, 0, 'f', 1));
        app.exit(!scan.drives().empty() ? 0 : gaveUp ? kExitNoPort : kExitNotFound);
    });
    runner.start(&scan);
    return app.exec();
}
