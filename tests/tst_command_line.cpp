// The program's command line on a machine without a display: help, version and option errors
// work, and a missing display ends with one line and exit code 1.
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>

class TestCommandLine : public QObject {
    Q_OBJECT
  private slots:
    void withoutADisplay_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("display");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("output");  // a piece of stdout, or of stderr on failure
        QTest::newRow("help") << QStringList{"--help"} << "" << 0 << "--port <COMn=PATH>";
        QTest::newRow("version") << QStringList{"--version"} << "" << 0 << "modbus-debugger 0.";
        QTest::newRow("unknown option") << QStringList{"--bogus"} << "" << 2 << "bogus";
        QTest::newRow("bad port") << QStringList{"--port", "COM9=/dev/x"} << "" << 2 << "COM9";
        QTest::newRow("timeout above 2000")
            << QStringList{"--reply-timeout", "2001"} << "" << 2 << "2000";
        QTest::newRow("no display") << QStringList{} << "" << 1 << "no display";
        QTest::newRow("display unreachable")
            << QStringList{} << ":97" << 1 << "cannot open the display";
    }
    void withoutADisplay() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, display);
        QFETCH(int, exitCode);
        QFETCH(QString, output);
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QLatin1String(name));
        if (!display.isEmpty()) environment.insert(QStringLiteral("DISPLAY"), display);
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(MODBUS_DEBUGGER), arguments);
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), exitCode);
        const QString text = QString::fromLocal8Bit(exitCode == 0 ? program.readAllStandardOutput()
                                                                  : program.readAllStandardError());
        QVERIFY2(text.contains(output), qPrintable(text));
        if (exitCode == 1) QCOMPARE(text.trimmed().count(QLatin1Char('\n')), 0);  // one line
    }

    // Recorded rows reach the disk as they happen: killed without warning, the program leaves a
    // file of whole rows (but for the one being written), and monitoring wrote its samples too.
    void recordSurvivesAKill() {
        QTemporaryDir dir;
        const QString record = dir.filePath("record.csv");
        const QString samples = dir.filePath("samples.csv");
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(MODBUS_DEBUGGER),
                      {"--demo", "--monitor", "output-frequency,fault-code", "--record", record,
                       "--monitor-csv", samples});
        QVERIFY(program.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(record).size() > 4000, 10000);
        ::kill(pid_t(program.processId()), SIGKILL);
        QVERIFY(program.waitForFinished());
        QFile file(record);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        QList<QByteArray> rows = bytes.mid(3).split('\n');
        QVERIFY(rows.size() > 20);
        rows.removeLast();  // what follows the last line end, if anything
        QCOMPARE(rows.takeFirst().count(','), 9);
        for (const QByteArray& row : rows) {
            QVERIFY2(row.endsWith('\r'), row.constData());
            QVERIFY(row.contains(",TXD,") || row.contains(",RXD,"));
        }
        QFile sampleFile(samples);
        QVERIFY(sampleFile.open(QIODevice::ReadOnly));
        QVERIFY(sampleFile.readAll().contains(",output-frequency,0,0,good\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_command_line.moc"
