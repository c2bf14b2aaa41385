// The drive finder against the simulated drive on a pseudo-terminal with wire timing: the job
// runner switches the program's own port from setting to setting through the exchange core.
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "drive/drive_requests.h"
#include "history_dump.h"
#include "jobs/drive_scan.h"
#include "jobs/scan_options.h"
#include "pty_pair.h"
#include "serial/qt_serial_port.h"
#include "sim/drive_server.h"

using jobs::DriveScan;
using jobs::ProbeOutcome;
using jobs::ScanOptions;

namespace {

constexpr int k9600 = 1, k19200 = 2;
constexpr int kAsciiN = 0, kRtuN = 3, kRtuO = 4;

// The user's own setting, which every scan must leave behind: 9600 baud, ASCII 8,N,1.
constexpr int kUserBaud = k9600, kUserFormat = kAsciiN;

struct ScanRig {
    QTemporaryDir dir;
    sim::DriveServer drive;
    bool started = false;
    std::unique_ptr<serial::QtSerialPort> port;
    std::unique_ptr<exchange::ExchangeCore> core;
    std::unique_ptr<jobs::PortLineSwitch> line;
    std::unique_ptr<jobs::JobRunner> runner;
    int restores = 0;

    ScanRig(const QList<int>& addresses, const QString& own, bool strict) {
        drive.setDrives(std::vector<int>(addresses.begin(), addresses.end()));
        drive.setOwnLine(*serial::ParseSettings(own));
        drive.setStrictLine(strict);
        const QString link = dir.filePath(QStringLiteral("COM1"));
        drive.setLinkPath(link);
        QString path, error;
        started = drive.startPseudoTerminal(&path, &error);
        port = std::make_unique<serial::QtSerialPort>(MapTo(link));
        core = std::make_unique<exchange::ExchangeCore>(*port);
        line = std::make_unique<jobs::PortLineSwitch>(*port, *core, [this] {
            ++restores;
            useUserSetting();
        });
        runner = std::make_unique<jobs::JobRunner>(*core, line.get());
        port->setPortNumber(1);
        useUserSetting();
    }
    void useUserSetting() { line->apply(kUserBaud, kUserFormat); }
    bool run(DriveScan& scan) {
        QSignalSpy finished(runner.get(), &jobs::JobRunner::finished);
        return runner->start(&scan) && finished.wait(60000);
    }
};

ScanOptions Options(const QList<int>& bauds, const QList<int>& formats, int first, int last) {
    ScanOptions options;
    options.bauds.assign(bauds.begin(), bauds.end());
    options.formats.assign(formats.begin(), formats.end());
    options.firstAddress = first;
    options.lastAddress = last;
    options.currentBaud = kUserBaud;
    options.currentFormat = kUserFormat;
    options.budget = std::chrono::milliseconds(100);  // room for a busy machine's delays
    return options;
}

// The drives found as "address baud format", the delay left out.
QStringList Found(const DriveScan& scan) {
    QStringList found;
    for (const jobs::ScanRow& row : scan.drives())
        found << jobs::FoundLine(row).section(QLatin1Char(' '), 0, 3);
    return found;
}

}  // namespace

class TestDriveScan : public QObject {
    Q_OBJECT
  private slots:
    void findsDrives_data() {
        QTest::addColumn<QList<int>>("drives");
        QTest::addColumn<QString>("own");
        QTest::addColumn<bool>("strict");
        QTest::addColumn<bool>("echo");
        QTest::addColumn<QList<int>>("bauds");
        QTest::addColumn<QList<int>>("formats");
        QTest::addColumn<int>("last");
        QTest::addColumn<int>("preferred");
        QTest::addColumn<bool>("findAll");
        QTest::addColumn<QStringList>("found");
        QTest::addColumn<int>("mostProbes");
        // clang-format off
        QTest::newRow("strict drive at 17, 19200 8,O,1")
            << QList<int>{17} << "19200,o,8,1" << true << false << QList<int>{k9600, k19200}
            << QList<int>{kRtuN, kRtuO} << 20 << 1 << false
            << QStringList{"17 19200 RTU 8,O,1"} << 80;
        QTest::newRow("three drives, find all")
            << QList<int>{1, 7, 32} << "9600,n,8,1" << false << false << QList<int>{k9600}
            << QList<int>{kRtuN} << 40 << 1 << true
            << QStringList{"1 9600 RTU 8,N,1", "7 9600 RTU 8,N,1", "32 9600 RTU 8,N,1"} << 40;
        QTest::newRow("the address box's address at every setting first")
            << QList<int>{200} << "19200,n,8,1" << true << false << QList<int>{k9600, k19200}
            << QList<int>{kRtuN, kRtuO} << 247 << 200 << false
            << QStringList{"200 19200 RTU 8,N,1"} << 6;
        QTest::newRow("echoing line, the drive behind the echo")
            << QList<int>{3} << "9600,n,8,1" << true << true << QList<int>{k9600}
            << QList<int>{kRtuN} << 5 << 1 << false << QStringList{"3 9600 RTU 8,N,1"} << 3;
        // clang-format on
    }
    // The drive is found at its own settings; the user's setting is back afterwards; and the
    // drive heard nothing but the monitor read.
    void findsDrives() {
        QFETCH(QList<int>, drives);
        QFETCH(QString, own);
        QFETCH(bool, strict);
        QFETCH(bool, echo);
        QFETCH(QList<int>, bauds);
        QFETCH(QList<int>, formats);
        QFETCH(int, last);
        QFETCH(int, preferred);
        QFETCH(bool, findAll);
        QFETCH(int, mostProbes);
        ScanRig rig(drives, own, strict);
        QVERIFY(rig.started);
        rig.drive.setEcho(echo);
        ScanOptions options = Options(bauds, formats, 1, last);
        options.preferredAddress = preferred;
        options.findAll = findAll;
        DriveScan scan(options);
        QVERIFY(rig.run(scan));
        QTEST(Found(scan), "found");
        QVERIFY2(scan.stepsDone() <= mostProbes, qPrintable(QString::number(scan.stepsDone())));
        QCOMPARE(rig.restores, 1);
        QCOMPARE(rig.core->lineSettings().baudRate, 9600);
        QCOMPARE(rig.core->framing(), frame::Framing::Ascii);
        QVERIFY(rig.drive.requestsSeen() > 0);
        QCOMPARE(rig.drive.requestsSeen(drive::kReadMonitor), rig.drive.requestsSeen());
    }

    void classifiesSilence_data() {
        QTest::addColumn<QList<int>>("drives");
        QTest::addColumn<QString>("own");
        QTest::addColumn<bool>("echo");
        QTest::addColumn<QString>("injection");
        QTest::addColumn<ProbeOutcome>("outcome");
        QTest::addColumn<int>("answeredAs");  // the row's address for another address's answer
        // clang-format off
        QTest::newRow("nothing") << QList<int>{9} << "9600,n,8,1" << false << "none"
                                 << ProbeOutcome::Silent << 0;
        QTest::newRow("echo only") << QList<int>{9} << "9600,n,8,1" << true << "none"
                                   << ProbeOutcome::Echo << 0;
        QTest::newRow("noise") << QList<int>{1} << "9600,n,8,1" << false << "garbage"
                               << ProbeOutcome::Garbled << 0;
        QTest::newRow("another address answers") << QList<int>{1} << "9600,n,8,1" << false
                                                 << "other-address" << ProbeOutcome::OtherAddress
                                                 << 2;
        QTest::newRow("an exception") << QList<int>{1} << "9600,n,8,1" << false << "exception"
                                      << ProbeOutcome::OtherAnswer << 0;
        // clang-format on
    }
    // One setting, addresses 1 to 3, no drive found: what came back is named.
    void classifiesSilence() {
        QFETCH(QList<int>, drives);
        QFETCH(QString, own);
        QFETCH(bool, echo);
        QFETCH(QString, injection);
        QFETCH(ProbeOutcome, outcome);
        QFETCH(int, answeredAs);
        ScanRig rig(drives, own, true);
        QVERIFY(rig.started);
        rig.drive.setEcho(echo);
        rig.drive.setInjection(*sim::ParseInjection(injection));
        DriveScan scan(Options({k9600}, {kRtuN}, 1, 3));
        QVERIFY(rig.run(scan));
        QVERIFY(scan.drives().empty());
        QCOMPARE(scan.settingOutcome(k9600, kRtuN), outcome);
        const std::vector<jobs::ScanRow> rows = scan.rows();
        QVERIFY(std::any_of(rows.begin(), rows.end(), [&](const jobs::ScanRow& row) {
            return row.outcome == outcome && (answeredAs == 0 || row.address == answeredAs);
        }));
        QVERIFY(!jobs::OutcomeText(outcome).isEmpty());
    }

    // The command line's lists: the format buttons' names in any spelling, a framing for its
    // three formats, and a refusal that says what was not understood.
    void commandLineLists_data() {
        QTest::addColumn<QString>("bauds");
        QTest::addColumn<QString>("formats");
        QTest::addColumn<QString>("addresses");
        QTest::addColumn<QString>("expected");  // "bauds/formats/first-last", or the error's start
        // clang-format off
        QTest::newRow("names as the buttons spell them") << "9600,38400" << "RTU8E1, ascii8n1" << "17" << "1 3/5 0/17-17";
        QTest::newRow("a framing for its three") << "4800" << "rtu" << "1-247" << "0/3 4 5/1-247";
        QTest::newRow("a rate not offered") << "1200" << "rtu" << "1-2" << "no baud rate \"1200\"";
        QTest::newRow("a format not offered") << "9600" << "rtu7n1" << "1-2" << "no data format \"rtu7n1\"";
        QTest::newRow("range upside down") << "9600" << "rtu" << "9-3" << "no address range \"9-3\"";
        QTest::newRow("address above 247") << "9600" << "rtu" << "1-248" << "no address range";
        // clang-format on
    }
    void commandLineLists() {
        QFETCH(QString, bauds);
        QFETCH(QString, formats);
        QFETCH(QString, addresses);
        QFETCH(QString, expected);
        QString error;
        const auto baudList = jobs::ParseBaudList(bauds, &error);
        const auto formatList = baudList ? jobs::ParseFormatList(formats, &error) : std::nullopt;
        int first = 0, last = 0;
        const bool range = formatList && jobs::ParseAddressRange(addresses, &first, &last, &error);
        if (!range) {
            QVERIFY2(error.startsWith(expected), qPrintable(error));
            return;
        }
        const auto joined = [](const std::vector<int>& list) {
            QStringList words;
            for (int i : list) words << QString::number(i);
            return words.join(' ');
        };
        QCOMPARE(QStringLiteral("%1/%2/%3-%4")
                     .arg(joined(*baudList), joined(*formatList))
                     .arg(first)
                     .arg(last),
                 expected);
    }

    // A stop ends the scan within the probe on the line and puts the user's setting back.
    void stopEndsWithinOneProbe() {
        ScanRig rig({99}, "9600,n,8,1", true);
        QVERIFY(rig.started);
        DriveScan scan(Options({k19200}, {kRtuN}, 1, 247));
        QSignalSpy finished(rig.runner.get(), &jobs::JobRunner::finished);
        QVERIFY(rig.runner->start(&scan));
        QVERIFY(QTest::qWaitFor([&] { return scan.stepsDone() >= 3; }, 5000));
        QCOMPARE(rig.core->lineSettings().baudRate, 19200);
        const int atStop = scan.stepsDone();
        rig.runner->stop();
        QVERIFY(finished.wait(1000) || finished.count() == 1);
        QCOMPARE(finished.at(0).at(0).toBool(), true);
        QVERIFY(scan.stepsDone() <= atStop + 1);
        QCOMPARE(rig.restores, 1);
        QCOMPARE(rig.core->lineSettings().baudRate, 9600);
        QVERIFY(rig.port->isOpen());
    }

    // The line vanishes under the scan: it pauses with the reason and goes on when it is back.
    void pausesWhileThePortIsGone() {
        ScanRig rig({30}, "9600,n,8,1", false);
        QVERIFY(rig.started);
        DriveScan scan(Options({k9600}, {kRtuN}, 1, 40));
        QSignalSpy paused(rig.runner.get(), &jobs::JobRunner::pausedChanged);
        QSignalSpy finished(rig.runner.get(), &jobs::JobRunner::finished);
        QVERIFY(rig.runner->start(&scan));
        QVERIFY(QTest::qWaitFor([&] { return scan.stepsDone() >= 3; }, 5000));
        rig.drive.stop();
        QVERIFY(paused.wait(5000));
        QCOMPARE(paused.at(0).at(0).toBool(), true);
        QVERIFY(!paused.at(0).at(1).toString().isEmpty());
        const int whilePaused = scan.stepsDone();
        QTest::qWait(1500);
        QCOMPARE(scan.stepsDone(), whilePaused);
        QString path, error;
        QVERIFY2(rig.drive.reopen(&path, &error), qPrintable(error));
        QVERIFY(finished.wait(10000));
        QVERIFY2(Found(scan) == QStringList{"30 9600 RTU 8,N,1"},
                 qPrintable(HistoryDump(rig.core->history())));  // what went over the line
        QCOMPARE(paused.last().at(0).toBool(), false);
        QCOMPARE(rig.restores, 1);
    }
};

QTEST_MAIN(TestDriveScan)
#include "tst_drive_scan.moc"
