// Listening to a saturated bus: the simulated drive polled back to back by the simulator's own
// master, and `modbus-debugger --listen` on the drive's tap for the whole run. What it printed
// is held against the master's own log (frames lost, frames not heard as sent or not judged
// good), and its CPU share and resident memory are read from /proc while it runs. A second
// figure fills the listening window's table to its 100,000 rows and reads this process's
// memory before and after.
#include <unistd.h>
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>

#include "bench_support.h"
#include "exchange/capture_timing.h"
#include "sim/drive_server.h"
#include "sim/simulated_master.h"
#include "window/listen/listen_model.h"

namespace bench {
namespace {

constexpr int kTurnaroundMs = 1;

struct Heard {
    long long lost = 0;    // frames of the master's log, while listening, never printed
    long long wrong = 0;   // printed frames not in the log where they belong, or not good
    long long frames = 0;  // printed frames matched
    double cpuShare = 0;   // of one core, in per cent
    double residentMiB = 0;
};

Heard ListenOnce(const QString& framing, int baud, int seconds, bool merging) {
    Heard result;
    const bool ascii = framing == QLatin1String("ascii");
    const serial::PortSettings line{baud, serial::Parity::None, 8, 1};
    // Back to back: the next request once the reply's last byte is out, with a little room.
    const auto wire = [&](int chars) { return Ms(exchange::WireTime(line, chars)); };
    const int interval =
        int(std::ceil(wire(ascii ? 13 : 6) + kTurnaroundMs + wire(ascii ? 17 : 8))) + 2;

    QTemporaryDir dir;
    sim::DriveServer drive(1);
    drive.setDrives({1, 2});
    drive.setTurnaround(kTurnaroundMs);
    QString tap, device, error;
    drive.setLinkPath(dir.filePath("line"));
    if (!drive.startTap(merging, &tap, &error) || !drive.startPseudoTerminal(&device, &error)) {
        std::fprintf(stderr, "listen: %s\n", qPrintable(error));
        return result;
    }
    sim::SimulatedMaster master({dir.filePath("line"),
                                 line,
                                 ascii ? frame::Framing::Ascii : frame::Framing::Rtu,
                                 {1, 2},
                                 interval});
    if (!master.start(&error)) {
        std::fprintf(stderr, "listen: %s\n", qPrintable(error));
        return result;
    }
    // Rows to a file: nothing here reads a pipe while the run is measured.
    QProcess program;
    const QString csv = dir.filePath("bus.csv");
    program.start(BuildPath(QStringLiteral("src/modbus-debugger")),
                  {"--listen", "--port", "COM1=" + tap, "--baud", QString::number(baud), "--format",
                   ascii ? "ascii-8n1" : "rtu-8n1", "--duration", QString::number(seconds),
                   "--language", "en", "--listen-csv", csv});
    program.waitForStarted();
    QThread::sleep(1);
    const double cpuStart = CpuSecondsOfProcess(program.processId());
    const Clock::time_point start = Clock::now();
    QThread::sleep(unsigned(std::max(1, seconds - 3)));
    const double cpuEnd = CpuSecondsOfProcess(program.processId());
    result.cpuShare = 100.0 * (cpuEnd - cpuStart) / (Ms(Clock::now() - start) / 1000.0);
    result.residentMiB = double(ResidentKiB(pid_t(program.processId()))) / 1024.0;
    program.waitForFinished(seconds * 1000 + 20000);
    master.stop();

    QFile file(csv);
    file.open(QIODevice::ReadOnly);
    QStringList rows = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"));
    rows.removeAll(QString());
    if (!rows.isEmpty()) rows.removeFirst();
    // The listener comes in and leaves mid-frame: from its first request to its last good reply.
    while (!rows.isEmpty() && rows.first().section(',', 2, 2) != QLatin1String("request"))
        rows.removeFirst();
    while (!rows.isEmpty() && rows.last().section(',', 2, 2) + rows.last().section(',', 6, 6) !=
                                  QLatin1String("replygood"))
        rows.removeLast();
    const QStringList log = master.log();
    if (rows.isEmpty()) return result;
    const auto entry = [](const QString& row) {
        return (row.section(',', 2, 2) == QLatin1String("request") ? "-> " : "<- ") +
               row.section(',', 4, 4).remove(' ');
    };
    qsizetype k = log.indexOf(entry(rows.first()));
    for (const QString& row : rows) {
        const QString want = entry(row);
        qsizetype found = k;
        while (found < log.size() && log[found] != want) ++found;
        if (k < 0 || found >= log.size() || row.section(',', 6, 6) != QLatin1String("good")) {
            ++result.wrong;
            continue;
        }
        result.lost += found - k;
        ++result.frames;
        k = found + 1;
    }
    return result;
}

// This process's resident memory with the listening table full, less before it.
double TableMiB() {
    const long before = ResidentKiB(getpid());
    ListenModel model;
    std::vector<ListenRow> rows;
    for (int i = 0; i < kListenRows; ++i) {
        ListenRow row;
        row.frame.number = quint64(i + 1);
        row.frame.frame.bytes = QByteArray::fromHex("0104030112C56D7D");
        row.frame.role = listen::FrameRole::Reply;
        row.frame.meaning = QStringLiteral("output frequency = 048.05 Hz %1").arg(i);
        rows.push_back(std::move(row));
    }
    model.append(std::move(rows));
    return double(ResidentKiB(getpid()) - before) / 1024.0;
}

}  // namespace

int RunListen(const Args& args) {
    const QString framing = args.text("framing", QStringLiteral("rtu"));
    const int baud = args.integer("baud", framing == QLatin1String("ascii") ? 9600 : 38400);
    const int seconds = args.integer("seconds", 600);
    const bool merging = args.flag("merge");
    // First, while this process has freed nothing it could reuse for the rows.
    const double table = TableMiB();
    const Heard heard = ListenOnce(framing, baud, seconds, merging);
    const QString what = QStringLiteral("listening, %1 %2%3, %4 s")
                             .arg(framing.toUpper())
                             .arg(baud)
                             .arg(merging ? QStringLiteral(" merged") : QString())
                             .arg(seconds);
    std::printf("%s: %lld frames heard as the master logged them\n", qPrintable(what),
                heard.frames);
    PrintCountRow(what + QStringLiteral(": frames lost"), QStringLiteral("0"), heard.lost,
                  heard.lost == 0);
    PrintCountRow(what + QStringLiteral(": frames split, paired or judged wrongly"),
                  QStringLiteral("0"), heard.wrong, heard.wrong == 0);
    PrintRow({what + QStringLiteral(": CPU share of one core"),
              QStringLiteral("≤ 2 %"),
              QStringLiteral("%"),
              {heard.cpuShare},
              2,
              heard.cpuShare <= 2.0});
    PrintRow({what + QStringLiteral(": resident memory"),
              QString(),
              QStringLiteral("MiB"),
              {heard.residentMiB},
              1,
              true});
    PrintRow({QStringLiteral("listening table of %1 rows: memory").arg(kListenRows),
              QStringLiteral("≤ 80 MiB"),
              QStringLiteral("MiB"),
              {table},
              1,
              table <= 80.0});
    return heard.frames > 0 ? 0 : 1;
}

}  // namespace bench
