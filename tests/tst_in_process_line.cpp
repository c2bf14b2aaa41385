// The simulated drive where it runs on Qt alone, as in the Windows build: on the program's own
// in-process line (--demo), and behind a TCP port served from a Qt thread. Requests reach it
// after their wire time, its answers come at the line's pace, judged like any other line's.
#include <QRegularExpression>
#include <QtTest>

#include "exchange/exchange_core.h"
#include "frame/frame_composer.h"
#include "serial/line_selector.h"
#include "sim/drive_server.h"
#include "sim/in_process_line.h"
#include "sim/qt_tcp_drive.h"

Q_DECLARE_METATYPE(frame::Framing)

class TestInProcessLine : public QObject {
    Q_OBJECT
  private slots:
    void readingsAnswered_data() {
        QTest::addColumn<frame::Framing>("framing");
        QTest::addColumn<QString>("settings");
        QTest::addColumn<int>("turnaround");
        QTest::newRow("RTU 9600") << frame::Framing::Rtu << "9600,n,8,1" << 5;
        QTest::newRow("ASCII 4800, slow drive") << frame::Framing::Ascii << "4800,e,7,1" << 30;
    }
    void readingsAnswered() {
        QFETCH(frame::Framing, framing);
        QFETCH(QString, settings);
        QFETCH(int, turnaround);
        sim::DriveServer drive(3);
        drive.setTurnaround(turnaround);
        drive.updateModel([](sim::DriveModel& model) { model.setParameter(7, 4321); });
        sim::InProcessLine line(drive);
        line.setSettings(settings);
        QVERIFY(line.open());
        exchange::ExchangeCore core(line);
        core.setLine(*serial::ParseSettings(settings), framing);
        const frame::RequestFields read{"3", "1", "1", "7", {}};  // parameter 7
        const auto done = core.waitForExchange(
            core.submit({frame::ComposeFrame(read, framing), exchange::Origin::Poll}),
            std::chrono::seconds(2));
        QVERIFY(done);
        QCOMPARE(done->judgement.verdict, exchange::Verdict::Good);
        QCOMPARE(quint8(done->judgement.body.at(4)) << 8 | quint8(done->judgement.body.at(5)),
                 4321);
        // The answer starts after the drive's turnaround and its first character's wire time.
        QVERIFY2(done->firstByteMs >= turnaround, qPrintable(QString::number(done->firstByteMs)));
    }

    // The TCP side: a raw gateway's drive, reached through the program's network line.
    void qtTcpSideAnswers() {
        // The server and its sockets must live on the drive's thread, not the caller's.
        QTest::failOnWarning(QRegularExpression(QStringLiteral("different thread")));
        sim::DriveServer drive(1);
        drive.setTurnaround(20);
        sim::QtTcpDrive server([&drive](const sim::Request& r) { return drive.answer(r); },
                               std::chrono::microseconds(1042), [] { return 20; },
                               [] { return false; });
        quint16 port = 0;
        QString error;
        QVERIFY2(server.start(0, &port, &error), qPrintable(error));
        serial::PortMap map;
        map.devices[0] = QStringLiteral("tcp://127.0.0.1:%1").arg(port);
        serial::LineSelector line(map);
        line.setPortNumber(1);
        QVERIFY(QTest::qWaitFor([&] { return line.open(); }, 2000));
        exchange::ExchangeCore core(line);
        core.setLine({9600, serial::Parity::None, 8, 1}, frame::Framing::Rtu);
        const frame::RequestFields read{"1", "4", "1", "1", {}};
        for (int i = 0; i < 3; ++i) {
            const auto done =
                core.waitForExchange(core.submit({frame::ComposeFrame(read, frame::Framing::Rtu),
                                                  exchange::Origin::Manual}),
                                     std::chrono::seconds(2));
            QVERIFY(done);
            QCOMPARE(done->judgement.verdict, exchange::Verdict::Good);
            QVERIFY2(done->firstByteMs >= 20, qPrintable(QString::number(done->firstByteMs)));
        }
        server.stop();
        QTRY_VERIFY(!line.isOpen());
    }
};

QTEST_GUILESS_MAIN(TestInProcessLine)
#include "tst_in_process_line.moc"
