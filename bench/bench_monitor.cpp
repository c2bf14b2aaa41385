// Live monitoring and the history at their limits: the poll rate against what the line allows,
// CPU while polling with the chart shown, the chart's repaint over an hour of samples, memory
// with the stores full, the time to open the history on a full ring, and wake-ups while idle.
#include <unistd.h>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QFile>
#include <QPushButton>
#include <QTableView>
#include <cmath>
#include <cstdio>

#include "bench_window.h"
#include "drive/readings.h"
#include "serial/port_settings.h"
#include "window/history/history_window.h"
#include "window/trend/trend_chart.h"
#include "window/trend/trend_window.h"

namespace bench {
namespace {

// Context switches of the calling thread: every wake-up of the event loop is one.
long long ThreadSwitches() {
    QFile status(QStringLiteral("/proc/thread-self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    long long switches = 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.contains("ctxt_switches:"))
            switches += line.split(':').value(1).trimmed().toLongLong();
    return switches;
}

// A drive polled at the line's limit: 200 samples a second (720,000 an hour), the readings in
// turn, a ramp and some noise, a bad sample now and then.
void FillSamples(exchange::SampleStore& store, qint64 start, int count, int readings) {
    for (int i = 0; i < count; ++i) {
        exchange::Sample s;
        s.timeMs = start + i * 5;
        s.reading = quint8(i % readings);
        s.address = 1;
        s.raw = qint16((i / 40) % 5000 + (qint64(i) * 7919) % 37);
        s.verdict = i % 997 == 0 ? exchange::Verdict::NoReply : exchange::Verdict::Good;
        store.append(s);
    }
}

// A day of timed mode's records: a request and its reply, now and then a spoiled one.
void FillHistory(exchange::History& history) {
    const QByteArray request(":01040101F9\r\n");
    const QByteArray reply(":0104030112C520\r\n");
    for (int i = 0; history.appendedCount() < history.capacity(); ++i) {
        exchange::ExchangeRecord r;
        r.exchangeId = quint64(i) + 1;
        r.timeMs = 1796630400000LL + i * 50LL;
        r.counter = (i / 2) % 32768;
        r.direction = i % 2 ? exchange::Direction::Received : exchange::Direction::Sent;
        r.bytes = i % 2 ? reply : request;
        if (i % 2) {
            r.verdict = i % 101 ? exchange::Verdict::Good : exchange::Verdict::CheckError;
            if (i % 101 == 0) r.detail = QStringLiteral("LRC expected 20, received 21");
            r.firstByteMs = 25;
            r.lastByteMs = 44;
        }
        history.append(r);
    }
}

}  // namespace

int RunPoll(const Args& args) {
    LineSetting setting;
    QString error;
    if (!ReadLineSetting(args, &setting, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 2;
    }
    const int readings = args.integer("readings", 1);
    const int turnaround = args.integer("turnaround", 5);
    const double seconds = args.number("seconds", 20);
    const int runs = args.integer("runs", 3);
    const bool chart = args.flag("chart");
    // Several drives on the line, polled together; with --silent the last one polled is not
    // there, as a drive switched off among its neighbours.
    const int drives = args.integer("drives", 1);
    const bool silent = args.flag("silent");
    QStringList simArguments{QStringLiteral("--turnaround"), QString::number(turnaround)};
    QStringList onLine;
    for (int d = 1; d <= drives - (silent ? 1 : 0); ++d) onLine << QString::number(d);
    if (drives > 1) simArguments << QStringLiteral("--drives") << onLine.join(QLatin1Char(','));
    WindowRig rig;
    if (!rig.start(setting, &error, false, simArguments)) {
        std::fprintf(stderr, "poll: %s\n", qPrintable(error));
        return 1;
    }
    MainWindow& w = rig.window();
    // A drive slower than the 50 ms default needs a longer timeout, as its user would set.
    const int defaultTimeout = int(exchange::kMinimumCapture.count());
    const int replyTimeout = args.integer("reply-timeout", defaultTimeout);
    w.setReplyTimeout(replyTimeout);
    std::vector<int> chosen;
    for (int r = 0; r < readings; ++r) chosen.push_back(readings == 1 ? 1 : r);
    if (chart) {
        w.openTrend(chosen);
        w.trendWindow()->spanBox->setCurrentIndex(1);
    }
    long long good = 0;
    QObject::connect(&w.poller(), &exchange::Poller::sampleAdded,
                     [&](const exchange::Sample& s) { good += s.good(); });
    std::vector<exchange::Channel> others;
    for (int d = 2; d <= drives; ++d)
        for (int reading : chosen) others.push_back({d, reading});
    w.startPolling(chosen, others);
    rig.runEvents(2000);  // the limit is measured from the first replies

    std::vector<double> ratios, cpuShares, rates, limits;
    for (int run = 0; run < runs; ++run) {
        const long long before = good;
        const double cpuBefore = ProcessCpuSeconds();
        const Clock::time_point start = Clock::now();
        rig.runEvents(int(seconds * 1000));
        const double wallS = MsBetween(start, Clock::now()) / 1000;
        const double rate = double(good - before) / wallS;
        const double limit = w.poller().lineLimit();
        rates.push_back(rate);
        limits.push_back(limit);
        ratios.push_back(limit > 0 ? rate / limit : 0);
        cpuShares.push_back(100 * (ProcessCpuSeconds() - cpuBefore) / wallS);
        std::printf(
            "poll %s, %d reading(s), turnaround %d ms, run %d: %.1f good samples/s, line "
            "limit %.1f/s, ratio %.3f, CPU %.2f%%%s\n",
            qPrintable(setting.name()), readings, turnaround, run + 1, rate, limit, ratios.back(),
            cpuShares.back(), chart ? " (chart shown)" : "");
        std::fflush(stdout);
    }
    w.poller().stop();
    const QString where =
        QStringLiteral(" (%1, %2%3 reading%4, turnaround %5 ms%6)")
            .arg(setting.name())
            .arg(drives == 1 ? QString()
                             : QStringLiteral("%1 drives%2 × ")
                                   .arg(drives)
                                   .arg(silent ? QStringLiteral(", one silent") : QString()))
            .arg(readings)
            .arg(readings == 1 ? "" : "s")
            .arg(turnaround)
            .arg(replyTimeout == defaultTimeout
                     ? QString()
                     : QStringLiteral(", timeout %1 ms").arg(replyTimeout));
    // A gateway in between forwards what its serial side collected a moment later.
    const bool gateway =
        setting.via == QLatin1String("ser2net") || setting.via == QLatin1String("rfc2217");
    const double goal = gateway ? 0.85 : drives > 1 && !silent ? 0.95 : 0.9;
    Row ratio{QStringLiteral("poll rate / line limit") + where, QStringLiteral("≥ %1").arg(goal),
              QStringLiteral("×"), ratios, 3};
    ratio.meets = Median(ratios) >= goal;
    PrintRow(ratio);
    PrintRow({QStringLiteral("poll rate, good samples a second") + where, QString(),
              QStringLiteral("/s"), rates, 1});
    if (setting.via != QLatin1String("serial") && setting.formatIndex >= 3) {
        // What a drive wired straight to the port would allow: a 6-byte request, the drive's
        // turnaround, an 8-byte answer and the frame gap, at the line's own pace.
        const serial::PortSettings line{setting.baud(), serial::Parity::None, 8, 1};
        const double characterMs = serial::CharacterTime(line).count() / 1000.0;
        const double directLimit =
            1000.0 / (14 * characterMs + turnaround + serial::FrameGap(line).count() / 1000.0);
        std::vector<double> direct;
        for (double rate : rates) direct.push_back(rate / directLimit);
        PrintRow({QStringLiteral("poll rate / a direct line's limit") + where, QString(),
                  QStringLiteral("×"), direct, 3});
    }
    if (chart) {
        Row cpu{QStringLiteral("CPU while polling at full rate, chart shown") + where,
                QStringLiteral("≤ 5 %"), QStringLiteral("%"), cpuShares, 2};
        cpu.meets = Median(cpuShares) <= 5;
        PrintRow(cpu);
    }
    return 0;
}

int RunStores(const Args& args) {
    const int repaints = args.integer("repaints", 20);
    LineSetting setting;
    QString error;
    WindowRig rig;
    if (!rig.start(setting, &error)) {
        std::fprintf(stderr, "stores: %s\n", qPrintable(error));
        return 1;
    }
    MainWindow& w = rig.window();
    const long started = ResidentKiB(getpid());

    // The history ring full, then the window opened on it.
    FillHistory(w.exchangeCore().history());
    rig.runEvents(200);
    const long historyFull = ResidentKiB(getpid());
    // Ten minutes of the nine readings at the line's limit, charted as they come into the trend
    // window shown from the start, the history full as it is by then (its window closed, as
    // while an engineer watches the trend).
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    TrendWindow* trend = w.openTrend({0, 1, 2, 3, 4, 5, 6, 7, 8});
    rig.runEvents(500);
    for (int minute = 0; minute < 10; ++minute) {
        FillSamples(w.poller().samples(), now - 600000 + minute * 60000, 12000, 9);
        rig.runEvents(150);  // the chart takes them in
    }
    const long tenMinutes = ResidentKiB(getpid());
    const Clock::time_point opened = Clock::now();
    HistoryWindow* history = w.openHistory();
    bool painted = false;
    struct Watch : QObject {
        bool* painted = nullptr;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint) *painted = true;
            return false;
        }
    } watch;
    watch.painted = &painted;
    history->table->viewport()->installEventFilter(&watch);
    while (!painted && MsBetween(opened, Clock::now()) < 5000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    const double openMs = MsBetween(opened, Clock::now());
    Row open{QStringLiteral("history window opened on a full ring (100,000 records)"),
             QStringLiteral("≤ 100 ms"),
             QStringLiteral("ms"),
             {openMs},
             1};
    open.meets = openMs <= 100;
    PrintRow(open);
    Row historyMemory{QStringLiteral("resident memory with the history ring full"),
                      QStringLiteral("≤ 80 MB"),
                      QStringLiteral("MB"),
                      {historyFull / 1024.0},
                      1};
    historyMemory.meets = historyFull / 1024.0 <= 80;
    PrintRow(historyMemory);

    // Then an hour in the poller's own store, all of it charted.
    w.poller().samples().clear();
    FillSamples(w.poller().samples(), now - 3600000, 720000, 8);
    trend->choose({0, 1, 2, 3, 4, 5, 6, 7});
    std::vector<exchange::Channel> eight;
    for (int reading = 0; reading < 8; ++reading) eight.push_back({1, reading});
    trend->chart->setChannels(eight);
    trend->spanBox->setCurrentIndex(trend->spanBox->count() - 1);  // all
    rig.runEvents(500);
    TrendChart* chart = trend->chart;
    std::vector<double> rebuilds, paints;
    for (int i = 0; i < repaints; ++i) {
        Clock::time_point t = Clock::now();
        chart->setSpan(0);  // every column again from the store
        rebuilds.push_back(MsBetween(t, Clock::now()));
        t = Clock::now();
        chart->viewport()->repaint();
        paints.push_back(MsBetween(t, Clock::now()));
    }
    const long hourFull = ResidentKiB(getpid());
    Row paint{QStringLiteral("chart repaint, one hour of 8 readings (720,000 samples)"),
              QStringLiteral("≤ 16 ms"),
              QStringLiteral("ms"),
              {Median(paints)},
              2};
    paint.meets = Median(paints) <= 16;
    PrintRow(paint);
    PrintRow({QStringLiteral("chart: columns rebuilt from an hour of samples (span or width "
                             "changed)"),
              QString(),
              QStringLiteral("ms"),
              {Median(rebuilds)},
              2});
    Row tenMinuteMemory{QStringLiteral("resident memory after 10 minutes of nine readings at "
                                       "full rate (history ring full, trend window shown, "
                                       "history window closed)"),
                        QStringLiteral("≤ 60 MB"),
                        QStringLiteral("MB"),
                        {tenMinutes / 1024.0},
                        1};
    tenMinuteMemory.meets = tenMinutes / 1024.0 <= 60;
    PrintRow(tenMinuteMemory);
    Row hourMemory{QStringLiteral("resident memory after an hour of polling at full rate "
                                  "(history ring full too)"),
                   QStringLiteral("≤ 120 MB"),
                   QStringLiteral("MB"),
                   {hourFull / 1024.0},
                   1};
    hourMemory.meets = hourFull / 1024.0 <= 120;
    PrintRow(hourMemory);
    std::printf(
        "stores: resident %ld KiB at start, %ld KiB with the history full, %ld KiB with ten "
        "minutes of samples charted, %ld KiB with an hour of samples instead\n",
        started, historyFull, tenMinutes, hourFull);
    return 0;
}

int RunIdle(const Args& args) {
    const double seconds = args.number("seconds", 10);
    LineSetting setting;
    QString error;
    WindowRig rig;
    if (!rig.start(setting, &error)) {
        std::fprintf(stderr, "idle: %s\n", qPrintable(error));
        return 1;
    }
    rig.window().openHistory();
    rig.window().openTrend({1});
    rig.runEvents(1000);
    const long long before = ThreadSwitches();
    const double cpuBefore = ProcessCpuSeconds();
    const Clock::time_point start = Clock::now();
    rig.runEvents(int(seconds * 1000));
    const double wallS = MsBetween(start, Clock::now()) / 1000;
    // runEvents' own timer wakes the loop once at its end.
    const double wakeups = std::max(0.0, double(ThreadSwitches() - before - 1) / wallS);
    std::printf("idle: %.2f wake-ups a second of the window's thread, CPU %.3f%% over %.0f s\n",
                wakeups, 100 * (ProcessCpuSeconds() - cpuBefore) / wallS, wallS);
    Row row{QStringLiteral("wake-ups a second while idle (window, history and trend windows "
                           "shown, port open)"),
            QStringLiteral("0"),
            QStringLiteral("/s"),
            {wakeups},
            2};
    row.meets = wakeups < 0.5;
    PrintRow(row);
    return 0;
}

}  // namespace bench
