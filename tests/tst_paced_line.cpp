// The window against the simulated drive on a line with wire timing: replies take 2 ms a
// character at 4800 baud and come after the drive's turnaround, so a capture that took whatever
// had arrived after 50 ms would show wrong numbers here.
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QtTest>

#include "drive_rig.h"
#include "window/scan/scan_window.h"
#include "window/trend/trend_window.h"

namespace {

// A drive part-way up its ramp, so that no two readings could be mistaken for each other.
void RampHalfway(sim::DriveServer& drive) {
    drive.updateModel([](sim::DriveModel& model) {
        model.setFrequency(4852);
        model.start();
        model.setParameter(9, 0xBEEF);
    });
    drive.advance(3337);
}

}  // namespace

class TestPacedLine : public QObject {
    Q_OBJECT
  private slots:
    // Each reading shows the drive's own value, also right after the one before it, from a drive
    // that answers after 50 ms. (An ASCII reply still arriving after 50 ms is read whole in
    // timedModeKeepsTheReplyWindow's first reading.)
    void readingsOnASlowLine() {
        DriveRig rig(kRtu, k4800, 50);
        QVERIFY2(rig.ready(), qPrintable(rig.error + rig.port->errorText()));
        // Room for a busy machine's delays; on a calm one the capture's 50 ms still end inside
        // each reply.
        rig.window->setReplyTimeout(300);
        RampHalfway(rig.drive);
        QCOMPARE(rig.modelShows(sim::kItemOutputFrequency), QStringLiteral("033.30 Hz"));
        for (int item = 0; item < sim::kMonitorItemCount; ++item)
            QCOMPARE(rig.reading(item), rig.modelShows(item));
        rig.window->readParameterNumber->setText(QStringLiteral("9"));
        rig.window->readParameterButton->click();
        QCOMPARE(rig.result(kParameterResult), QString::number(qint16(0xBEEF)));
        QCOMPARE(rig.drive.requestsSeen(), sim::kMonitorItemCount + 1);
        for (const exchange::ExchangeRecord& record : rig.records)
            QVERIFY(!record.verdict || *record.verdict == exchange::Verdict::Good);
    }

    // A late reply turns up as a line of its own with its request's counter and does not spoil
    // the next reading. (How a capture waits for a reply in pieces is tst_exchange_core's, a
    // spoiled check's text tst_window's, which verdict noise gets tst_reply_judge's.)
    void lateReplyStandsApart() {
        DriveRig rig(kRtu);
        QVERIFY(rig.ready());
        // Room for a busy machine's delays, short of the late reply's 120 ms.
        rig.window->setReplyTimeout(100);
        RampHalfway(rig.drive);
        rig.drive.setInjection(sim::Injection::LateReply);
        QCOMPARE(rig.reading(sim::kItemOutputFrequency), QStringLiteral("无回应"));
        rig.drive.setInjection(sim::Injection::None);
        QTRY_VERIFY(rig.records.back().direction == exchange::Direction::LateReceived);
        QCOMPARE(rig.records.back().counter, 0);
        QVERIFY(rig.window->logLines[2]->toolTip().startsWith(QStringLiteral("迟到")));
        QCOMPARE(rig.reading(sim::kItemBusVoltage), rig.modelShows(sim::kItemBusVoltage));
    }

    // Timed mode's replies count from the moment the request has left the port, as a press's do:
    // a drive that answers 40 ms after a long ASCII request at 4800 baud (27 ms on the wire) is
    // heard within the 50 ms of every tick. (bench/ compares the delays measured.)
    void timedModeKeepsTheReplyWindow() {
        DriveRig rig(kAscii, k4800, 40);
        QVERIFY(rig.ready());
        RampHalfway(rig.drive);
        QCOMPARE(rig.reading(sim::kItemOutputFrequency), rig.modelShows(sim::kItemOutputFrequency));
        rig.window->intervalBox->setText(QStringLiteral("200"));
        rig.window->timedModeBox->click();
        QTest::qWait(1100);
        rig.window->timedModeBox->click();
        QVERIFY(rig.settle());
        int good = 0;
        for (const exchange::ExchangeRecord& r : rig.records) {
            if (r.origin != exchange::Origin::Timed || r.direction == exchange::Direction::Sent)
                continue;
            QCOMPARE(r.direction, exchange::Direction::Received);
            QCOMPARE(*r.verdict, exchange::Verdict::Good);
            ++good;
        }
        QVERIFY2(good >= 4, qPrintable(QString::number(good)));
    }

    // A drive that answers after 120 ms: with the default timeout its replies come late and the
    // log names the timeout that would catch them; with 200 ms every way of asking works.
    void slowDrive_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("timeout");
        QTest::newRow("readings, default 50 ms") << "readings" << 50;
        QTest::newRow("timed mode at 50 ms, 200 ms") << "timed" << 200;
        QTest::newRow("polling, 200 ms") << "polling" << 200;
        QTest::newRow("polling two readings, default 50 ms") << "polling" << 50;
    }
    void slowDrive() {
        QFETCH(QString, how);
        QFETCH(int, timeout);
        DriveRig rig(kRtu, k9600, 120);
        QVERIFY(rig.ready());
        RampHalfway(rig.drive);
        rig.window->setReplyTimeout(timeout);
        const auto count = [&rig](auto test) {
            return int(std::count_if(rig.records.begin(), rig.records.end(), test));
        };
        const auto good = [&] {
            return count([](auto& r) { return r.verdict == exchange::Verdict::Good; });
        };
        const auto late = [&] {
            return count([](auto& r) { return r.direction == exchange::Direction::LateReceived; });
        };
        if (how == "readings") {
            for (int item : {sim::kItemOutputFrequency, sim::kItemBusVoltage, sim::kItemSpeed}) {
                const QString shown = rig.reading(item);
                QCOMPARE(shown, timeout == 50 ? QStringLiteral("无回应") : rig.modelShows(item));
                QTest::qWait(200);  // the late reply, if any, arrives meanwhile
            }
            if (timeout == 50) {
                QCOMPARE(late(), 3);
                const int suggested = rig.window->exchangeCore().suggestedTimeout();
                QVERIFY2(suggested >= 140 && suggested <= 200,
                         qPrintable(QString::number(suggested)));
                QVERIFY(rig.records.back().detail.contains(QStringLiteral("%1 ms").arg(suggested)));
                QVERIFY(rig.window->logLines[2]->toolTip().contains(QString::number(suggested)));
                // One click on 接收数据 takes the timeout the late lines name.
                QTest::mouseClick(rig.window->replyGridLabel, Qt::LeftButton);
                QCOMPARE(int(rig.window->exchangeCore().replyTimeout().count()), suggested);
            } else {
                QCOMPARE(late(), 0);
            }
        } else if (how == "timed") {
            rig.reading(sim::kItemOutputFrequency);
            rig.window->intervalBox->setText(QStringLiteral("50"));
            rig.window->timedModeBox->click();
            QCOMPARE(rig.window->timedSendTimer->interval(), 200);
            QCOMPARE(rig.window->intervalBox->text(), QStringLiteral("200"));
            const int before = good();
            QTest::qWait(1300);
            rig.window->timedModeBox->click();
            QVERIFY(rig.settle());
            QVERIFY2(good() - before >= 5 && good() - before <= 7,
                     qPrintable(QString::number(good() - before)));
            QCOMPARE(late(), 0);
        } else if (timeout == 50) {
            // Each answer comes while the next poll waits for its own: it is the late answer to
            // the poll before, never this one's, and the trend window names the timeout.
            TrendWindow* trend = rig.window->openTrend();
            QVERIFY(rig.window->startPolling({sim::kItemOutputFrequency, sim::kItemBusVoltage}));
            QTRY_VERIFY_WITH_TIMEOUT(late() >= 3, 3000);
            QTRY_VERIFY(trend->noteLabel->text().contains(QStringLiteral("回应超时")));
            rig.window->poller().stop();
            QVERIFY(rig.settle());
            // Each reading's answer comes late, so it is no answer of the other reading's poll
            // that follows; only the next poll of the same reading may take it, which no bytes
            // can tell from its own.
            QByteArray request;
            for (const exchange::ExchangeRecord& r : rig.records) {
                if (r.direction == exchange::Direction::Sent) request = r.bytes;
                if (r.direction != exchange::Direction::Received ||
                    *r.verdict != exchange::Verdict::Good)
                    continue;
                QVERIFY(r.bytes.startsWith(request.left(2)) && r.bytes.at(3) == request.at(3));
            }
        } else {
            exchange::Poller& poller = rig.window->poller();
            QVERIFY(rig.window->startPolling({sim::kItemOutputFrequency}));
            QTRY_VERIFY(poller.count(sim::kItemOutputFrequency, exchange::Verdict::Good) >= 8);
            const double limit = poller.lineLimit();
            QVERIFY2(limit > 6 && limit < 8.5,
                     qPrintable(QString::number(limit)));  // 120 ms + wire
            QVERIFY(poller.rate(sim::kItemOutputFrequency) > limit / 2);
            poller.stop();
            QVERIFY(rig.settle());
            QCOMPARE(late(), 0);
        }
    }

    // A strict drive at 19200 baud, address 5, does not answer the window's setting; 查找变频器
    // finds it without touching the window's setting, greys the sends but 停止 meanwhile, and a
    // double-click on the drive found puts the window on its setting and address. (Which drives
    // the finder finds, and how it tells silence from noise, is tst_drive_scan's.)
    void driveFinderFindsAStrictDrive() {
        DriveRig rig(kRtu, k9600);
        QVERIFY(rig.ready());
        rig.drive.setDrives({5});
        rig.drive.setOwnLine({19200, serial::Parity::None, 8, 1});
        rig.drive.setStrictLine(true);
        ScanWindow* scan = rig.window->openScan();
        for (int i : {0, 3}) scan->baudBoxes[std::size_t(i)]->setChecked(false);
        for (int i : {0, 1, 2, 4, 5}) scan->formatBoxes[std::size_t(i)]->setChecked(false);
        scan->lastAddress->setValue(8);
        scan->startButton->click();
        QVERIFY(QTest::qWaitFor([&] { return !rig.window->sendButton->isEnabled(); }, 1000));
        QVERIFY(!rig.window->baudGroup->button(k4800)->isEnabled());
        QVERIFY(rig.window->stopButton->isEnabled());
        QVERIFY(QTest::qWaitFor([&] { return !rig.window->jobRunner().running(); }, 10000));
        QVERIFY(rig.window->sendButton->isEnabled());
        QCOMPARE(rig.window->exchangeCore().lineSettings().baudRate, 9600);  // nothing unasked
        const std::vector<jobs::ScanRow>& rows = scan->rows();
        const auto found = std::find_if(rows.begin(), rows.end(), [](const jobs::ScanRow& row) {
            return row.outcome == jobs::ProbeOutcome::Found;
        });
        QVERIFY(found != rows.end());
        emit scan->results->cellDoubleClicked(int(found - rows.begin()), 0);
        QVERIFY(rig.window->baudGroup->button(2)->isChecked());
        QCOMPARE(rig.window->inverterAddress->text(), QStringLiteral("5"));
        QCOMPARE(rig.reading(sim::kItemOutputFrequency), QStringLiteral("000.00 Hz"));
    }
};

QTEST_MAIN(TestPacedLine)
#include "tst_paced_line.moc"
