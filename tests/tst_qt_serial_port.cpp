// The QSerialPort-backed port on a real pseudo-terminal: bytes both ways, failures that must not
// take the program down.
#include <QtTest>

#include "pty_pair.h"
#include "serial/qt_serial_port.h"

class TestQtSerialPort : public QObject {
    Q_OBJECT
  private slots:
    // Every byte value crosses both ways unchanged, one byte per write as the window sends.
    void bytesCrossTheLineBothWays() {
        TestLine pty;
        QVERIFY(pty.isValid());
        serial::QtSerialPort port(MapTo(pty.slavePath()));
        port.setSettings(QStringLiteral("9600,e,8,1"));
        QVERIFY2(port.open(), qPrintable(port.errorText()));
        port.setRts(false);  // a pseudo-terminal has no RTS line: ignored, port stays open
        QByteArray all;
        for (int i = 0; i < 256; ++i) all.append(static_cast<char>(i));
        for (char byte : all) port.write(QByteArray(1, byte));
        port.drain(std::chrono::milliseconds(400));
        port.setRts(true);
        QVERIFY(port.isOpen());
        QCOMPARE(pty.read(all.size(), 2000).toHex(), all.toHex());

        // Without running any event, what has reached the device counts as pending.
        QVERIFY(pty.write(all));
        QTest::qSleep(50);
        QCOMPARE(port.pendingInputCount(), all.size());
        QCOMPARE(port.readPendingInput().toHex(), all.toHex());
        QCOMPARE(port.pendingInputCount(), 0);
    }

    void drainLastsAtLeastTheWireTime() {
        TestLine pty;
        serial::QtSerialPort port(MapTo(pty.slavePath()));
        port.setSettings(QStringLiteral("4800,n,8,1"));
        QVERIFY(port.open());
        using Clock = std::chrono::steady_clock;
        QElapsedTimer clock;
        clock.start();
        const Clock::time_point started = Clock::now();
        for (int i = 0; i < 48; ++i) port.write("U");
        const Clock::time_point left = port.drain(std::chrono::milliseconds(500));
        const Clock::time_point returned = Clock::now();
        // 48 characters of 10 bits at 4800 baud need 100 ms on the wire: RTS must not come back
        // on before, even where the driver reports its queue empty at once.
        QVERIFY2(clock.elapsed() >= 100, qPrintable(QString::number(clock.elapsed())));
        QVERIFY2(clock.elapsed() < 400, qPrintable(QString::number(clock.elapsed())));
        // Replies are timed from the moment the last byte left, not from the drain's return one
        // character (2.08 ms) later.
        QVERIFY(left >= started + std::chrono::microseconds(99900));
        QVERIFY(left <= returned - std::chrono::microseconds(2000));
    }

    // What stands at the path decides the words.
    void openFailureSaysWhy_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("reason");
        // clang-format off
        QTest::newRow("missing path") << "missing" << "9600,n,8,1" << "no such device";
        QTest::newRow("/dev/null") << "null" << "9600,n,8,1" << "not a serial port";
        QTest::newRow("regular file") << "file" << "9600,n,8,1" << "a file, not a serial device";
        QTest::newRow("directory") << "folder" << "9600,n,8,1" << "a folder, not a serial device";
        QTest::newRow("busy device") << "busy" << "9600,n,8,1" << "busy: ";
        QTest::newRow("settings the port cannot take") << "null" << "9600," << "the settings \"9600,\" are not a line setting";
        // clang-format on
    }
    void openFailureSaysWhy() {
        QFETCH(QString, kind);
        QFETCH(QString, settings);
        QTemporaryDir scratch;
        QString device;
        std::unique_ptr<TestLine> line;
        std::unique_ptr<serial::QtSerialPort> holder;
        if (kind == QLatin1String("missing")) device = scratch.filePath(QStringLiteral("ttyUSB9"));
        if (kind == QLatin1String("null")) device = QStringLiteral("/dev/null");
        if (kind == QLatin1String("folder")) device = scratch.path();
        if (kind == QLatin1String("file")) {
            device = scratch.filePath(QStringLiteral("capture.txt"));
            QFile file(device);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        if (kind == QLatin1String("busy")) {
            line = std::make_unique<TestLine>();
            device = line->slavePath();
            holder = std::make_unique<serial::QtSerialPort>(MapTo(device));
            QVERIFY(holder->open());
        }
        serial::QtSerialPort port(MapTo(device));
        port.setSettings(settings);
        QVERIFY(!port.open());
        QVERIFY(!port.isOpen());
        const QString text = port.errorText();
        // The device is named, then why it cannot serve.
        QVERIFY2(text.startsWith(QStringLiteral("COM1 (%1): ").arg(device)), qPrintable(text));
        QFETCH(QString, reason);
        QVERIFY2(text.contains(reason), qPrintable(text));
        // Which program holds a busy port, where the system says: here, this test.
        if (kind == QLatin1String("busy"))
            QVERIFY2(text.contains(QString::number(QCoreApplication::applicationPid())),
                     qPrintable(text));
        // A closed port drops writes and yields nothing.
        port.write("x");
        port.setRts(true);
        port.drain(std::chrono::milliseconds(10));
        QCOMPARE(port.pendingInputCount(), 0);
        QVERIFY(port.readPendingInput().isEmpty());
    }

    void vanishingDeviceClosesOnceAndReports() {
        auto pty = std::make_unique<TestLine>();
        serial::QtSerialPort port(MapTo(pty->slavePath()));
        QVERIFY(port.open());
        int failures = 0;
        port.setFailureHandler([&](const QString&) { ++failures; });
        pty.reset();
        // The hang-up shows when the event loop or a read looks at the device.
        QTRY_VERIFY_WITH_TIMEOUT(!port.isOpen() || (port.pendingInputCount(), !port.isOpen()),
                                 2000);
        QCOMPARE(failures, 1);
        QVERIFY(!port.errorText().isEmpty());
        port.write("x");
        QCOMPARE(port.pendingInputCount(), 0);
    }
};

QTEST_GUILESS_MAIN(TestQtSerialPort)
#include "tst_qt_serial_port.moc"
