// Exchange latency: a click on a monitored value's button until its result box is written,
// against the simulated drive on a pseudo-terminal, and the process's CPU share meanwhile.
#include <QEvent>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <functional>

#include "bench_window.h"
#include "drive/reply_decoder.h"
#include "exchange/exchange_core.h"

#include <algorithm>

namespace bench {
namespace {

// The protocol's own floor for one exchange: the pause before sending, the request's wire time
// (the send waits for it to leave the port), then the later of the 50 ms capture and the end of
// the reply: the drive's turnaround, the reply's wire time and, in RTU, the frame gap of
// silence that ends it.
constexpr double kPauseMs = 100;
constexpr double kReceiveTimerMs = 50;

struct Click {
    double totalMs = 0;
    double wireMs = 0;
    double floorMs = 0;
    double sendMs = 0;     // click to TXD line
    double captureMs = 0;  // TXD line to RXD line, beyond the floor's part of it
    double decodeMs = 0;   // RXD line to the result written
    bool answered = false;
};

// Calls back on every change of a result box's text or tooltip: the box keeps its old value,
// greyed, while a press waits, so the result shows as a change of either.
class BoxWatch : public QObject {
  public:
    BoxWatch(QLineEdit* box, std::function<void()> changed) : box_(box), changed_(changed) {
        box_->installEventFilter(this);
        connection_ = QObject::connect(box_, &QLineEdit::textChanged, [this] { changed_(); });
    }
    ~BoxWatch() override {
        box_->removeEventFilter(this);
        QObject::disconnect(connection_);
    }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::ToolTipChange) changed_();
        return false;
    }

  private:
    QLineEdit* box_;
    std::function<void()> changed_;
    QMetaObject::Connection connection_;
};

Click TimedClick(WindowRig& rig, const LineSetting& setting, int item, double turnaroundMs) {
    MainWindow& w = rig.window();
    QLineEdit* result = w.readingBoxes[static_cast<std::size_t>(item)];
    // An unchanged text emits nothing, so start every reading from an empty box.
    result->clear();
    Clock::time_point sent{}, received{}, finished{}, written{};
    const auto logged =
        QObject::connect(w.logLines[2], &QLineEdit::textChanged, [&](const QString& t) {
            (t.contains(QLatin1String("TXD:")) ? sent : received) = Clock::now();
        });
    // Only a change after the exchange is the result; the one at the click greys the box.
    QEventLoop wait;
    BoxWatch shown(result, [&] {
        if (finished == Clock::time_point{} || written != Clock::time_point{}) return;
        written = Clock::now();
        wait.quit();
    });
    int replyLength = 0;
    const auto replied =
        QObject::connect(&w.exchangeCore(), &exchange::ExchangeCore::exchangeFinished,
                         [&](const exchange::Exchange& e) {
                             replyLength = e.reply.size();
                             finished = Clock::now();
                         });
    const Clock::time_point clicked = Clock::now();
    rig.monitorButton(item)->click();
    // The press goes into the queue; its result comes when its reply is in. The wait sleeps in
    // the event loop until then, so the process's CPU share is the window's alone.
    if (written == Clock::time_point{}) {
        QTimer::singleShot(3000, &wait, &QEventLoop::quit);
        wait.exec();
    }
    QObject::disconnect(logged);
    QObject::disconnect(replied);

    Click c;
    const double characterMs = 1000.0 * setting.bitsPerCharacter() / setting.baud();
    c.wireMs = characterMs * rig.requestBytes().size();
    const double frameGapMs = setting.baud() > 19200 ? 1.75 : 3.5 * characterMs;
    const double replyEndMs =
        turnaroundMs + characterMs * replyLength + (setting.formatIndex >= 3 ? frameGapMs : 0);
    const double captureFloorMs = std::max(kReceiveTimerMs, replyEndMs);
    c.floorMs = kPauseMs + c.wireMs + captureFloorMs;
    c.totalMs = MsBetween(clicked, written);
    c.sendMs = MsBetween(clicked, sent) - kPauseMs - c.wireMs;
    c.captureMs = MsBetween(sent, received) - captureFloorMs;
    c.decodeMs = MsBetween(received, written);
    c.answered = !result->text().isEmpty() && result->text() != drive::NoReplyText();
    return c;
}

}  // namespace

int RunLatency(const Args& args) {
    LineSetting setting;
    QString error;
    if (!ReadLineSetting(args, &setting, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 2;
    }
    const int clicks = args.integer("clicks", 100);
    const int runs = args.integer("runs", 5);
    const int gapMs = args.integer("gap", 20);
    const int turnaroundMs = args.integer("turnaround", 5);
    const QString inject = args.text("inject", QStringLiteral("none"));
    WindowRig rig;
    const bool hidden = args.flag("hidden");
    if (!rig.start(setting, &error, hidden,
                   {QStringLiteral("--turnaround"), QString::number(turnaroundMs),
                    QStringLiteral("--inject"), inject})) {
        std::fprintf(stderr, "latency: %s\n", qPrintable(error));
        return 1;
    }
    for (int item = 0; item < 3; ++item) TimedClick(rig, setting, item, turnaroundMs);  // warm-up

    std::vector<double> medians, p99s, maxima, ratios, cpuShares, sends, timers, decodes;
    long long unanswered = 0;
    double floorMs = 0;
    for (int run = 0; run < runs; ++run) {
        std::vector<double> overheads, send, timer, decode, totals;
        const double cpuBefore = ProcessCpuSeconds();
        const Clock::time_point wallBefore = Clock::now();
        for (int i = 0; i < clicks; ++i) {
            const Click c = TimedClick(rig, setting, i % 8, turnaroundMs);
            floorMs = c.floorMs;
            overheads.push_back(c.totalMs - floorMs);
            totals.push_back(c.totalMs);
            send.push_back(c.sendMs);
            timer.push_back(c.captureMs);
            decode.push_back(c.decodeMs);
            if (!c.answered) ++unanswered;
            // The engineer's next click comes a moment later; repaints happen meanwhile.
            rig.runEvents(gapMs);
        }
        const double wallS = MsBetween(wallBefore, Clock::now()) / 1000;
        const double cpuShare = 100 * (ProcessCpuSeconds() - cpuBefore) / wallS;
        medians.push_back(Median(overheads));
        p99s.push_back(Percentile(overheads, 99));
        maxima.push_back(Max(overheads));
        ratios.push_back(Median(totals) / floorMs);
        cpuShares.push_back(cpuShare);
        sends.push_back(Median(send));
        timers.push_back(Median(timer));
        decodes.push_back(Median(decode));
        std::printf(
            "latency %s run %d: %d clicks, floor %.2f ms, overhead median %.2f p99 %.2f max "
            "%.2f ms (send %.2f, capture %.2f, decode %.2f), CPU %.2f%%\n",
            qPrintable(setting.name()), run + 1, clicks, floorMs, medians.back(), p99s.back(),
            maxima.back(), sends.back(), timers.back(), decodes.back(), cpuShare);
        std::fflush(stdout);
    }
    const double simCpu = rig.simCpuSeconds();
    std::printf("latency %s: simulated drive (child process) used %.2f s CPU in all\n",
                qPrintable(setting.name()), simCpu);

    QString drive = QStringLiteral(", turnaround %1 ms").arg(turnaroundMs);
    if (inject != QLatin1String("none"))
        drive += QStringLiteral(", ") + inject + QStringLiteral(" replies");
    const QString where = QStringLiteral(" (%1%2, %3 clicks%4)")
                              .arg(setting.name(), drive)
                              .arg(clicks)
                              .arg(hidden ? QStringLiteral(", window hidden") : QString());
    Row median{QStringLiteral("exchange overhead, median") + where, QStringLiteral("≤ 5 ms"),
               QStringLiteral("ms"), medians, 2};
    median.meets = Median(medians) <= 5;
    PrintRow(median);
    Row p99{QStringLiteral("exchange overhead, p99") + where, QStringLiteral("≤ 15 ms"),
            QStringLiteral("ms"), p99s, 2};
    p99.meets = Median(p99s) <= 15;
    PrintRow(p99);
    PrintRow({QStringLiteral("exchange overhead, max") + where, QString(), QStringLiteral("ms"),
              maxima, 2});
    PrintRow({QStringLiteral("exchange part: send beyond pause and wire time"), QString(),
              QStringLiteral("ms"), sends, 2});
    PrintRow({QStringLiteral("exchange part: capture beyond the reply's end or 50 ms"), QString(),
              QStringLiteral("ms"), timers, 2});
    PrintRow({QStringLiteral("exchange part: decoding and result"), QString(), QStringLiteral("ms"),
              decodes, 2});
    PrintRow(
        {QStringLiteral("exchange time / protocol floor (%1 ms)").arg(floorMs, 0, 'f', 2) + where,
         QString(), QStringLiteral("×"), ratios, 4});
    Row cpu{QStringLiteral("CPU during exchanges") + where, QStringLiteral("≤ 2 %"),
            QStringLiteral("%"), cpuShares, 2};
    cpu.meets = Median(cpuShares) <= 2;
    PrintRow(cpu);
    PrintCountRow(QStringLiteral("readings without a result") + where, QStringLiteral("0"),
                  unanswered, unanswered == 0);
    return 0;
}

}  // namespace bench
