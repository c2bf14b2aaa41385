// Exchange latency: a click on a monitored value's button until its result box is written,
// against the simulated drive on a pseudo-terminal, and the process's CPU share meanwhile.
#include <QLineEdit>
#include <QPushButton>
#include <cstdio>

#include "bench_window.h"
#include "drive/reply_decoder.h"

namespace bench {
namespace {

// The protocol's own floor for one exchange: the pause before sending, the frame's wire time
// (the send waits for it to leave the port) and the receive timer.
constexpr double kPauseMs = 100;
constexpr double kReceiveTimerMs = 50;

struct Click {
    double totalMs = 0;
    double wireMs = 0;
    double sendMs = 0;    // click to TXD line
    double timerMs = 0;   // TXD line to RXD line
    double decodeMs = 0;  // RXD line to the result written
    bool answered = false;
};

Click TimedClick(WindowRig& rig, const LineSetting& setting, int item) {
    MainWindow& w = rig.window();
    QLineEdit* result = w.readingBoxes[static_cast<std::size_t>(item)];
    // An unchanged text emits nothing, so start every reading from an empty box.
    result->clear();
    Clock::time_point sent{}, received{}, written{};
    const auto logged =
        QObject::connect(w.logLines[2], &QLineEdit::textChanged, [&](const QString& t) {
            (t.contains(QLatin1String("TXD:")) ? sent : received) = Clock::now();
        });
    const auto shown =
        QObject::connect(result, &QLineEdit::textChanged, [&] { written = Clock::now(); });
    const Clock::time_point clicked = Clock::now();
    rig.monitorButton(item)->click();
    QObject::disconnect(logged);
    QObject::disconnect(shown);

    Click c;
    c.wireMs = 1000.0 * rig.requestBytes().size() * setting.bitsPerCharacter() / setting.baud();
    c.totalMs = MsBetween(clicked, written);
    c.sendMs = MsBetween(clicked, sent) - kPauseMs - c.wireMs;
    c.timerMs = MsBetween(sent, received) - kReceiveTimerMs;
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
    WindowRig rig;
    const bool hidden = args.flag("hidden");
    if (!rig.start(setting, &error, hidden)) {
        std::fprintf(stderr, "latency: %s\n", qPrintable(error));
        return 1;
    }
    for (int item = 0; item < 3; ++item) TimedClick(rig, setting, item);  // warm-up

    std::vector<double> medians, p99s, maxima, ratios, cpuShares, sends, timers, decodes;
    long long unanswered = 0;
    double floorMs = 0;
    for (int run = 0; run < runs; ++run) {
        std::vector<double> overheads, send, timer, decode, totals;
        const double cpuBefore = ProcessCpuSeconds();
        const Clock::time_point wallBefore = Clock::now();
        for (int i = 0; i < clicks; ++i) {
            const Click c = TimedClick(rig, setting, i % 8);
            floorMs = kPauseMs + c.wireMs + kReceiveTimerMs;
            overheads.push_back(c.totalMs - floorMs);
            totals.push_back(c.totalMs);
            send.push_back(c.sendMs);
            timer.push_back(c.timerMs);
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
            "%.2f ms (send %.2f, receive timer %.2f, decode %.2f), CPU %.2f%%\n",
            qPrintable(setting.name()), run + 1, clicks, floorMs, medians.back(), p99s.back(),
            maxima.back(), sends.back(), timers.back(), decodes.back(), cpuShare);
        std::fflush(stdout);
    }
    const double simCpu = rig.simCpuSeconds();
    std::printf("latency %s: simulated drive (child process) used %.2f s CPU in all\n",
                qPrintable(setting.name()), simCpu);

    const QString where = QStringLiteral(" (%1, %2 clicks%3)")
                              .arg(setting.name())
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
    PrintRow({QStringLiteral("exchange part: receive timer beyond 50 ms"), QString(),
              QStringLiteral("ms"), timers, 2});
    PrintRow({QStringLiteral("exchange part: decoding and result"), QString(), QStringLiteral("ms"),
              decodes, 2});
    PrintRow({QStringLiteral("exchange time / protocol floor (%1 ms)").arg(floorMs, 0, 'f', 2),
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
