// The program's command line on a machine without a display: help, version and option errors
// work, and a missing display ends with one line and exit code 1.
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>

#include "program_environment.h"
#include "serial/port_settings.h"
#include "sim/drive_server.h"

class TestCommandLine : public QObject {
    Q_OBJECT
  private slots:
    void withoutADisplay_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("display");
        QTest::addColumn<QString>("locale");  // LANG
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("output");  // a piece of stdout, or of stderr on failure
        const QString english = QStringLiteral("en_US.UTF-8");
        QTest::newRow("help") << QStringList{"--help"} << "" << english << 0 << "Show this help";
        QTest::newRow("version") << QStringList{"--version"} << "" << english << 0
                                 << "modbus-debugger 0.";
        QTest::newRow("unknown option") << QStringList{"--bogus"} << "" << english << 2 << "bogus";
        QTest::newRow("bad port") << QStringList{"--port", "COM9=/dev/x"} << "" << english << 2
                                  << "expected COMn=PATH";
        QTest::newRow("timeout above 2000")
            << QStringList{"--reply-timeout", "2001"} << "" << english << 2 << "from 50 to 2000";
        QTest::newRow("unknown language")
            << QStringList{"--language", "de"} << "" << english << 2 << "zh or en";
        QTest::newRow("no display") << QStringList{} << "" << english << 1 << "no display";
        QTest::newRow("display unreachable")
            << QStringList{} << ":1997" << english << 1 << "cannot open the display";
        // Chinese is the default for every locale but an English one, and --language wins. (The
        // wording of each message is tst_translations' to check.)
        QTest::newRow("help, C locale") << QStringList{"--help"} << ""
                                        << "C.UTF-8" << 0 << "显示本帮助后结束";
        QTest::newRow("help, English asked for") << QStringList{"--help", "--language", "en"} << ""
                                                 << "zh_CN.UTF-8" << 0 << "Show this help";
        QTest::newRow("help, Chinese asked for") << QStringList{"--help", "--language", "zh"} << ""
                                                 << english << 0 << "显示本帮助后结束";
    }
    void withoutADisplay() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, display);
        QFETCH(QString, locale);
        QFETCH(int, exitCode);
        QFETCH(QString, output);
        QProcess program;
        QProcessEnvironment environment = WithoutDisplay(locale);
        if (!display.isEmpty()) environment.insert(QStringLiteral("DISPLAY"), display);
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(MODBUS_DEBUGGER), arguments);
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), exitCode);
        const QString text = QString::fromUtf8(exitCode == 0 ? program.readAllStandardOutput()
                                                             : program.readAllStandardError());
        QVERIFY2(text.contains(output), qPrintable(text));
        if (exitCode == 1) QCOMPARE(text.trimmed().count(QLatin1Char('\n')), 0);  // one line
    }

    // Recorded rows reach the disk as they happen: killed without warning, the program leaves a
    // file of whole rows (but for the one being written), and monitoring wrote its samples too.
    // A second run appends to the same file after a row that marks its start.
    void recordSurvivesAKill() {
        QTemporaryDir dir;
        const QString record = dir.filePath("record.csv");
        const QString samples = dir.filePath("samples.csv");
        for (int run = 1; run <= 2; ++run) {
            QProcess program;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
            program.setProcessEnvironment(environment);
            const qint64 sizeBefore = QFileInfo(record).size();
            program.start(QStringLiteral(MODBUS_DEBUGGER),
                          {"--demo", "--monitor", "output-frequency,fault-code", "--record", record,
                           "--monitor-csv", samples, "--language", "en"});
            QVERIFY(program.waitForStarted());
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(record).size() > sizeBefore + 4000, 10000);
            ::kill(pid_t(program.processId()), SIGKILL);
            QVERIFY(program.waitForFinished());
        }
        QFile file(record);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        QList<QByteArray> rows = bytes.mid(3).split('\n');
        QVERIFY(rows.size() > 40);
        rows.removeLast();  // what follows the last line end, if anything
        QCOMPARE(rows.takeFirst().count(','), 9);
        QVERIFY2(rows.first().contains(",new run,"), rows.first().constData());
        int runs = 0;
        for (const QByteArray& row : rows) {
            if (row.contains(",new run,")) {
                ++runs;
                QVERIFY(row.endsWith('\r'));
                QVERIFY2(row.contains("modbus-debugger 0.") && row.contains("COM1 (/dev/pts/") &&
                             row.contains("9600 baud, ASCII 8,N,1"),
                         row.constData());
                continue;
            }
            QVERIFY2(row.endsWith('\r'), row.constData());
            // A busy machine may delay a reply past its capture: a late row is a whole row too.
            QVERIFY2(row.contains(",TXD,") || row.contains(",RXD,") || row.contains(",late RXD,"),
                     row.constData());
        }
        QCOMPARE(runs, 2);
        QFile sampleFile(samples);
        QVERIFY(sampleFile.open(QIODevice::ReadOnly));
        QVERIFY(sampleFile.readAll().contains(",output-frequency,0,0,good\r\n"));
    }

    // --scan without a display: a range that holds no drive ends with exit status 1 and says how
    // long it took, a bad list with 2, a device that is not there with 3. (A drive found through
    // the command line is tst_gateway's scan row; which drives a scan finds, tst_drive_scan's.)
    void scanEndsWithItsExitStatus_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("firstLine");
        // A budget that a busy machine's delays fit into.
        const QStringList narrowed{"--scan-bauds",  "9600,19200",    "--scan-formats",
                                   "rtu8n1,RTU8O1", "--scan-budget", "100"};
        QTest::newRow("none in the range")
            << narrowed + QStringList{"--scan-addresses", "1-3"} << 1 << "12 probes in ";
        QTest::newRow("a baud rate not offered")
            << QStringList{"--scan-bauds", "1200"} << 2 << "--scan-bauds: no baud rate";
        QTest::newRow("a device that is not there")
            << QStringList{"--port", "COM1=/dev/no-such-adapter"} << 3
            << "modbus-debugger: COM1 (/dev/no-such-adapter): no such device";
    }
    void scanEndsWithItsExitStatus() {
        QFETCH(QStringList, options);
        QFETCH(int, exitCode);
        QFETCH(QString, firstLine);
        sim::DriveServer drive(17);
        drive.setOwnLine(*serial::ParseSettings(QStringLiteral("19200,o,8,1")));
        drive.setStrictLine(true);
        QString path, error;
        QVERIFY2(drive.startPseudoTerminal(&path, &error), qPrintable(error));
        QProcess program;
        program.setProcessEnvironment(WithoutDisplay());
        program.start(QStringLiteral(MODBUS_DEBUGGER),
                      QStringList{"--scan", "--port", "COM1=" + path} + options);
        QVERIFY(program.waitForFinished(30000));
        const QString out = QString::fromUtf8(exitCode >= 2 ? program.readAllStandardError()
                                                            : program.readAllStandardOutput());
        QVERIFY2(program.exitCode() == exitCode, qPrintable(out));
        QCOMPARE(out.count(QStringLiteral("COM1 (")), exitCode == 3 ? 1 : 0);  // named once
        QVERIFY2(out.contains(firstLine), qPrintable(out));
        if (exitCode < 2) {
            QVERIFY2(out.trimmed().split('\n').last().contains(" probes in "), qPrintable(out));
            QCOMPARE(drive.requestsSeen(), drive.requestsSeen(4));  // the monitor read alone
        }
    }

    // A backup of one drive restored into a second makes the second compare equal; before the
    // restore it differs; a damaged file is refused with exit status 2.
    void backupRestoreCompare() {
        QTemporaryDir dir;
        const QString file = dir.filePath("drive-a.csv");
        sim::DriveServer a(1), b(1);
        a.updateModel([](sim::DriveModel& m) { m.setParameter(12, 1234); });
        b.updateModel([](sim::DriveModel& m) { m.setParameter(20, 3); });
        QString pathA, pathB, error;
        QVERIFY(a.startPseudoTerminal(&pathA, &error) && b.startPseudoTerminal(&pathB, &error));
        const auto run = [](const QString& path, const QStringList& command, QString* out) {
            QProcess program;
            program.setProcessEnvironment(WithoutDisplay());
            program.start(QStringLiteral(MODBUS_DEBUGGER),
                          QStringList{"--port", "COM1=" + path, "--baud", "38400", "--format",
                                      "rtu-8n1", "--parameters", "0-30"} +
                              command);
            program.waitForFinished(30000);
            *out =
                QString::fromUtf8(program.readAllStandardOutput() + program.readAllStandardError());
            return program.exitCode();
        };
        QString out;
        QCOMPARE(run(pathA, {"--backup", file}, &out), 0);
        QVERIFY2(out.contains("31 parameters read, 0 without a value"), qPrintable(out));
        QCOMPARE(run(pathB, {"--compare", file}, &out), 1);
        QVERIFY2(out.contains("P12: drive 1500, file 1234") &&
                     out.contains("P20: drive 3, file ") && out.contains("2 parameter(s) differ"),
                 qPrintable(out));
        QCOMPARE(run(pathB, {"--restore", file}, &out), 0);
        QVERIFY2(out.contains("2 of 2 parameter(s) written"), qPrintable(out));
        QCOMPARE(run(pathB, {"--compare", file}, &out), 0);
        QCOMPARE(b.model().parameter(12), 1234);
        QFile damaged(file);
        QVERIFY(damaged.open(QIODevice::Append));
        damaged.write("31,70000,\r\n");
        damaged.close();
        QCOMPARE(run(pathB, {"--restore", file}, &out), 2);
        QVERIFY2(out.contains("line 38: the value is not"), qPrintable(out));

        // A multiple of 256 is named with its value and not written; a backup into a folder
        // that is not there fails before the first request.
        b.updateModel([](sim::DriveModel& m) { m.setParameter(9, 7); });
        a.updateModel([](sim::DriveModel& m) { m.setParameter(9, 512); });
        QCOMPARE(run(pathA, {"--backup", file}, &out), 0);
        QCOMPARE(run(pathB, {"--restore", file}, &out), 1);
        QVERIFY2(out.contains("P9 = 512 not written: a multiple of 256"), qPrintable(out));
        const int seen = b.requestsSeen();
        QCOMPARE(run(pathB, {"--backup", dir.filePath("no-such-folder/b.csv")}, &out), 2);
        QVERIFY2(out.contains("no-such-folder"), qPrintable(out));
        QCOMPARE(b.requestsSeen(), seen);
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_command_line.moc"
