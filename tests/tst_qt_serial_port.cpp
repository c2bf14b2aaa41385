// The QSerialPort-backed port on a real pseudo-terminal: bytes both ways, failures that must not
// take the program down.
#include <QtTest>

#include "pty_pair.h"
#include "serial/qt_serial_port.h"

namespace {

serial::PortMap MapTo(const QString& device) {
    serial::PortMap map;
    map.devices[0] = device;
    return map;
}

}  // namespace

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

    void missingDeviceFailsQuietly_data() {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("reason");
        // clang-format off
        QTest::newRow("absent device") << "/dev/does-not-exist" << "9600,n,8,1" << "device not found";
        QTest::newRow("settings the port cannot take") << "/dev/null" << "9600," << "the settings \"9600,\" are not a line setting";
        // clang-format on
    }
    void missingDeviceFailsQuietly() {
        QFETCH(QString, device);
        QFETCH(QString, settings);
        serial::QtSerialPort port(MapTo(device));
        port.setSettings(settings);
        QVERIFY(!port.open());
        QVERIFY(!port.isOpen());
        QTEST(port.errorText().section(QStringLiteral(": "), 1), "reason");
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
