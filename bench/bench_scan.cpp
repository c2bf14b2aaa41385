// The drive finder against the simulated drive on a paced pseudo-terminal (in a process of its
// own): how soon a drive at address 1 is found from a wrong setting, and a scan's time against
// the line's floor, the sum over its probes of the request's wire time, the turnaround budget
// and the 3.5-character gap.
#include <QCoreApplication>
#include <cstdio>
#include <memory>

#include "bench_support.h"
#include "exchange/capture_timing.h"
#include "exchange/exchange_core.h"
#include "jobs/drive_scan.h"
#include "jobs/job_runner.h"
#include "serial/port_settings.h"
#include "serial/qt_serial_port.h"

namespace bench {
namespace {

constexpr int kBudgetMs = 30;

// The drive's own setting as inverter-sim takes it.
QStringList DriveOptions(int address, int baudIndex, int formatIndex) {
    const QString format = serial::SettingsText(-1, formatIndex).remove(QLatin1Char(','));
    return {QStringLiteral("--address"),    QString::number(address),
            QStringLiteral("--baud"),       QString::number(serial::BaudRateAt(baudIndex)),
            QStringLiteral("--format"),     format,
            QStringLiteral("--strict-line")};
}

struct ScanResult {
    bool found = false;
    int probes = 0;
    double seconds = 0;
    double floorSeconds = 0;
    double cpuSeconds = 0;
};

// One scan of the program's own path (port, exchange core, job runner) against the drive.
ScanResult Scan(const QString& device, jobs::ScanOptions options) {
    serial::PortMap map;
    map.devices[0] = device;
    serial::QtSerialPort port(map);
    port.setPortNumber(1);
    exchange::ExchangeCore core(port);
    jobs::PortLineSwitch line(port, core, [&port] { port.close(); });
    line.apply(options.currentBaud, options.currentFormat);
    jobs::JobRunner runner(core, &line);
    jobs::DriveScan scan(options);
    ScanResult result;
    QObject::connect(&core, &exchange::ExchangeCore::exchangeFinished,
                     [&](const exchange::Exchange& e) {
                         const serial::PortSettings& s = core.lineSettings();
                         result.floorSeconds += (Ms(exchange::WireTime(s, e.request.size())) +
                                                 kBudgetMs + Ms(serial::FrameGap(s))) /
                                                1000.0;
                     });
    bool done = false;
    QObject::connect(&runner, &jobs::JobRunner::finished, [&] { done = true; });
    const double cpuBefore = ProcessCpuSeconds();
    const Clock::time_point start = Clock::now();
    runner.start(&scan);
    while (!done) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    result.seconds = Ms(Clock::now() - start) / 1000.0;
    result.cpuSeconds = ProcessCpuSeconds() - cpuBefore;
    result.found = !scan.drives().empty();
    result.probes = scan.stepsDone();
    return result;
}

jobs::ScanOptions Options(std::vector<int> bauds, std::vector<int> formats, int current) {
    jobs::ScanOptions options;
    options.bauds = std::move(bauds);
    options.formats = std::move(formats);
    options.currentBaud = current / serial::kFormatCount;
    options.currentFormat = current % serial::kFormatCount;
    options.budget = std::chrono::milliseconds(kBudgetMs);
    return options;
}

}  // namespace

int RunScan(const Args& args) {
    const QString what = args.text("case", QStringLiteral("all"));
    const int runs = args.integer("runs", 3);
    const QString simulator = BuildPath(QStringLiteral("tools/inverter-sim/inverter-sim"));
    const std::vector<int> allBauds{0, 1, 2, 3}, allFormats{0, 1, 2, 3, 4, 5};
    QString error;

    if (what == QLatin1String("all") || what == QLatin1String("wrong-setting")) {
        // The drive at address 1 at each of the 24 settings, the program starting at the
        // setting after it.
        std::vector<double> seconds;
        int missed = 0;
        for (int own = 0; own < serial::kBaudCount * serial::kFormatCount; ++own) {
            SimChild sim;
            if (!sim.start(
                    simulator, &error,
                    DriveOptions(1, own / serial::kFormatCount, own % serial::kFormatCount))) {
                std::fprintf(stderr, "scan: %s\n", qPrintable(error));
                return 1;
            }
            const int start = (own + 1) % (serial::kBaudCount * serial::kFormatCount);
            const ScanResult r = Scan(sim.devicePath(), Options(allBauds, allFormats, start));
            missed += !r.found;
            seconds.push_back(r.seconds);
            std::printf("drive at setting %2d, program at %2d: %s in %.2f s, %d probes\n", own,
                        start, r.found ? "found" : "NOT FOUND", r.seconds, r.probes);
        }
        PrintRow({QStringLiteral("scan: drive at address 1, any wrong setting: time to find "
                                 "(24 settings; max)"),
                  QStringLiteral("<= 2 s"),
                  QStringLiteral("s"),
                  {Max(seconds)},
                  2,
                  Max(seconds) <= 2.0 && missed == 0});
    }
    if (what == QLatin1String("all") || what == QLatin1String("address-200")) {
        std::vector<double> ratios, times;
        for (int run = 0; run < runs; ++run) {
            SimChild sim;
            if (!sim.start(simulator, &error, DriveOptions(200, 1, 3))) return 1;
            const ScanResult r = Scan(sim.devicePath(), Options({1}, {3}, 1 * 6 + 3));
            ratios.push_back(r.seconds / r.floorSeconds);
            times.push_back(r.seconds);
            std::printf("address 200, 9600 RTU 8,N,1: %s, %d probes in %.2f s, floor %.2f s\n",
                        r.found ? "found" : "NOT FOUND", r.probes, r.seconds, r.floorSeconds);
        }
        PrintRow({QStringLiteral("scan: drive at address 200, one setting (1-247): time"),
                  QString(), QStringLiteral("s"), times, 2, true});
        PrintRow({QStringLiteral("scan: drive at address 200, one setting: time / line floor"),
                  QStringLiteral("<= 1.2"), QStringLiteral("x"), ratios, 3, Median(ratios) <= 1.2});
    }
    if (what == QLatin1String("all") || what == QLatin1String("full-walk")) {
        // Nothing answers: the drive's address is outside the range.
        SimChild sim;
        if (!sim.start(simulator, &error, DriveOptions(250, 1, 3))) return 1;
        const ScanResult r = Scan(sim.devicePath(), Options(allBauds, allFormats, 1 * 6 + 0));
        std::printf("full walk: %d probes in %.1f s, floor %.1f s, CPU %.2f s\n", r.probes,
                    r.seconds, r.floorSeconds, r.cpuSeconds);
        PrintRow({QStringLiteral("scan: full walk, 24 settings x 247 addresses: time"),
                  QString(),
                  QStringLiteral("s"),
                  {r.seconds},
                  1,
                  true});
        const double ratio = r.seconds / r.floorSeconds;
        PrintRow({QStringLiteral("scan: full walk: time / line floor"),
                  QStringLiteral("<= 1.2"),
                  QStringLiteral("x"),
                  {ratio},
                  3,
                  ratio <= 1.2});
        const double share = 100.0 * r.cpuSeconds / r.seconds;
        PrintRow({QStringLiteral("scan: full walk: CPU share of one core (program)"),
                  QStringLiteral("<= 5 %"),
                  QStringLiteral("%"),
                  {share},
                  2,
                  share <= 5.0});
    }
    return 0;
}

}  // namespace bench
