// The soak: timed mode at 50 ms against the simulated drive for thousands of ticks. Every tick
// keeps its TXD and RXD records with one counter, every reply is good, and memory stays within
// what the bounded history ring takes.
#include <unistd.h>
#include <QCheckBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <cstdio>

#include "bench_window.h"

namespace bench {

int RunSoak(const Args& args) {
    const int ticks = args.integer("ticks", 2000);
    const int interval = args.integer("interval", 50);
    LineSetting setting;
    QString error;
    WindowRig rig;
    if (!rig.start(setting, &error)) {
        std::fprintf(stderr, "soak: %s\n", qPrintable(error));
        return 1;
    }
    MainWindow& w = rig.window();
    rig.monitorButton(1)->click();  // a monitor request in the byte cells
    rig.runEvents(400);             // and its exchange done

    long long outOfOrder = 0;
    long long notGood = 0;
    long long exchanges = 0;
    bool expectSent = true;
    int counter = -1;
    QObject::connect(&w.exchangeCore(), &exchange::ExchangeCore::recordAdded,
                     [&](const exchange::ExchangeRecord& r) {
                         const bool sent = r.direction == exchange::Direction::Sent;
                         if (sent != expectSent || (!sent && r.counter != counter)) ++outOfOrder;
                         if (r.direction == exchange::Direction::Received) {
                             ++exchanges;
                             if (r.verdict != exchange::Verdict::Good) ++notGood;
                         }
                         counter = r.counter;
                         expectSent = !sent;
                     });
    w.intervalBox->setText(QString::number(interval));
    w.timedModeBox->click();
    long warm = 0;
    const Clock::time_point start = Clock::now();
    while (exchanges < ticks) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
        if (!warm && exchanges >= 200) warm = ResidentKiB(getpid());
    }
    w.timedModeBox->click();
    rig.runEvents(4 * interval);
    const long end = ResidentKiB(getpid());
    const double seconds = MsBetween(start, Clock::now()) / 1000;
    std::printf("soak: %lld exchanges in %.1f s, resident %ld KiB after warm-up, %ld KiB at end\n",
                exchanges, seconds, warm, end);
    PrintCountRow(QStringLiteral("soak: records out of TXD n, RXD n order (%1 ticks)").arg(ticks),
                  QStringLiteral("0"), outOfOrder, outOfOrder == 0);
    PrintCountRow(QStringLiteral("soak: replies not good"), QStringLiteral("0"), notGood,
                  notGood == 0);
    // Each exchange adds two history records until the ring's 100,000 are reached.
    Row growth{QStringLiteral("soak: resident growth per 1,000 exchanges after warm-up"),
               QStringLiteral("≤ 400 KiB"),
               QStringLiteral("KiB"),
               {1000.0 * double(end - warm) / std::max<long long>(exchanges - 200, 1)},
               1};
    growth.meets = growth.perRun[0] <= 400;
    PrintRow(growth);
    return 0;
}

}  // namespace bench
