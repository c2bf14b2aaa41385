// Catching a trip: trigger expressions, the watch that fires once per event on tables of sample
// streams, and the snapshot a capture writes around the moment.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "drive/readings.h"
#include "trip/trip_capture.h"

using trip::Trigger;
using trip::TriggerWatch;

namespace {

constexpr int kCurrent = 2;  // output-current, in tenths of an ampere
constexpr int kFault = drive::kFaultCodeReadingIndex;

exchange::Sample Good(qint64 timeMs, int reading, int raw, int address = 1) {
    return {timeMs, qint16(raw), quint8(reading), quint8(address), exchange::Verdict::Good};
}

// A capture over its own sample store, writing into a temporary folder.
struct CaptureRig {
    QTemporaryDir dir;
    exchange::SampleStore store;
    trip::TripCapture capture{store};
    trip::CaptureSettings settings;
    QString error;

    CaptureRig() { settings.directory = dir.path(); }
    bool arm() { return capture.arm(settings, &error); }
    // A sample polled: stored, then shown to the capture, as the poller does.
    void feed(const exchange::Sample& sample) {
        store.append(sample);
        capture.onSample(sample);
    }
};

}  // namespace

class TestTrip : public QObject {
    Q_OBJECT
  private slots:
    void expressionsReadBack_data() {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<QString>("readBack");
        // clang-format off
        QTest::newRow("spaces, level") << " output-current > 12.5 " << "output-current>12.5";
        QTest::newRow("another drive, falling") << "2:bus-voltage<450" << "2:bus-voltage<450";
        QTest::newRow("reaching counts") << "output-current>=12" << "output-current>=12";
        QTest::newRow("either way") << "output-frequency<>25" << "output-frequency<>25";
        QTest::newRow("single =") << "fault-code=3" << "fault-code==3";
        QTest::newRow("item number") << "2>12.5" << "output-current>12.5";
        QTest::newRow("no reply") << "no-reply>=3" << "no-reply>=3";
        QTest::newRow("no reply, >") << "3:no-reply>3" << "3:no-reply>=4";
        // clang-format on
    }
    void expressionsReadBack() {
        QFETCH(QString, expression);
        QString error;
        const std::optional<Trigger> trigger = trip::ParseTrigger(expression, &error);
        QVERIFY2(trigger, qPrintable(error));
        QTEST(trip::TriggerText(*trigger), "readBack");
    }

    // A wrong expression is refused with what is wrong in it.
    void wrongExpressionsSayWhy_data() {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<QString>("named");
        // clang-format off
        QTest::newRow("no comparison") << "fault-code" << "fault-code";
        QTest::newRow("unknown reading") << "motor-heat>3" << "motor-heat";
        QTest::newRow("not a number") << "output-current>twelve" << "twelve";
        QTest::newRow("no value") << "output-current>" << "output-current";
        QTest::newRow("bad comparison") << "output-current=>3" << "=>";
        QTest::newRow("address") << "300:fault-code!=0" << "300";
        QTest::newRow("no-reply with <") << "no-reply<3" << "no-reply";
        QTest::newRow("no-reply of none") << "no-reply>=0" << "no-reply";
        QTest::newRow("no-reply halves") << "no-reply>=2.5" << "no-reply";
        // clang-format on
    }
    void wrongExpressionsSayWhy() {
        QFETCH(QString, expression);
        QFETCH(QString, named);
        QString error;
        QVERIFY(!trip::ParseTrigger(expression, &error));
        QVERIFY2(error.contains(named), qPrintable(error));
    }

    // Values of drive 1's reading in turn ("x": no good answer, "d2:V": drive 2's value): the
    // samples at which the watch fires.
    void watchFiresOncePerEvent_data() {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<double>("hysteresis");
        QTest::addColumn<QString>("values");
        QTest::addColumn<QString>("fires");
        // clang-format off
        QTest::newRow("fault turns non-zero, held, reset, again")
            << "fault-code!=0" << 0.0 << "0 0 12 12 x 12 0 0 12" << "2 8";
        QTest::newRow("tripped before watching: not until reset")
            << "fault-code!=0" << 0.0 << "12 12 0 12" << "3";
        QTest::newRow("another drive's fault is not this one's")
            << "fault-code!=0" << 0.0 << "0 d2:12 0 12" << "3";
        QTest::newRow("that drive's fault") << "2:fault-code!=0" << 0.0 << "d2:0 0 12 d2:12" << "3";
        QTest::newRow("rising, hysteresis keeps noise out")
            << "output-current>12.5" << 0.5 << "100 126 124 126 119 126" << "1 5";
        QTest::newRow("rising, reaching is not rising above")
            << "output-current>12.5" << 0.0 << "100 125 126" << "2";
        QTest::newRow("rising, reaching counts with >=")
            << "output-current>=12.5" << 0.0 << "100 125 126" << "1";
        QTest::newRow("falling with hysteresis")
            << "output-current<10" << 1.0 << "150 95 105 95 115 90" << "1 5";
        QTest::newRow("either way")
            << "output-current<>10" << 0.0 << "50 150 150 50 100 150" << "1 3 5";
        QTest::newRow("either way, within the hysteresis no side changes")
            << "output-current<>10" << 2.0 << "50 110 150 90 70" << "2 4";
        // clang-format on
    }
    void watchFiresOncePerEvent() {
        QFETCH(QString, expression);
        QFETCH(double, hysteresis);
        QFETCH(QString, values);
        QFETCH(QString, fires);
        QString error;
        std::optional<Trigger> trigger = trip::ParseTrigger(expression, &error);
        QVERIFY2(trigger, qPrintable(error));
        trigger->hysteresis = hysteresis;
        TriggerWatch watch(*trigger, 1);
        QStringList fired;
        const QStringList steps = values.split(' ');
        for (int i = 0; i < steps.size(); ++i) {
            QString step = steps[i];
            int address = 1;
            if (step.startsWith(QLatin1String("d2:"))) address = 2, step = step.mid(3);
            exchange::Sample sample = Good(i, trigger->reading, step.toInt(), address);
            if (step == QLatin1String("x")) sample.verdict = exchange::Verdict::NoReply;
            if (watch.sample(sample)) fired << QString::number(i);
            // A sample of another reading of the same drive never fires it.
            QVERIFY(!watch.sample(Good(i, trigger->reading == kFault ? kCurrent : kFault, 999)));
        }
        QCOMPARE(fired.join(' '), fires);
    }

    // Polls of drive 1 ("g" good, "b" not) and of drive 2 ("B").
    void noReplyCountsPollsInARow_data() {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<QString>("polls");
        QTest::addColumn<QString>("fires");
        QTest::newRow("three in a row") << "no-reply>=3"
                                        << "g b b g b b b b g b b b"
                                        << "6 11";
        QTest::newRow("never answered: nothing to lose") << "no-reply>=2"
                                                         << "b b b g b b"
                                                         << "5";
        QTest::newRow("another drive's silence") << "no-reply>=2"
                                                 << "g B B B b B b"
                                                 << "6";
        QTest::newRow("drive 2 named") << "2:no-reply>=2"
                                       << "g B g B B b g B"
                                       << "3";
    }
    void noReplyCountsPollsInARow() {
        QFETCH(QString, expression);
        QFETCH(QString, polls);
        QString error;
        const std::optional<Trigger> trigger = trip::ParseTrigger(expression, &error);
        QVERIFY2(trigger, qPrintable(error));
        TriggerWatch watch(*trigger, 1);
        // Drive 2 answered once before the table starts.
        watch.poll(2, true);
        QStringList fired;
        const QStringList steps = polls.split(' ');
        for (int i = 0; i < steps.size(); ++i) {
            const QString& step = steps[i];
            if (watch.poll(step == QLatin1String("B") ? 2 : 1, step == QLatin1String("g")))
                fired << QString::number(i);
        }
        QTEST(fired.join(' '), "fires");
    }

    // Samples every 100 ms of drive 1's current and fault code; the fault appears at `tripS`
    // seconds: the snapshot holds 30 s before it (or all there is) to 10 s after, with the
    // fault code in its summary.
    void snapshotHoldsTheSpanAroundTheMoment_data() {
        QTest::addColumn<int>("tripS");
        QTest::addColumn<QString>("before");
        QTest::newRow("after a minute") << 60 << "30.0 s before (of 30.0 s asked)";
        QTest::newRow("in the first seconds") << 5 << "5.0 s before (of 30.0 s asked)";
    }
    void snapshotHoldsTheSpanAroundTheMoment() {
        QFETCH(int, tripS);
        QFETCH(QString, before);
        CaptureRig rig;
        rig.capture.setPictureMaker([](const trip::SnapshotSpan& span) {
            return QByteArray::number(qint64(span.samples.size()));
        });
        rig.settings.directory = rig.dir.filePath(QStringLiteral("snapshots"));
        rig.settings.line = QStringLiteral("COM1 9600,8,N,1");
        QVERIFY2(rig.arm(), qPrintable(rig.error));
        // A capture killed while writing left this behind.
        QVERIFY(QDir().mkpath(rig.dir.filePath(QStringLiteral("snapshots/.partial-x"))));
        QVERIFY2(rig.arm(), qPrintable(rig.error));
        QVERIFY(!QFileInfo::exists(rig.dir.filePath(QStringLiteral("snapshots/.partial-x"))));

        const qint64 start = QDateTime::currentMSecsSinceEpoch() - 200000;
        const qint64 trip = start + tripS * 1000;
        for (qint64 t = start; t <= trip + 20000; t += 100) {
            rig.feed(Good(t, kCurrent, t < trip ? 100 : 300));
            rig.feed(Good(t, kFault, t < trip ? 0 : 12));
            // The drive trips between two polls of its fault code: its current reads 0 once
            // before the fault does.
            if (t + 100 == trip) rig.feed(Good(t + 50, kCurrent, 0));
        }
        QCOMPARE(rig.capture.events().size(), std::size_t(1));
        const trip::TripEvent& event = rig.capture.events().front();
        QCOMPARE(event.timeMs, trip);
        QVERIFY2(!event.folder.isEmpty(), qPrintable(event.error));
        QCOMPARE(rig.capture.state(), trip::TripCapture::State::Armed);
        QCOMPARE(QDir(event.folder).entryList(QDir::Files),
                 QStringList({"chart.png", "samples.csv", "summary.txt"}));

        QFile csv(QDir(event.folder).filePath(QStringLiteral("samples.csv")));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QStringList rows = QString::fromUtf8(csv.readAll()).split(QStringLiteral("\r\n"));
        rows.removeAll(QString());
        rows.removeFirst();
        const qint64 first = rows.first().section(',', 0, 0).toLongLong();
        const qint64 last = rows.last().section(',', 0, 0).toLongLong();
        QCOMPARE(first, std::max(start, trip - 30000));
        QCOMPARE(last, trip + 10000);
        QCOMPARE(rows.size(), int(2 * ((last - first) / 100 + 1)) + 1);
        QVERIFY(rows.contains(QStringLiteral("%1,1,fault-code,12,12,good").arg(trip)));
        QFile png(QDir(event.folder).filePath(QStringLiteral("chart.png")));
        QVERIFY(png.open(QIODevice::ReadOnly));
        QCOMPARE(png.readAll().toInt(), rows.size());

        QFile summary(QDir(event.folder).filePath(QStringLiteral("summary.txt")));
        QVERIFY(summary.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(summary.readAll());
        QVERIFY2(text.contains(QStringLiteral("fault-code!=0")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral(": 12 (E.")), qPrintable(text));
        QVERIFY2(text.contains(before), qPrintable(text));
        // Before the trip: neither the 0 A read after it nor the 30 A of the fault.
        QVERIFY2(text.contains(QStringLiteral("010.0 A")), qPrintable(text));
        QVERIFY2(text.contains(rig.settings.line), qPrintable(text));
    }

    // With no sample after it, the snapshot is written once the seconds after have passed, not
    // a moment before: its last samples would be missing.
    void snapshotWaitsForTheSpanAfter() {
        CaptureRig rig;
        rig.settings.afterMs = 3000;
        QVERIFY(rig.arm());
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        rig.feed(Good(now - 100, kFault, 0));
        rig.feed(Good(now, kFault, 12));
        QCOMPARE(rig.capture.state(), trip::TripCapture::State::Triggered);
        qint64 savedAt = 0;
        connect(&rig.capture, &trip::TripCapture::stateChanged, this,
                [&savedAt] { savedAt = QDateTime::currentMSecsSinceEpoch(); });
        QTRY_COMPARE_WITH_TIMEOUT(rig.capture.state(), trip::TripCapture::State::Armed, 5000);
        // Within the wall clock's 16 ms steps on Windows.
        QVERIFY2(savedAt >= now + rig.settings.afterMs - 16,
                 qPrintable(QString::number(savedAt - now)));
    }

    // Two trips: re-armed, each has its snapshot; single shot, the first only, and it stays so.
    void singleShotOrRearmed_data() {
        QTest::addColumn<bool>("rearm");
        QTest::newRow("re-armed") << true;
        QTest::newRow("single shot") << false;
    }
    void singleShotOrRearmed() {
        QFETCH(bool, rearm);
        CaptureRig rig;
        rig.settings.rearm = rearm;
        rig.settings.afterMs = 1000;
        QVERIFY(rig.arm());
        const qint64 start = QDateTime::currentMSecsSinceEpoch() - 200000;
        // Tripped at 10 s, reset at 20 s, tripped again at 30 s.
        for (int s = 0; s < 40; ++s)
            rig.feed(Good(start + s * 1000, kFault, (s >= 10 && s < 20) || s >= 30 ? 12 : 0));
        const std::vector<qint64> moments = rig.capture.moments();
        QCOMPARE(moments.size(), std::size_t(rearm ? 2 : 1));
        QCOMPARE(moments.front(), start + 10000);
        QCOMPARE(rig.capture.state(),
                 rearm ? trip::TripCapture::State::Armed : trip::TripCapture::State::Saved);
        QCOMPARE(int(QDir(rig.dir.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size()),
                 rearm ? 2 : 1);
    }
};

QTEST_GUILESS_MAIN(TestTrip)
#include "tst_trip.moc"
