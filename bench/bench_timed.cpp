// Timed mode: tick accuracy, the TXD and RXD lines of every tick, and the process's CPU share.
#include <QCheckBox>
#include <QEvent>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTimerEvent>
#include <cmath>
#include <cstdio>

#include "bench_window.h"
#include "exchange/exchange_core.h"
#include "window/history/history_window.h"

namespace bench {
namespace {

// Stamps the moment the send timer's own event arrives, before the window's handler runs, so
// the handler's work does not blur the tick times.
// It also counts the window's repaint passes, the main cost of a tick.
class TickStamper : public QObject {
  public:
    TickStamper(QTimer* timer, QWidget* window) : timer_(timer) {
        timer->installEventFilter(this);
        window->installEventFilter(this);
    }
    std::vector<Clock::time_point> ticks;
    long long repaints = 0;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == timer_ && event->type() == QEvent::Timer &&
            static_cast<QTimerEvent*>(event)->timerId() == timer_->timerId())
            ticks.push_back(Clock::now());
        else if (event->type() == QEvent::UpdateRequest)
            ++repaints;
        return false;
    }

  private:
    QTimer* timer_;
};

struct LineCheck {
    long long ticksWithoutOneTxd = 0;  // a tick that logged no TXD line, or more than one
    long long outOfOrder = 0;          // a line that breaks TXD n, RXD n, TXD n+1, ...
    long long emptyReplies = 0;        // an RXD line without bytes
    long long shortReplies = 0;        // an RXD line shorter than the warm-up reply
    std::vector<double> tickToTxdMs;
};

LineCheck CheckLines(const std::vector<Clock::time_point>& ticks, std::size_t tickCount,
                     const std::vector<LogEntry>& lines, int replyLength) {
    LineCheck check;
    // Each tick's TXD line falls between its tick and the next.
    for (std::size_t k = 0; k < tickCount; ++k) {
        int txd = 0;
        for (const LogEntry& line : lines) {
            if (!line.sent || line.at < ticks[k] || line.at >= ticks[k + 1]) continue;
            if (++txd == 1) check.tickToTxdMs.push_back(MsBetween(ticks[k], line.at));
        }
        if (txd != 1) ++check.ticksWithoutOneTxd;
    }
    // Only lines up to the last measured tick's reply count.
    std::size_t expectedLines = 0;
    for (const LogEntry& line : lines)
        if (line.sent && line.at < ticks[tickCount]) ++expectedLines;
    expectedLines *= 2;
    for (std::size_t i = 0; i < lines.size() && i < expectedLines; ++i) {
        const bool wantSent = i % 2 == 0;
        const int wantCounter = (lines[0].counter + static_cast<int>(i / 2)) % 32768;
        if (lines[i].sent != wantSent || lines[i].counter != wantCounter) ++check.outOfOrder;
        if (lines[i].sent) continue;
        if (lines[i].payload.isEmpty())
            ++check.emptyReplies;
        else if (lines[i].payload.size() < replyLength)
            ++check.shortReplies;
    }
    if (lines.size() < expectedLines) check.outOfOrder += expectedLines - lines.size();
    return check;
}

}  // namespace

int RunTimed(const Args& args) {
    LineSetting setting;
    QString error;
    if (!ReadLineSetting(args, &setting, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 2;
    }
    const int interval = args.integer("interval", 50);
    const std::size_t tickCount = static_cast<std::size_t>(args.integer("ticks", 1000));
    const double seconds = args.number("seconds", 60);
    const int runs = args.integer("runs", 3);
    WindowRig rig;
    const bool hidden = args.flag("hidden");
    if (!rig.start(setting, &error, hidden)) {
        std::fprintf(stderr, "timed: %s\n", qPrintable(error));
        return 1;
    }
    MainWindow& w = rig.window();
    // One reading puts a monitor request into the byte cells; its reply sets the expected length.
    int replyLength = 0;
    const auto warmUp =
        QObject::connect(&w.exchangeCore(), &exchange::ExchangeCore::exchangeFinished,
                         [&](const exchange::Exchange& e) { replyLength = int(e.reply.size()); });
    rig.monitorButton(0)->click();
    rig.runEvents(400);  // the press goes out after its pause and brings its reply
    QObject::disconnect(warmUp);
    w.intervalBox->setText(QString::number(interval));
    if (args.flag("no-display")) QObject::disconnect(&w.exchangeCore(), nullptr, &w, nullptr);
    const bool history = args.flag("history");
    if (history) {
        w.openHistory();
        rig.runEvents(300);
    }

    std::vector<double> meanErrors, p99s, maxima, cpuShares, lags, repaintsPerTick;
    LineCheck total;
    for (int run = 0; run < runs; ++run) {
        TickStamper stamper(w.timedSendTimer, &w);
        // Every record the exchange core makes: what the log, the history and --record show.
        std::vector<LogEntry> lines;
        const auto logged =
            QObject::connect(&w.exchangeCore(), &exchange::ExchangeCore::recordAdded,
                             [&](const exchange::ExchangeRecord& r) {
                                 LogEntry entry;
                                 entry.at = Clock::now();
                                 entry.counter = r.counter;
                                 entry.sent = r.direction == exchange::Direction::Sent;
                                 entry.payload = QString(r.bytes.size(), QLatin1Char('x'));
                                 if (r.direction == exchange::Direction::Sent ||
                                     r.direction == exchange::Direction::Received)
                                     lines.push_back(entry);
                             });
        const double cpuBefore = ProcessCpuSeconds();
        const Clock::time_point start = Clock::now();
        w.timedModeBox->click();
        QEventLoop loop;
        // One wake at the expected end instead of a look every 100 ms: the CPU figure is the
        // program's, not the benchmark's own timer.
        QTimer watch;
        watch.setSingleShot(true);
        watch.setTimerType(Qt::PreciseTimer);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (stamper.ticks.size() > tickCount &&
                MsBetween(start, Clock::now()) >= seconds * 1000)
                loop.quit();
            else
                watch.start(interval);
        });
        watch.start(int(std::max(seconds * 1000, double(tickCount + 1) * interval)));
        loop.exec();
        const double wallS = MsBetween(start, Clock::now()) / 1000;
        const double cpuShare = 100 * (ProcessCpuSeconds() - cpuBefore) / wallS;
        w.timedModeBox->click();
        rig.runEvents(3 * interval);  // the last frame's reply
        QObject::disconnect(logged);

        std::vector<double> deviations;
        double sum = 0;
        for (std::size_t k = 0; k < tickCount; ++k) {
            const double gap = MsBetween(stamper.ticks[k], stamper.ticks[k + 1]);
            sum += gap;
            deviations.push_back(std::fabs(gap - interval));
        }
        const double mean = sum / tickCount;
        const LineCheck check = CheckLines(stamper.ticks, tickCount, lines, replyLength);
        meanErrors.push_back(100 * std::fabs(mean - interval) / interval);
        p99s.push_back(Percentile(deviations, 99));
        maxima.push_back(Max(deviations));
        cpuShares.push_back(cpuShare);
        lags.push_back(Percentile(check.tickToTxdMs, 50));
        repaintsPerTick.push_back(static_cast<double>(stamper.repaints) / stamper.ticks.size());
        total.ticksWithoutOneTxd += check.ticksWithoutOneTxd;
        total.outOfOrder += check.outOfOrder;
        total.emptyReplies += check.emptyReplies;
        total.shortReplies += check.shortReplies;
        std::printf(
            "timed %s run %d: %zu ticks at %d ms over %.1f s: mean interval %.3f ms, deviation "
            "p99 %.2f max %.2f ms, tick to TXD median %.2f ms; lines: %lld ticks without one "
            "TXD, %lld out of order, %lld empty and %lld short replies; %.2f repaints per tick; "
            "CPU %.2f%%\n",
            qPrintable(setting.name()), run + 1, tickCount, interval, wallS, mean, p99s.back(),
            maxima.back(), lags.back(), check.ticksWithoutOneTxd, check.outOfOrder,
            check.emptyReplies, check.shortReplies, repaintsPerTick.back(), cpuShare);
        std::fflush(stdout);
        rig.runEvents(500);
    }
    const double simCpu = rig.simCpuSeconds();
    std::printf("timed %s: simulated drive (child process) used %.2f s CPU in all\n",
                qPrintable(setting.name()), simCpu);

    const QString shown = hidden    ? QStringLiteral(", window hidden")
                          : history ? QStringLiteral(", history window open")
                                    : QString();
    const QString where =
        QStringLiteral(" (%1 ticks at %2 ms%3)").arg(tickCount).arg(interval).arg(shown);
    Row mean{QStringLiteral("timed mode: mean interval error") + where, QStringLiteral("≤ 1 %"),
             QStringLiteral("%"), meanErrors, 3};
    mean.meets = Median(meanErrors) <= 1;
    PrintRow(mean);
    Row p99{QStringLiteral("timed mode: interval deviation p99") + where, QStringLiteral("≤ 5 ms"),
            QStringLiteral("ms"), p99s, 2};
    p99.meets = Median(p99s) <= 5;
    PrintRow(p99);
    PrintRow({QStringLiteral("timed mode: interval deviation max") + where, QString(),
              QStringLiteral("ms"), maxima, 2});
    PrintRow({QStringLiteral("timed mode: tick to TXD line, median"), QString(),
              QStringLiteral("ms"), lags, 2});
    const long long lineFaults = total.ticksWithoutOneTxd + total.outOfOrder + total.emptyReplies;
    PrintCountRow(QStringLiteral("timed mode: ticks lacking their TXD/RXD line (or empty RXD)"),
                  QStringLiteral("0"), lineFaults, lineFaults == 0);
    PrintRow({QStringLiteral("timed mode: window repaint passes per tick"), QString(), QString(),
              repaintsPerTick, 2});
    PrintCountRow(QStringLiteral("timed mode: RXD lines shorter than a full reply"), QString(),
                  total.shortReplies, true);
    const double target = history ? 2.5 : hidden ? 1.5 : 1.5;
    Row cpu{
        QStringLiteral("CPU in timed mode (%1 ms, %2 s%3)").arg(interval).arg(seconds).arg(shown),
        QStringLiteral("≤ %1 %").arg(target), QStringLiteral("%"), cpuShares, 2};
    cpu.meets = Median(cpuShares) <= target;
    PrintRow(cpu);
    return 0;
}

}  // namespace bench
