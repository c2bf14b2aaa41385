// The parameter jobs against the simulated drive on a paced pseudo-terminal (in a process of
// its own): reading parameters 0..250, and writing 50 with a read-back of each, against the
// line's floor, the sum over the exchanges of the request's and the reply's wire time, the
// drive's turnaround and the 3.5-character gap; and the CPU share while reading.
#include <QCoreApplication>
#include <cstdio>

#include "bench_support.h"
#include "exchange/capture_timing.h"
#include "exchange/exchange_core.h"
#include "jobs/job_runner.h"
#include "jobs/parameter_jobs.h"
#include "jobs/several_drives_read.h"
#include "serial/port_settings.h"
#include "serial/qt_serial_port.h"

namespace bench {
namespace {

constexpr int kTurnaroundMs = 5;

struct JobResult {
    double seconds = 0;
    double floorSeconds = 0;
    double cpuSeconds = 0;
    bool complete = false;
};

struct Line {
    serial::QtSerialPort port;
    exchange::ExchangeCore core;
    jobs::JobRunner runner;
    Line(const QString& device, const QString& settings, frame::Framing framing)
        : port([&device] {
              serial::PortMap map;
              map.devices[0] = device;
              return map;
          }()),
          core(port),
          runner(core) {
        port.setPortNumber(1);
        port.setSettings(settings);
        port.open();
        core.setLine(*serial::ParseSettings(settings), framing);
    }
    JobResult run(jobs::Job& job) {
        JobResult result;
        const auto floor = QObject::connect(
            &core, &exchange::ExchangeCore::exchangeFinished, [&](const exchange::Exchange& e) {
                const serial::PortSettings& s = core.lineSettings();
                result.floorSeconds +=
                    (Ms(exchange::WireTime(s, e.request.size())) + kTurnaroundMs +
                     Ms(exchange::WireTime(s, e.reply.size())) + Ms(serial::FrameGap(s))) /
                    1000.0;
            });
        bool done = false;
        const auto end =
            QObject::connect(&runner, &jobs::JobRunner::finished, [&] { done = true; });
        const double cpuBefore = ProcessCpuSeconds();
        const Clock::time_point start = Clock::now();
        runner.start(&job);
        while (!done) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        result.seconds = Ms(Clock::now() - start) / 1000.0;
        result.cpuSeconds = ProcessCpuSeconds() - cpuBefore;
        QObject::disconnect(floor);
        QObject::disconnect(end);
        return result;
    }
};

}  // namespace

int RunParameters(const Args& args) {
    const int runs = args.integer("runs", 3);
    const QString simulator = BuildPath(QStringLiteral("tools/inverter-sim/inverter-sim"));
    for (const QString& framingName : {QStringLiteral("rtu"), QStringLiteral("ascii")}) {
        for (int baud : {9600, 38400}) {
            const frame::Framing framing =
                framingName == QLatin1String("rtu") ? frame::Framing::Rtu : frame::Framing::Ascii;
            const QString label = QStringLiteral("%1 %2").arg(framingName.toUpper()).arg(baud);
            std::vector<double> readRatios, readTimes, cpu, writeRatios, writeTimes;
            bool complete = true;
            for (int run = 0; run < runs; ++run) {
                SimChild sim;
                QString error;
                if (!sim.start(simulator, &error,
                               {QStringLiteral("--turnaround"), QString::number(kTurnaroundMs)})) {
                    std::fprintf(stderr, "parameters: %s\n", qPrintable(error));
                    return 1;
                }
                Line line(sim.devicePath(), QStringLiteral("%1,n,8,1").arg(baud), framing);
                jobs::ParameterJobOptions options;
                options.framing = framing;
                jobs::ParameterRead read(options, 0, 250);
                const JobResult r = line.run(read);
                int unread = 0;
                for (const auto& entry : read.set().entries) unread += !entry.second.value;
                complete = complete && read.set().entries.size() == 251 && unread == 0;
                readTimes.push_back(r.seconds);
                readRatios.push_back(r.seconds / r.floorSeconds);
                cpu.push_back(100.0 * r.cpuSeconds / r.seconds);
                // Fifty parameters written with a value one above the drive's, each read back.
                std::vector<jobs::ParameterWrite::Item> items;
                for (int number = 10; number < 60; ++number)
                    items.push_back({number, quint16(*read.set().entries.at(number).value + 1)});
                jobs::ParameterWrite write(options, items, false);
                const JobResult w = line.run(write);
                complete = complete && write.allWritten();
                writeTimes.push_back(w.seconds);
                writeRatios.push_back(w.seconds / w.floorSeconds);
            }
            PrintRow({QStringLiteral("parameters: read 0-250 (%1): time").arg(label), QString(),
                      QStringLiteral("s"), readTimes, 2, true});
            PrintRow({QStringLiteral("parameters: read 0-250 (%1): time / line floor").arg(label),
                      QStringLiteral("<= 1.15"), QStringLiteral("x"), readRatios, 3,
                      Median(readRatios) <= 1.15 && complete});
            PrintRow({QStringLiteral("parameters: read (%1): CPU share of one core").arg(label),
                      QStringLiteral("<= 5 %"), QStringLiteral("%"), cpu, 2, Median(cpu) <= 5.0});
            PrintRow(
                {QStringLiteral("parameters: restore 50 with read-back (%1): time / line floor")
                     .arg(label),
                 QStringLiteral("<= 1.15"), QStringLiteral("x"), writeRatios, 3,
                 Median(writeRatios) <= 1.15 && complete});
        }
    }
    return 0;
}

// A backup of every drive on a line of several: all parameters of each, one drive after the
// other, against the line's floor.
int RunDrivesBackup(const Args& args) {
    const int runs = args.integer("runs", 3);
    const int drives = args.integer("drives", 12);
    const int baud = args.integer("baud", 38400);
    const QString simulator = BuildPath(QStringLiteral("tools/inverter-sim/inverter-sim"));
    QStringList addresses;
    std::vector<int> all;
    for (int d = 1; d <= drives; ++d) {
        addresses << QString::number(d);
        all.push_back(d);
    }
    std::vector<double> ratios, times;
    bool complete = true;
    for (int run = 0; run < runs; ++run) {
        SimChild sim;
        QString error;
        if (!sim.start(simulator, &error,
                       {QStringLiteral("--turnaround"), QString::number(kTurnaroundMs),
                        QStringLiteral("--drives"), addresses.join(QLatin1Char(','))})) {
            std::fprintf(stderr, "backup-drives: %s\n", qPrintable(error));
            return 1;
        }
        Line line(sim.devicePath(), QStringLiteral("%1,n,8,1").arg(baud), frame::Framing::Rtu);
        jobs::ParameterJobOptions options;
        jobs::SeveralDrivesRead read(options, all, 0, 250);
        const JobResult r = line.run(read);
        complete = complete && int(read.results().size()) == drives;
        for (const auto& result : read.results())
            complete = complete && result.answered && result.set.entries.size() == 251;
        times.push_back(r.seconds);
        ratios.push_back(r.seconds / r.floorSeconds);
        std::printf("backup of %d drives × 251 parameters, RTU %d, run %d: %.1f s, %.3f × floor\n",
                    drives, baud, run + 1, r.seconds, ratios.back());
        std::fflush(stdout);
    }
    const QString label = QStringLiteral("%1 drives × 251, RTU %2").arg(drives).arg(baud);
    PrintRow({QStringLiteral("backup of several drives (%1): time").arg(label), QString(),
              QStringLiteral("s"), times, 1, true});
    PrintRow({QStringLiteral("backup of several drives (%1): time / line floor").arg(label),
              QStringLiteral("<= 1.05"), QStringLiteral("x"), ratios, 3,
              Median(ratios) <= 1.05 && complete});
    return 0;
}

}  // namespace bench
