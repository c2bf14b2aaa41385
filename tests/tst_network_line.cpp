// The line through a serial device server in raw TCP mode, against the simulated drive's own
// TCP listener: replies that arrive in pieces are read whole, and the line's limit counts the
// request's wire time once. (A gateway that goes away and comes back is tst_gateway's.)
#include <QtTest>

#include "exchange/exchange_core.h"
#include "exchange/poller.h"
#include "jobs/parameter_jobs.h"
#include "line_reading.h"
#include "pty_pair.h"
#include "serial/line_selector.h"
#include "sim/drive_server.h"

class TestNetworkLine : public QObject {
    Q_OBJECT
  private slots:
    void chunkedRepliesAreReadWhole_data() {
        QTest::addColumn<frame::Framing>("framing");
        QTest::addColumn<int>("chunk");
        QTest::addColumn<int>("turnaround");
        QTest::newRow("ASCII in pieces of 4") << frame::Framing::Ascii << 4 << 5;
        // The send's 50 ms capture falls in a pause between two pieces.
        QTest::newRow("RTU pieces across the 50 ms") << frame::Framing::Rtu << 3 << 42;
    }
    // Pieces 10 ms apart are one reply: a network link waits longer for a frame's end. The reply
    // timeout leaves room for a busy machine, where the first piece may come after the 50 ms.
    void chunkedRepliesAreReadWhole() {
        QFETCH(frame::Framing, framing);
        QFETCH(int, chunk);
        QFETCH(int, turnaround);
        sim::DriveServer drive;
        drive.setChunk(chunk);
        drive.setTurnaround(turnaround);
        quint16 port = 0;
        QString error;
        QVERIFY2(drive.startTcp(0, &port, &error), qPrintable(error));
        serial::LineSelector line(MapTo(drive.devicePath()));
        line.setPortNumber(1);
        QVERIFY2(line.open(), qPrintable(line.errorText()));
        exchange::ExchangeCore core(line);
        core.setLine({9600, serial::Parity::None, 8, 1}, framing);
        core.setReplyTimeout(std::chrono::milliseconds(300));
        for (int i = 0; i < 3; ++i) QCOMPARE(ReadOnce(core, framing), exchange::Verdict::Good);
        jobs::ParameterJobOptions options;
        options.framing = framing;
        jobs::ParameterRead read(options, 0, 9);
        jobs::JobRunner runner(core);
        bool finished = false;
        QObject::connect(&runner, &jobs::JobRunner::finished, [&] { finished = true; });
        QVERIFY(runner.start(&read));
        QVERIFY(QTest::qWaitFor([&] { return finished; }, 10000));
        for (const auto& entry : read.set().entries) QVERIFY(entry.second.value.has_value());
    }

    // Over a network the first byte's delay already holds the request's wire time at the
    // gateway: the line's limit the trend window shows does not count it twice. At 4800 baud a
    // poll takes a 12.5 ms request, 5 ms turnaround, a 16.7 ms answer and a 7.3 ms gap: 24 a
    // second at best. Counting the request twice would put the limit below the rate the poller
    // reaches; a busy machine slows both alike, so the rate is the yardstick, not the clock.
    void lineLimitOverTheNetwork() {
        sim::DriveServer drive;
        const serial::PortSettings line4800{4800, serial::Parity::None, 8, 1};
        drive.setOwnLine(line4800);
        quint16 port = 0;
        QString error;
        QVERIFY2(drive.startTcp(0, &port, &error), qPrintable(error));
        serial::LineSelector line(MapTo(drive.devicePath()));
        line.setPortNumber(1);
        QVERIFY2(line.open(), qPrintable(line.errorText()));
        exchange::ExchangeCore core(line);
        core.setLine(line4800, frame::Framing::Rtu);
        exchange::Poller poller(core);
        int good = 0;
        QObject::connect(&poller, &exchange::Poller::sampleAdded,
                         [&](const exchange::Sample& s) { good += s.good(); });
        poller.start({1}, 1);
        QVERIFY(QTest::qWaitFor([&] { return good >= 30; }, 10000));
        const double reached = poller.rate(1);
        poller.stop();
        const QString figures =
            QStringLiteral("limit %1, reached %2").arg(poller.lineLimit()).arg(reached);
        QVERIFY2(reached > 0 && reached <= 1.05 * poller.lineLimit(), qPrintable(figures));
        QVERIFY2(poller.lineLimit() < 27, qPrintable(figures));
    }
};

QTEST_GUILESS_MAIN(TestNetworkLine)
#include "tst_network_line.moc"
