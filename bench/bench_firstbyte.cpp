// The delay from a request's end to its reply's first byte, as the exchange core measures it,
// for a press of a reading button, for timed mode sending the same request, and for the poller
// asking for the same reading: all three count from the moment the request has left the port,
// so against one drive they must agree.
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <cstdio>

#include "bench_window.h"
#include "exchange/exchange_core.h"

namespace bench {
namespace {

constexpr int kReading = 1;  // output frequency

// The first-byte delays in ms of the good replies of one origin while `drive` runs the window.
std::vector<double> Delays(WindowRig& rig, exchange::Origin origin, int wanted,
                           const std::function<void()>& start, const std::function<void()>& stop) {
    std::vector<double> delays;
    const auto connection = QObject::connect(
        &rig.window().exchangeCore(), &exchange::ExchangeCore::exchangeFinished,
        [&](const exchange::Exchange& e) {
            if (e.origin == origin && e.judgement.verdict == exchange::Verdict::Good &&
                e.firstByteDelay.count() >= 0)
                delays.push_back(e.firstByteDelay.count() / 1000.0);
        });
    start();
    for (int waited = 0; int(delays.size()) < wanted && waited < 30000; waited += 50)
        rig.runEvents(50);
    stop();
    QObject::disconnect(connection);
    for (int i = 0; i < 100 && !rig.window().exchangeCore().idle(); ++i) rig.runEvents(20);
    return delays;
}

}  // namespace

int RunFirstByte(const Args& args) {
    LineSetting setting;
    QString error;
    if (!ReadLineSetting(args, &setting, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 2;
    }
    const int samples = args.integer("samples", 30);
    const int runs = args.integer("runs", 3);
    const int turnaroundMs = args.integer("turnaround", 5);
    WindowRig rig;
    if (!rig.start(setting, &error, args.flag("hidden"),
                   {QStringLiteral("--turnaround"), QString::number(turnaroundMs)})) {
        std::fprintf(stderr, "firstbyte: %s\n", qPrintable(error));
        return 1;
    }
    MainWindow& w = rig.window();
    w.setReplyTimeout(std::max(50, turnaroundMs + 60));
    QPushButton* button = rig.monitorButton(kReading);

    std::vector<double> manual, timed, polled, spreads;
    for (int run = 0; run < runs; ++run) {
        int pressed = 0;
        QTimer presser;
        QObject::connect(&presser, &QTimer::timeout, [&] {
            if (pressed < samples) ++pressed, button->click();
        });
        const std::vector<double> m = Delays(
            rig, exchange::Origin::Manual, samples, [&] { presser.start(250); },
            [&] { presser.stop(); });
        const std::vector<double> t = Delays(
            rig, exchange::Origin::Timed, samples,
            [&] {
                button->click();  // the reading's request into the cells
                rig.runEvents(300);
                w.intervalBox->setText(QString::number(std::max(200, 2 * turnaroundMs + 100)));
                w.timedModeBox->click();
            },
            [&] { w.timedModeBox->click(); });
        const std::vector<double> p = Delays(
            rig, exchange::Origin::Poll, samples, [&] { w.startPolling({kReading}); },
            [&] { w.poller().stop(); });
        manual.push_back(Median(m));
        timed.push_back(Median(t));
        polled.push_back(Median(p));
        const double highest = std::max({manual.back(), timed.back(), polled.back()});
        const double lowest = std::min({manual.back(), timed.back(), polled.back()});
        spreads.push_back(highest - lowest);
        std::printf(
            "firstbyte %s, drive %d ms, run %d: median of %zu/%zu/%zu: manual %.2f, timed %.2f, "
            "polled %.2f ms\n",
            qPrintable(setting.name()), turnaroundMs, run + 1, m.size(), t.size(), p.size(),
            manual.back(), timed.back(), polled.back());
        std::fflush(stdout);
    }
    const QString where =
        QStringLiteral(" (%1, drive %2 ms)").arg(setting.name()).arg(turnaroundMs);
    PrintRow({QStringLiteral("first-byte delay, press") + where, QString(), QStringLiteral("ms"),
              manual, 2});
    PrintRow({QStringLiteral("first-byte delay, timed mode") + where, QString(),
              QStringLiteral("ms"), timed, 2});
    PrintRow({QStringLiteral("first-byte delay, polling") + where, QString(), QStringLiteral("ms"),
              polled, 2});
    Row spread{QStringLiteral("first-byte delay, largest difference of the three") + where,
               QStringLiteral("≤ 1 ms"), QStringLiteral("ms"), spreads, 2};
    spread.meets = Median(spreads) <= 1;
    PrintRow(spread);
    return 0;
}

}  // namespace bench
