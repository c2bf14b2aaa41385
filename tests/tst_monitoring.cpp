// Live monitoring: the reading names, the decimated trace, the sample file, and the poller
// against the paced simulated drive.
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "drive/readings.h"
#include "drive_rig.h"
#include "exchange/samples.h"
#include "window/trend/trend_chart.h"
#include "window/trend/trend_window.h"

using exchange::Sample;
using exchange::Verdict;

class TestMonitoring : public QObject {
    Q_OBJECT
  private slots:
    void readingList_data() {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QList<int>>("readings");  // empty: refused
        QTest::newRow("item numbers") << "1, 2" << QList<int>{1, 2};
        QTest::newRow("fault code, once") << "fault-code,8" << QList<int>{8};
        QTest::newRow("nothing") << "," << QList<int>{};
    }
    void readingList() {
        QFETCH(QString, list);
        QFETCH(QList<int>, readings);
        QString error;
        const auto parsed = drive::ParseReadingList(list, &error);
        QCOMPARE(parsed ? QList<int>(parsed->begin(), parsed->end()) : QList<int>(), readings);
        QCOMPARE(error.isEmpty(), !readings.isEmpty());
    }

    // --monitor's list: a bare name is the drive in the address box (0), ADDRESS:NAME another.
    void driveReadingList_data() {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QStringList>("chosen");  // "address:reading"; empty: refused
        QTest::newRow("three drives")
            << "1:output-frequency,2:1,3:fault-code" << QStringList{"1:1", "2:1", "3:8"};
        QTest::newRow("bare and addressed, each once")
            << "output-current, 2:output-current,2:2" << QStringList{"0:2", "2:2"};
        QTest::newRow("address 0 is a broadcast") << "0:output-frequency" << QStringList{};
        QTest::newRow("address past 247") << "248:1" << QStringList{};
        QTest::newRow("no such reading") << "2:speed" << QStringList{};
    }
    void driveReadingList() {
        QFETCH(QString, list);
        QFETCH(QStringList, chosen);
        QString error;
        const auto parsed = drive::ParseDriveReadingList(list, &error);
        QStringList got;
        for (const drive::DriveReading& one : parsed.value_or(std::vector<drive::DriveReading>{}))
            got << QStringLiteral("%1:%2").arg(one.address).arg(one.reading);
        QCOMPARE(got, chosen);
        QCOMPARE(error.isEmpty(), !chosen.isEmpty());
    }

    // A column of the trace holds the lowest and the highest good sample in it; a bad sample ends
    // the line, so the next good one starts a new piece, also inside the same column.
    void traceKeepsEveryExtreme() {
        exchange::Trace trace;
        trace.reset(250);
        const std::tuple<qint64, int, Verdict> samples[] = {
            {1000, 5, Verdict::Good}, {1100, -7, Verdict::Good},      {1249, 3, Verdict::Good},
            {1250, 9, Verdict::Good}, {1300, 0, Verdict::CheckError}, {1400, 2, Verdict::Good}};
        for (const auto& [time, raw, verdict] : samples)
            trace.add({time, qint16(raw), 2, 1, verdict});
        QStringList points;
        for (const exchange::TracePoint& p : trace.points({1, 2}))
            points << QStringLiteral("%1 %2..%3%4")
                          .arg(p.bucket)
                          .arg(p.low)
                          .arg(p.high)
                          .arg(p.startsPiece ? " new" : "");
        QCOMPARE(points, (QStringList{"1000 -0.7..0.5 new", "1250 0.9..0.9", "1250 0.2..0.2 new"}));
    }

    // Where the chart's window starts: the first sample kept at or after a time.
    void firstSampleAtOrAfter() {
        exchange::SampleStore store(3);
        for (qint64 t : {10, 20, 20, 30})
            store.append({t, 0, 1, 1, Verdict::Good});  // 10 drops out
        QCOMPARE(store.firstAtOrAfter(20), std::size_t(0));
        QCOMPARE(store.firstAtOrAfter(21), std::size_t(2));
        QCOMPARE(store.firstAtOrAfter(31), std::size_t(3));
    }

    // The store keeps the newest samples in time order across its blocks, and its memory
    // follows what it holds: a few samples take one block, a full store no more than it needs.
    void storeGrowsWithItsSamples_data() {
        QTest::addColumn<int>("capacity");
        QTest::addColumn<int>("appended");
        QTest::addColumn<int>("mostBlocks");
        QTest::newRow("a few samples") << 1000 << 10 << 1;
        QTest::newRow("into the second block") << 1000000 << 70000 << 2;
        QTest::newRow("full, wrapping across blocks") << 70000 << 200000 << 3;
        QTest::newRow("full, a whole number of blocks") << 131072 << 400000 << 3;
    }
    void storeGrowsWithItsSamples() {
        QFETCH(int, capacity);
        QFETCH(int, appended);
        QFETCH(int, mostBlocks);
        exchange::SampleStore store{std::size_t(capacity)};
        for (int i = 0; i < appended; ++i)
            store.append({qint64(i), qint16(i), quint8(i % 9), 1, Verdict::Good});
        const int kept = std::min(capacity, appended);
        QCOMPARE(store.size(), std::size_t(kept));
        QCOMPARE(store.appendedCount(), quint64(appended));
        for (int row : {0, 1, kept / 2, kept - 2, kept - 1})
            QCOMPARE(store.at(std::size_t(row)).timeMs, qint64(appended - kept + row));
        QVERIFY(store.bytesHeld() <= std::size_t(mostBlocks) * 65536 * sizeof(exchange::Sample));
        QVERIFY(store.bytesHeld() >= std::size_t(kept) * sizeof(exchange::Sample));
    }

    // Saved samples read back: time, reading, raw and scaled value, verdict; no value when bad.
    void sampleFile() {
        exchange::SampleStore store;
        store.append({1796630400123, 4852, 1, 1, Verdict::Good});
        store.append({1796630400163, 0, 7, 1, Verdict::NoReply});
        QTemporaryDir dir;
        QString error;
        QVERIFY(exchange::SaveSamples(dir.filePath("s.csv"), store, &error));
        QFile file(dir.filePath("s.csv"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readAll()).split("\r\n"),
                 (QStringList{"time_ms,address,reading,raw,value,verdict",
                              "1796630400123,1,output-frequency,4852,48.52,good",
                              "1796630400163,1,temperature,,,no reply", ""}));
    }

    // Polled in turn, each sample carries the drive's own value, also while the drive ramps, and
    // the rate comes near what the line allows.
    void pollsInTurnWithTheDrivesValues() {
        DriveRig rig(kRtu, k9600);
        QVERIFY(rig.ready());
        rig.window->setReplyTimeout(300);  // room for a busy machine: every sample is good
        rig.drive.updateModel([](sim::DriveModel& m) {
            m.setFrequency(5000);
            m.start();
        });
        exchange::Poller& poller = rig.window->poller();
        std::vector<Sample> seen;
        QObject::connect(&poller, &exchange::Poller::sampleAdded,
                         [&](const Sample& s) { seen.push_back(s); });
        QVERIFY(rig.window->startPolling({1, 3}));
        for (int step = 0; step < 4; ++step) {
            const int before = int(seen.size());
            QTRY_VERIFY(int(seen.size()) >= before + 6);
            const sim::DriveModel model = rig.drive.model();
            for (std::size_t i = std::size_t(before) + 2; i < seen.size(); ++i) {
                const Sample& s = seen[i];
                QVERIFY2(s.good(), qPrintable(exchange::VerdictEnglishName(s.verdict)));
                QCOMPARE(s.raw, model.monitor(drive::ReadingAt(s.reading).item));
            }
            rig.drive.advance(500);  // the ramp moves on between the checks
        }
        for (std::size_t i = 1; i < seen.size(); ++i)
            QVERIFY(seen[i].reading != seen[i - 1].reading);
        QTRY_VERIFY(poller.lineLimit() > 0);
        const double rate = poller.rate(1) + poller.rate(3);
        QVERIFY2(rate > poller.lineLimit() / 2,
                 qPrintable(QStringLiteral("%1 of %2").arg(rate).arg(poller.lineLimit())));
        poller.stop();
        QVERIFY(rig.settle());
    }

    // The trend polls the drive the inverter address box names and follows it to another one;
    // a result box never shows a value of a drive the box does not name; a refused address
    // changes nothing and says so.
    void pollingFollowsTheAddress() {
        DriveRig rig(kRtu, k9600, sim::kDefaultTurnaroundMs, {1, 2});
        QVERIFY(rig.ready());
        rig.drive.updateModel([](sim::DriveModel& model) {
            model.setFrequency(4852);
            model.start();
        });
        rig.drive.advance(3337);  // drive 1 at 33.30 Hz, drive 2 standing at 0
        exchange::Poller& poller = rig.window->poller();
        TrendWindow* trend = rig.window->openTrend({1});
        QVERIFY(rig.window->startPolling({1}));
        QLineEdit* box = rig.window->readingBoxes[1];
        QTRY_COMPARE(box->text(), QStringLiteral("033.30 Hz"));
        QVERIFY2(trend->addressLabel->text().contains('1'),
                 qPrintable(trend->addressLabel->text()));

        QStringList shownSince;
        QObject::connect(box, &QLineEdit::textChanged, [&](const QString& t) { shownSince << t; });
        rig.window->inverterAddress->setText(QStringLiteral("2"));
        QCOMPARE(poller.address(), 2);
        QVERIFY2(trend->addressLabel->text().contains('2'),
                 qPrintable(trend->addressLabel->text()));
        QTRY_COMPARE(box->text(), QStringLiteral("000.00 Hz"));
        QVERIFY2(!shownSince.contains(QStringLiteral("033.30 Hz")),
                 qPrintable(shownSince.join('|')));
        QTRY_VERIFY(poller.count(1, Verdict::Good) >= 2);
        for (std::size_t i = 0; i < poller.samples().size(); ++i)
            QCOMPARE(int(poller.samples().at(i).address), 2);

        rig.window->inverterAddress->setText(QStringLiteral("248"));
        QCOMPARE(poller.address(), 2);
        QVERIFY2(trend->noteLabel->text().contains(QStringLiteral("248")),
                 qPrintable(trend->noteLabel->text()));
        poller.stop();
        QVERIFY(rig.settle());
    }

    // A port that goes away while polling is not a silent drive: the polls that do not go out are
    // counted apart, the rates drop to nothing and the trend window says why.
    void closedPortIsNoSilentDrive() {
        DriveRig rig(kRtu, k9600);
        QVERIFY(rig.ready());
        exchange::Poller& poller = rig.window->poller();
        TrendWindow* trend = rig.window->openTrend({1});
        QVERIFY(rig.window->startPolling({1}));
        QTRY_VERIFY(poller.count(1, Verdict::Good) >= 3);
        QVERIFY(poller.rate(1) > 0);
        rig.drive.stop();
        QTRY_VERIFY_WITH_TIMEOUT(poller.notSentCount(1) >= 2, 4000);
        QVERIFY(poller.portClosed());
        QCOMPARE(poller.rate(1), 0.0);
        // The polls on the line while the device went: a busy machine notices its going a little
        // later. Every poll after that is not sent, never a missing reply.
        QVERIFY(poller.count(1, Verdict::NoReply) <= 3);
        QVERIFY2(trend->noteLabel->text().contains(QStringLiteral("The port is not open")),
                 qPrintable(trend->noteLabel->text()));
        QTRY_VERIFY(!rig.window->result(1).busy());
        QVERIFY(rig.window->result(1).outdated());
        poller.stop();
        QVERIFY(rig.settle());
    }

    // A spoiled reply is a bad sample and leaves a gap; a quick command goes in between two polls
    // with its own reply; timed mode stops polling.
    void badSamplesQuickCommandsAndTimedMode() {
        DriveRig rig(kAscii, k9600);
        QVERIFY(rig.ready());
        exchange::Poller& poller = rig.window->poller();
        QVERIFY(rig.window->startPolling({2}));
        QTRY_VERIFY(poller.count(2, Verdict::Good) >= 3);
        rig.drive.setInjection(sim::Injection::BadCheck);
        QTRY_VERIFY(poller.count(2, Verdict::CheckError) >= 2);
        rig.drive.setInjection(sim::Injection::None);
        const int good = poller.count(2, Verdict::Good);
        QTRY_VERIFY(poller.count(2, Verdict::Good) > good);
        int pieces = 0;
        TrendWindow* trend = rig.window->openTrend({2});
        trend->chart->refresh();
        for (const exchange::TracePoint& p : trend->chart->trace().points({1, 2}))
            pieces += p.startsPiece;
        QVERIFY(pieces >= 2);

        rig.drive.updateModel([](sim::DriveModel& m) { m.setParameter(9, 777); });
        rig.window->readParameterNumber->setText(QStringLiteral("9"));
        rig.window->readParameterButton->click();
        QCOMPARE(rig.result(kParameterResult), QStringLiteral("777"));
        rig.window->intervalBox->setText(QStringLiteral("100"));
        rig.window->timedModeBox->click();
        QVERIFY(!poller.running());
        QVERIFY(!trend->noteLabel->text().isEmpty());
        QVERIFY(rig.window->startPolling({2}));  // and the other way round
        QVERIFY(!rig.window->timedModeBox->isChecked());
        poller.stop();
        QVERIFY(rig.settle());
    }
};

QTEST_MAIN(TestMonitoring)
#include "tst_monitoring.moc"
