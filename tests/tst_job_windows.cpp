// The windows that run jobs on the line, against the simulated drive: 参数管理 shows a read as
// it goes, ends its job when it closes and asks first while it writes, and knows a drive that
// was started runs even at 0 Hz; 查找变频器's bar stays where a stopped scan left it.
#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "drive/drive_requests.h"
#include "drive/run_commands.h"
#include "drive_rig.h"
#include "frame/frame_composer.h"
#include "window/parameters/parameter_window.h"
#include "window/scan/scan_window.h"

namespace {

bool Idle(DriveRig& rig) {
    return !rig.window->jobRunner().running();
}

}  // namespace

class TestJobWindows : public QObject {
    Q_OBJECT
  private slots:
    // What went out decides whether a drive may run at 0 Hz: the last start or stop to its
    // address or to all (address 0).
    void runCommandsSent_data() {
        QTest::addColumn<QStringList>("sent");  // address:start|stop|read
        QTest::addColumn<QList<int>>("running");
        QTest::newRow("started") << QStringList{"1:start"} << QList<int>{1};
        QTest::newRow("started, then stopped") << QStringList{"1:start", "1:stop"} << QList<int>{};
        QTest::newRow("a reading changes nothing")
            << QStringList{"2:start", "2:read"} << QList<int>{2};
        QTest::newRow("all started, one stopped")
            << QStringList{"0:start", "3:stop"} << QList<int>{1, 2};
        QTest::newRow("one started, all stopped")
            << QStringList{"2:start", "0:stop"} << QList<int>{};
    }
    void runCommandsSent() {
        QFETCH(QStringList, sent);
        QFETCH(QList<int>, running);
        drive::RunCommandsSent log;
        for (const QString& item : sent) {
            const QString address = item.section(':', 0, 0);
            const QString what = item.section(':', 1);
            const frame::RequestFields fields{address,
                                              what == "read" ? "4" : "3",
                                              "1",
                                              what == "start"  ? "1"
                                              : what == "stop" ? "8"
                                                               : "1",
                                              {}};
            log.note(frame::ComposeFrame(fields, frame::Framing::Rtu), frame::Framing::Rtu);
        }
        for (int address = 1; address <= 3; ++address)
            QCOMPARE(log.startedSinceStop(address), running.contains(address));
    }

    // A read fills the table as its values come, and a new read starts from an empty drive
    // column; a load error goes once another file loads.
    void readShowsItsValuesAsTheyCome() {
        DriveRig rig(kRtu, k4800);
        QVERIFY(rig.ready());
        ParameterWindow* manager = rig.window->openParameters();
        manager->readButton->click();
        QVERIFY(QTest::qWaitFor([&] { return manager->driveSet().has_value(); }, 5000));
        QVERIFY(!Idle(rig));
        const int partial = int(manager->driveSet()->entries.size());
        QVERIFY2(partial > 0 && partial < 251, qPrintable(QString::number(partial)));
        QVERIFY(manager->table->rowCount() >= partial);
        manager->cancelButton->click();
        QVERIFY(QTest::qWaitFor([&] { return Idle(rig); }, 5000));
        manager->readButton->click();
        QVERIFY(!manager->driveSet() || manager->driveSet()->entries.size() < std::size_t(partial));
        manager->cancelButton->click();
        QVERIFY(QTest::qWaitFor([&] { return Idle(rig); }, 5000));

        QTemporaryDir dir;
        QString error;
        QVERIFY(!manager->openFile(dir.filePath("missing.csv"), false, &error));
        QVERIFY(manager->status->text().contains("missing.csv"));
        QVERIFY(manager->saveFile(dir.filePath("set.csv"), &error));
        QVERIFY(manager->openFile(dir.filePath("set.csv"), false, &error));
        QVERIFY2(!manager->status->text().contains("missing.csv"),
                 qPrintable(manager->status->text()));
    }

    // Closing the window ends its read at once; while it writes, only once the user agrees.
    void closingEndsTheJob() {
        DriveRig rig(kRtu, k4800);
        QVERIFY(rig.ready());
        ParameterWindow* manager = rig.window->openParameters();
        manager->readButton->click();
        QVERIFY(!Idle(rig));
        manager->close();
        QVERIFY(QTest::qWaitFor([&] { return Idle(rig); }, 2000));
        const int seen = rig.drive.requestsSeen();
        QTest::qWait(200);
        QCOMPARE(rig.drive.requestsSeen(), seen);
        QVERIFY(rig.window->sendButton->isEnabled());

        // A write of many parameters, the user first keeping it, then letting it go.
        QTemporaryDir dir;
        QString error;
        manager->show();
        manager->lastParameter->setValue(40);
        manager->readButton->click();
        QVERIFY(QTest::qWaitFor([&] { return Idle(rig); }, 20000));
        QVERIFY(manager->saveFile(dir.filePath("set.csv"), &error));
        rig.drive.updateModel([](sim::DriveModel& model) {
            for (int p = 0; p <= 40; ++p) model.setParameter(p, quint16(model.parameter(p) + 1));
        });
        QVERIFY(manager->openFile(dir.filePath("set.csv"), false, &error));
        manager->readButton->click();
        QVERIFY(QTest::qWaitFor([&] { return Idle(rig); }, 20000));
        bool keep = true;
        manager->setConfirmation([&](const QString& question) {
            return question.contains("Stop the writing") ? !keep : true;
        });
        manager->stopOnMismatch->setChecked(false);
        manager->writeDifferences();
        QVERIFY(QTest::qWaitFor([&] { return rig.drive.requestsSeen(drive::kWriteParameter) > 0; },
                                5000));
        QVERIFY(!manager->close());
        QVERIFY(!Idle(rig));
        keep = false;
        QVERIFY(manager->close());
        QVERIFY(QTest::qWaitFor([&] { return Idle(rig); }, 2000));
        QVERIFY(rig.drive.requestsSeen(drive::kWriteParameter) < 41);
    }

    // 比较 shows exactly the parameter changed since the file was saved. A drive started through
    // 启动 runs at 0 Hz as far as anyone can tell: writing to it is asked about, and after 停止
    // it is not; the write puts the file's value back.
    void startedDriveAtZeroHertzCountsAsRunning() {
        DriveRig rig(kRtu, k9600);
        QVERIFY(rig.ready());
        QTemporaryDir dir;
        QString error;
        ParameterWindow* manager = rig.window->openParameters();
        manager->lastParameter->setValue(12);
        manager->readButton->click();
        QVERIFY(QTest::qWaitFor([&] { return Idle(rig); }, 10000));
        QVERIFY(manager->saveFile(dir.filePath("set.csv"), &error));
        QVERIFY(manager->openFile(dir.filePath("set.csv"), false, &error));
        const int original = rig.drive.model().parameter(12);
        rig.drive.updateModel([](sim::DriveModel& model) { model.setParameter(12, 77); });
        manager->compareButton->click();  // reads the drive afresh
        QVERIFY(QTest::qWaitFor([&] { return Idle(rig); }, 10000));
        std::vector<int> differing;
        for (const drive::ComparedParameter& row : manager->compared())
            if (row.state != drive::Comparison::Equal) differing.push_back(row.number);
        QCOMPARE(differing, std::vector<int>{12});
        // Worked out against the drive at address 1, the differences go to no other.
        rig.window->inverterAddress->setText(QStringLiteral("2"));
        manager->setConfirmation([](const QString&) { return true; });
        manager->writeButton->click();
        QVERIFY(manager->status->text().contains("address 1"));
        QCOMPARE(rig.drive.requestsSeen(drive::kWriteParameter), 0);
        rig.window->inverterAddress->setText(QStringLiteral("1"));

        for (const bool stopFirst : {false, true}) {
            rig.window->startButton->click();
            QVERIFY(rig.settle());
            if (stopFirst) {
                rig.window->stopButton->click();
                QVERIFY(rig.settle());
            }
            QStringList questions;
            manager->setConfirmation([&](const QString& question) {
                questions << question;
                return !question.contains("0 Hz");
            });
            manager->writeDifferences();
            QVERIFY(QTest::qWaitFor([&] { return Idle(rig) && !questions.isEmpty(); }, 10000));
            QVERIFY(rig.settle());
            const bool asked = questions.join(' ').contains("0 Hz");
            QCOMPARE(asked, !stopFirst);
            QCOMPARE(rig.drive.model().parameter(12), stopFirst ? original : 77);
        }
    }

    // A scan stopped early keeps its bar where it stopped.
    void stoppedScanKeepsItsBar() {
        DriveRig rig(kRtu, k9600);
        QVERIFY(rig.ready());
        ScanWindow* scan = rig.window->openScan();
        scan->findAll->setChecked(true);
        scan->startButton->click();
        QVERIFY(QTest::qWaitFor([&] { return scan->progress->value() > 2; }, 5000));
        scan->startButton->click();  // 停止
        QVERIFY(QTest::qWaitFor([&] { return Idle(rig); }, 5000));
        QVERIFY2(scan->progress->value() < scan->progress->maximum(),
                 qPrintable(QStringLiteral("%1 of %2")
                                .arg(scan->progress->value())
                                .arg(scan->progress->maximum())));
    }
};

QTEST_MAIN(TestJobWindows)
#include "tst_job_windows.moc"
