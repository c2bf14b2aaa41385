// Several drives on one line: the trend's poll cycle over drives and readings, the trend window
// plotting three simulated drives at once, and the parameter commands for all three.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineSeries>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include "drive/parameter_set.h"
#include "drive_rig.h"
#include "exchange/samples.h"
#include "program_environment.h"
#include "window/drives/drive_comparison_window.h"
#include "window/scan/scan_window.h"
#include "window/trend/trend_chart.h"
#include "window/trend/trend_window.h"

using exchange::Channel;
using exchange::Sample;

namespace {

// "2:1" → drive 2, reading 1.
std::vector<Channel> Channels(const QStringList& words) {
    std::vector<Channel> channels;
    for (const QString& word : words)
        channels.push_back({word.section(':', 0, 0).toInt(), word.section(':', 1).toInt()});
    return channels;
}

struct Run {
    int exitCode = -1;
    QString output;
};

// The program on the drives' line, 9600 baud RTU 8,N,1, parameters 0..20 only.
Run RunProgram(const QString& device, const QStringList& arguments) {
    QProcess program;
    program.setProcessEnvironment(WithoutDisplay());
    program.start(QStringLiteral(MODBUS_DEBUGGER),
                  arguments + QStringList{"--port", "COM1=" + device, "--baud", "9600", "--format",
                                          "rtu8n1", "--parameters", "0-20"});
    if (!program.waitForFinished(60000)) return {};
    return {program.exitCode(),
            QString::fromUtf8(program.readAllStandardOutput() + program.readAllStandardError())};
}

}  // namespace

class TestSeveralDrives : public QObject {
    Q_OBJECT
  private slots:
    // One cycle asks each drive's readings together, one drive after the other, each channel
    // once; a silent drive is asked once a cycle (its other readings marked unanswered when it
    // falls silent, so no old value stands as current), a slow one keeps its turn.
    void pollCycle_data() {
        QTest::addColumn<QList<int>>("mainReadings");  // of drive 1
        QTest::addColumn<QStringList>("others");
        QTest::addColumn<QList<int>>("drivesOnLine");
        QTest::addColumn<int>("slowDrive");          // answers 40 ms late; 0: none
        QTest::addColumn<QStringList>("twoCycles");  // "address:reading", "?" unanswered
        QTest::newRow("three drives in turn")
            << QList<int>{1, 2} << QStringList{"2:1", "3:1", "2:8"} << QList<int>{1, 2, 3} << 0
            << QStringList{"1:1", "1:2", "2:1", "2:8", "3:1", "1:1", "1:2", "2:1", "2:8", "3:1"};
        QTest::newRow("a silent drive asked once a cycle")
            << QList<int>{1} << QStringList{"3:1", "3:2", "2:1"} << QList<int>{1, 2} << 0
            << QStringList{"1:1", "3:1?", "3:2?", "2:1", "1:1", "3:1?", "2:1"};
        QTest::newRow("a slow drive keeps its turn")
            << QList<int>{1} << QStringList{"2:1", "2:2"} << QList<int>{1, 2} << 2
            << QStringList{"1:1", "2:1", "2:2", "1:1", "2:1", "2:2"};
        QTest::newRow("a channel named twice is asked once")
            << QList<int>{1} << QStringList{"1:1", "2:1"} << QList<int>{1, 2} << 0
            << QStringList{"1:1", "2:1", "1:1", "2:1"};
    }
    void pollCycle() {
        QFETCH(QList<int>, mainReadings);
        QFETCH(QStringList, others);
        QFETCH(QList<int>, drivesOnLine);
        QFETCH(int, slowDrive);
        QFETCH(QStringList, twoCycles);
        DriveRig rig(kRtu, k9600, sim::kDefaultTurnaroundMs,
                     std::vector<int>(drivesOnLine.begin(), drivesOnLine.end()));
        QVERIFY(rig.ready());
        if (slowDrive) QVERIFY(rig.drive.setDriveTurnaround(slowDrive, 40));
        rig.window->setReplyTimeout(1000);  // room for a busy machine and the slow drive
        exchange::Poller& poller = rig.window->poller();
        QStringList seen;
        QObject::connect(&poller, &exchange::Poller::sampleAdded, [&](const Sample& s) {
            seen << QStringLiteral("%1:%2%3").arg(s.address).arg(s.reading).arg(s.good() ? ""
                                                                                         : "?");
        });
        QVERIFY(rig.window->startPolling(std::vector<int>(mainReadings.begin(), mainReadings.end()),
                                         Channels(others)));
        QTRY_VERIFY_WITH_TIMEOUT(seen.size() >= twoCycles.size(), 10000);
        poller.stop();
        QCOMPARE(seen.mid(0, twoCycles.size()), twoCycles);
        QCOMPARE(poller.silent(3), twoCycles.join(' ').contains('?'));
        QVERIFY(rig.settle());
    }

    // Three drives at three frequencies: the trend window polls each one's output frequency,
    // draws each as its own line named by its drive, saves the samples with their addresses,
    // and a drive removed is no longer drawn.
    void trendPlotsThreeDrives() {
        DriveRig rig(kRtu, k9600, sim::kDefaultTurnaroundMs, {1, 2, 3});
        QVERIFY(rig.ready());
        rig.window->setReplyTimeout(1000);
        for (int address : {1, 2, 3})
            rig.drive.updateModel(address, [address](sim::DriveModel& m) {
                m.setFrequency(1000 * address);
                m.start();
            });
        rig.drive.advance(4000);  // ramped up: 10, 20 and 30 Hz
        TrendWindow* trend = rig.window->openTrend({1}, Channels({"2:1", "3:1"}));
        QCOMPARE(trend->driveColumns().size(), std::size_t(2));
        QVERIFY(trend->findChild<QCheckBox*>("output-frequency@3")->isChecked());
        QVERIFY(!trend->addDrive(1));  // the drive in the address box has the left column
        trend->startButton->click();
        exchange::Poller& poller = rig.window->poller();
        for (int address : {1, 2, 3})
            QTRY_VERIFY(poller.count(Channel{address, 1}, exchange::Verdict::Good) >= 2);
        trend->chart->refresh();
        for (int address : {1, 2, 3}) {
            const auto& points = trend->chart->trace().points({address, 1});
            QVERIFY(!points.empty());
            QCOMPARE(points.back().high, 10.0 * address);
        }
        QStringList names;
        for (QAbstractSeries* series : trend->chart->chart()->series())
            if (series->isVisible()) names << series->name();
        names.sort();
        QCOMPARE(names, (QStringList{"Drive 1 输出频率 (Hz)", "Drive 2 输出频率 (Hz)",
                                     "Drive 3 输出频率 (Hz)"}));
        QVERIFY(trend->chart->colour({2, 1}) != trend->chart->colour({3, 1}));

        QTemporaryDir dir;
        QString error;
        QVERIFY2(trend->saveSamples(dir.filePath("s.csv"), &error), qPrintable(error));
        QFile file(dir.filePath("s.csv"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QSet<QString> addresses;
        for (const QByteArray& row : file.readAll().split('\n').mid(1))
            if (!row.trimmed().isEmpty()) addresses << QString::fromUtf8(row.split(',').at(1));
        QCOMPARE(addresses, (QSet<QString>{"1", "2", "3"}));

        trend->findChild<QToolButton*>("removeDrive3")->click();
        QCOMPARE(trend->driveColumns().size(), std::size_t(1));
        QVERIFY(trend->findChild<QCheckBox*>("output-frequency@3") == nullptr);
        QCOMPARE(trend->chosenChannels().size(), std::size_t(1));
        // Removed while polling: drive 3 is asked no more.
        QTRY_COMPARE(poller.cycle(), (std::vector<Channel>{{1, 1}, {2, 1}}));
        poller.stop();
        QVERIFY(rig.settle());
    }

    // The drive finder's "find all" on a line of three drives: "监视全部" polls all three, the
    // first found in the address box; "备份全部" reads each into its own file (parameters 0..10
    // here).
    void finderServesEveryDriveFound() {
        DriveRig rig(kRtu, k9600, sim::kDefaultTurnaroundMs, {1, 2, 3});
        QVERIFY(rig.ready());
        rig.drive.updateModel(2, [](sim::DriveModel& m) { m.setParameter(7, 321); });
        ScanWindow* scan = rig.window->openScan();
        for (std::size_t i = 0; i < scan->baudBoxes.size(); ++i)
            scan->baudBoxes[i]->setChecked(i == std::size_t(k9600));
        for (std::size_t i = 0; i < scan->formatBoxes.size(); ++i)
            scan->formatBoxes[i]->setChecked(i == std::size_t(kRtu));
        scan->lastAddress->setValue(5);
        scan->budget->setValue(300);  // room for a busy machine: no drive missed
        scan->findAll->setChecked(true);
        QVERIFY(!scan->watchAllButton->isEnabled());
        scan->startButton->click();
        QTRY_VERIFY_WITH_TIMEOUT(!scan->scanning(), 10000);
        QVERIFY(scan->watchAllButton->isEnabled());

        scan->watchAllButton->click();
        exchange::Poller& poller = rig.window->poller();
        QVERIFY(poller.running());
        // In the order found: the first in the address box, each drive's output frequency.
        std::vector<Channel> cycle = poller.cycle();
        QCOMPARE(rig.window->inverterAddress->text(), QString::number(cycle.front().address));
        std::sort(cycle.begin(), cycle.end());
        QCOMPARE(cycle, (std::vector<Channel>{{1, 1}, {2, 1}, {3, 1}}));
        poller.stop();
        QVERIFY(rig.settle());

        QTemporaryDir dir;
        QVERIFY(scan->backupAll(dir.filePath("found"), 0, 10));
        QVERIFY(!scan->backupAllButton->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(!scan->backingUp(), 60000);
        QVERIFY2(scan->status->text().contains("1, 2, 3"), qPrintable(scan->status->text()));
        QFile file(QDir(dir.filePath("found")).filePath("drive-002.csv"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QString error;
        const auto set = drive::ReadParameterSet(file.readAll(), &error);
        QVERIFY2(set, qPrintable(error));
        QCOMPARE(set->address, 2);
        QCOMPARE(set->entries.size(), std::size_t(11));
        QCOMPARE(*set->entries.at(7).value, quint16(321));
    }

    // "多台变频器参数" against drive 1: the table marks drive 2's and drive 3's odd values, the
    // filters part alike from differing, and the writing mends drive 2 with read-back while
    // drive 3, which runs, is left alone and said so.
    void comparisonWindowMendsTheOddDrive() {
        DriveRig rig(kRtu, k9600, sim::kDefaultTurnaroundMs, {1, 2, 3});
        QVERIFY(rig.ready());
        const int p5 = rig.drive.model(1).parameter(5);
        const int p6 = rig.drive.model(1).parameter(6);
        rig.drive.updateModel(2, [](sim::DriveModel& m) { m.setParameter(5, 75); });
        rig.drive.updateModel(3, [](sim::DriveModel& m) {
            m.setParameter(6, 99);
            m.setFrequency(1000);
            m.start();
        });
        rig.drive.advance(500);
        DriveComparisonWindow* w = rig.window->openDriveComparison();
        QStringList asked;
        w->setConfirmation([&asked](const QString& question) {
            asked << question;
            return true;
        });
        w->addressesEdit->setText("1-3");
        w->referenceBox->setCurrentIndex(1);
        w->referenceDrive->setValue(1);
        w->lastParameter->setValue(10);
        w->compareDrives();
        QTRY_VERIFY_WITH_TIMEOUT(w->compareButton->isEnabled(), 20000);
        QCOMPARE(w->comparedDrives(), (std::vector<int>{1, 2, 3}));
        QStringList odd;
        for (const drive::ComparedRow& row : w->rows())
            for (std::size_t d = 0; d < row.states.size(); ++d)
                if (row.states[d] != drive::Comparison::Equal)
                    odd << QStringLiteral("P%1@%2=%3")
                               .arg(row.number)
                               .arg(d + 1)
                               .arg(row.values[d].value_or(0));
        QCOMPARE(odd, (QStringList{"P5@2=75", "P6@3=99"}));
        w->filterBox->setCurrentIndex(DriveComparisonWindow::kDifferent);
        QCOMPARE(w->table->rowCount(), 2);
        QVERIFY(w->table->item(0, 3)->text().contains("≠"));
        w->filterBox->setCurrentIndex(DriveComparisonWindow::kEqual);
        QCOMPARE(w->table->rowCount(), 9);

        w->writeDifferences();
        QCOMPARE(asked.size(), 1);
        QVERIFY2(asked.front().contains("2 drive(s)"), qPrintable(asked.front()));
        QTRY_VERIFY_WITH_TIMEOUT(w->compareButton->isEnabled() && w->writeResults().count(2),
                                 20000);
        QCOMPARE(w->writeResults().at(2).size(), std::size_t(1));
        QCOMPARE(w->writeResults().at(2).front().outcome, jobs::WriteOutcome::Written);
        QCOMPARE(w->writeResults().count(3), std::size_t(0));
        QVERIFY2(w->status->text().contains("drive 3: nothing written, it runs"),
                 qPrintable(w->status->text()));
        QCOMPARE(rig.drive.model(2).parameter(5), p5);
        QCOMPARE(rig.drive.model(3).parameter(6), 99);
        QVERIFY(p6 != 99);
        w->filterBox->setCurrentIndex(DriveComparisonWindow::kDifferent);
        QCOMPARE(w->table->rowCount(), 1);  // only drive 3's P6 left
    }

    // Three drives, the second set otherwise: a folder backup of all three, a comparison that
    // finds that one drive, a restore that puts it right with read-back, and a drive that is not
    // there said so.
    void parameterCommandsForThreeDrives() {
        sim::DriveServer drives;
        drives.setDrives({1, 2, 3});
        drives.updateModel(2, [](sim::DriveModel& m) { m.setParameter(5, 75); });
        QString device, error;
        QVERIFY2(drives.startPseudoTerminal(&device, &error), qPrintable(error));
        QTemporaryDir dir;
        const QString folder = dir.filePath("plant/line 1");

        Run run = RunProgram(device, {"--backup", folder, "--addresses", "1-3"});
        QVERIFY2(run.exitCode == 0, qPrintable(run.output));
        for (int address : {1, 2, 3}) {
            QFile file(QDir(folder).filePath(QStringLiteral("drive-00%1.csv").arg(address)));
            QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
            const auto set = drive::ReadParameterSet(file.readAll(), &error);
            QVERIFY2(set, qPrintable(error));
            QCOMPARE(set->address, address);
            QCOMPARE(set->entries.size(), std::size_t(21));
            QCOMPARE(*set->entries.at(5).value,
                     quint16(address == 2 ? 75 : drives.model(address).parameter(5)));
        }
        const QString reference = QDir(folder).filePath("drive-001.csv");

        run = RunProgram(device, {"--compare", reference, "--addresses", "1-3"});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.output.contains(QRegularExpression("P5 +\\d+ +\\d+ +75\\* +\\d+\n")),
                 qPrintable(run.output));
        QVERIFY2(run.output.contains("1 parameter(s) differ on 1 of 3 drive(s)"),
                 qPrintable(run.output));

        run = RunProgram(device, {"--restore", reference, "--addresses", "1-3"});
        QVERIFY2(run.exitCode == 0, qPrintable(run.output));
        QVERIFY2(run.output.contains("drive 2: 1 of 1 parameter(s) written and read back as meant"),
                 qPrintable(run.output));
        QCOMPARE(drives.model(2).parameter(5), drives.model(1).parameter(5));

        run = RunProgram(device, {"--compare-drive", "1", "--addresses", "2-4"});
        QCOMPARE(run.exitCode, 1);  // drive 4 is not there
        QVERIFY2(run.output.contains("drive 4: no answer") &&
                     run.output.contains("0 parameter(s) differ on 0 of 2 drive(s)"),
                 qPrintable(run.output));
    }
};

QTEST_MAIN(TestSeveralDrives)
#include "tst_several_drives.moc"
