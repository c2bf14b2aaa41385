// Catching trips unattended: `modbus-debugger --no-window` polls all nine readings of the
// simulated drive at the line's limit with the fault-code trigger armed, while the drive trips
// every `period` seconds and is reset halfway between. Measured: the program's CPU share, its
// resident memory over the run, and how long after each snapshot's span ends its line comes.
// The program's clock is the wall clock, so eight hours cannot be run faster; the memory the
// bounded stores reach after eight hours of samples is measured apart, by filling them here.
#include <unistd.h>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "bench_support.h"
#include "drive/readings.h"
#include "exchange/history.h"
#include "exchange/samples.h"
#include "sim/drive_server.h"

namespace bench {
namespace {

constexpr int kAfterMs = 10000;

struct TripRun {
    double cpuShare = 0;
    std::vector<double> residentMiB;  // every 10 s
    std::vector<double> lagMs;        // line printed, less the end of the snapshot's span
    int trips = 0;
    double samplesPerSecond = 0;
};

TripRun RunOnce(int seconds, int baud, int periodS) {
    TripRun run;
    QTemporaryDir dir;
    sim::DriveServer drive(1);
    drive.setTurnaround(1);
    drive.setLinkPath(dir.filePath(QStringLiteral("COM1")));
    QString device, error;
    if (!drive.startPseudoTerminal(&device, &error)) {
        std::fprintf(stderr, "trip: %s\n", qPrintable(error));
        return run;
    }
    // Reset and running, then a trip halfway to the next reset.
    const auto cycle = [&drive, periodS] {
        drive.updateEveryModel([periodS](sim::DriveModel& model) {
            model.setFaultCode(0);
            model.setFrequency(5000);
            model.start();
            model.scheduleTrip(periodS * 500, 6);
        });
    };
    cycle();
    QTimer resets;
    QObject::connect(&resets, &QTimer::timeout, cycle);
    resets.start(periodS * 1000);

    QProcess program;
    const QString snapshots = dir.filePath(QStringLiteral("trips"));
    program.start(BuildPath(QStringLiteral("src/modbus-debugger")),
                  {"--no-window", "--port", "COM1=" + dir.filePath(QStringLiteral("COM1")),
                   "--baud", QString::number(baud), "--format", "rtu-8n1", "--reply-timeout", "100",
                   "--monitor", drive::ReadingNames().join(QLatin1Char(',')), "--trigger",
                   "fault-code!=0", "--snapshots", snapshots, "--language", "en"});
    program.waitForStarted();
    QObject::connect(&program, &QProcess::readyReadStandardOutput, [&] {
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        while (program.canReadLine()) {
            const QString line = QString::fromUtf8(program.readLine());
            const QDateTime moment =
                QDateTime::fromString(line.left(23), QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
            if (!moment.isValid() || !line.contains(QLatin1String("snapshot"))) continue;
            run.lagMs.push_back(double(now - moment.toMSecsSinceEpoch() - kAfterMs));
        }
    });
    double cpuStart = -1;
    Clock::time_point measuredFrom;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        if (cpuStart < 0) {
            cpuStart = CpuSecondsOfProcess(program.processId());
            measuredFrom = Clock::now();
        }
        run.residentMiB.push_back(double(ResidentKiB(pid_t(program.processId()))) / 1024.0);
    });
    sampler.start(10000);
    QTimer end;
    end.setSingleShot(true);
    QEventLoop loop;
    QObject::connect(&end, &QTimer::timeout, &loop, &QEventLoop::quit);
    end.start(seconds * 1000);
    loop.exec();
    run.cpuShare = 100.0 * (CpuSecondsOfProcess(program.processId()) - cpuStart) /
                   (Ms(Clock::now() - measuredFrom) / 1000.0);
    program.terminate();
    program.waitForFinished(5000);
    run.trips = int(QDir(snapshots).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
    // The polling rate, from the last snapshot's rows over its 40 s.
    const QStringList folders = QDir(snapshots).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    if (!folders.isEmpty()) {
        QFile csv(QDir(snapshots).filePath(folders.last() + QStringLiteral("/samples.csv")));
        if (csv.open(QIODevice::ReadOnly))
            run.samplesPerSecond = double(csv.readAll().count('\n') - 1) / 40.0;
    }
    return run;
}

// This process's resident memory with the sample store and the history filled as eight hours
// of polling at `samplesPerSecond` fill them, less before.
double EightHoursMiB(double samplesPerSecond) {
    const long before = ResidentKiB(getpid());
    exchange::SampleStore samples;
    exchange::History history;
    const qint64 count = qint64(samplesPerSecond * 8 * 3600);
    const qint64 start = QDateTime::currentMSecsSinceEpoch();
    for (qint64 i = 0; i < count; ++i) {
        exchange::Sample sample;
        sample.timeMs = start + i * 1000 / qint64(std::max(1.0, samplesPerSecond));
        sample.reading = quint8(i % drive::kReadings);
        sample.verdict = exchange::Verdict::Good;
        samples.append(sample);
        // A request and its reply a sample, as the poller's exchanges record them.
        for (int direction = 0; direction < 2; ++direction) {
            exchange::ExchangeRecord record;
            record.timeMs = sample.timeMs;
            record.bytes = QByteArray::fromHex(direction ? "010401010E1F8B" : "0104010180496C");
            record.direction =
                direction ? exchange::Direction::Received : exchange::Direction::Sent;
            record.origin = exchange::Origin::Poll;
            history.append(record);
        }
    }
    return double(ResidentKiB(getpid()) - before) / 1024.0;
}

}  // namespace

int RunTrip(const Args& args) {
    const int seconds = args.integer("seconds", 600);
    const int baud = args.integer("baud", 38400);
    const int period = args.integer("period", 30);
    const TripRun run = RunOnce(seconds, baud, period);
    const QString what =
        QStringLiteral("trip capture, 9 readings at RTU %1, %2 s").arg(baud).arg(seconds);
    std::printf("%s: %d snapshots, %.0f samples a second\n", qPrintable(what), run.trips,
                run.samplesPerSecond);
    PrintRow({what + QStringLiteral(": CPU share of one core"),
              QStringLiteral("≤ 5 %"),
              QStringLiteral("%"),
              {run.cpuShare},
              2,
              run.cpuShare <= 5.0});
    const double firstMiB = run.residentMiB.empty() ? 0 : run.residentMiB.front();
    const double lastMiB = run.residentMiB.empty() ? 0 : run.residentMiB.back();
    PrintRow({what + QStringLiteral(": resident memory at 10 s, at the end"),
              QString(),
              QStringLiteral("MiB"),
              {firstMiB, lastMiB},
              1,
              true});
    PrintRow({what + QStringLiteral(": snapshot line after its span ended"),
              QStringLiteral("≤ 1000 ms"), QStringLiteral("ms"), run.lagMs, 0,
              !run.lagMs.empty() && Max(run.lagMs) <= 1000});
    const double stores = EightHoursMiB(run.samplesPerSecond);
    PrintRow({QStringLiteral("8 h of samples at %1 a second: stores full, resident memory added")
                  .arg(run.samplesPerSecond, 0, 'f', 0),
              QStringLiteral("≤ 120 MiB with the program"),
              QStringLiteral("MiB"),
              {stores},
              1,
              lastMiB + stores <= 120});
    return run.trips > 0 ? 0 : 1;
}

}  // namespace bench
