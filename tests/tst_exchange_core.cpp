// The exchange on a scripted port: how a request goes out, how long its capture lasts, which
// bytes belong to which exchange, and what a closed port does.
#include <QtTest>

#include "exchange/exchange_core.h"
#include "fake_serial_port.h"

using exchange::Direction;
using exchange::Origin;
using exchange::Verdict;

Q_DECLARE_METATYPE(Origin)
Q_DECLARE_METATYPE(Verdict)

namespace {

// 4800 baud, 8N1: 2.08 ms a character, a frame gap of 7.3 ms.
const serial::PortSettings kSlowLine{4800, serial::Parity::None, 8, 1};
const QByteArray kRequest = QByteArray::fromHex("0104010180 49");
const QByteArray kReply = QByteArray::fromHex("0104030112C56D7D");

struct Rig {
    FakeSerialPort port;
    exchange::ExchangeCore core{port};
    std::vector<exchange::ExchangeRecord> records;

    explicit Rig(frame::Framing framing = frame::Framing::Rtu) {
        port.open();
        core.setLine(kSlowLine, framing);
        QObject::connect(&core, &exchange::ExchangeCore::recordAdded,
                         [this](const exchange::ExchangeRecord& r) { records.push_back(r); });
    }
    // Each record as "TXD 0", "RXD 0 good", "late 0", "not sent 1".
    QStringList log() const {
        QStringList lines;
        for (const auto& r : records) {
            const char* tags[] = {"TXD", "RXD", "late", "not sent"};
            QString line = QStringLiteral("%1 %2").arg(tags[int(r.direction)]).arg(r.counter);
            if (r.direction == Direction::Received)
                line += QLatin1Char(' ') + exchange::VerdictEnglishName(*r.verdict);
            lines << line;
        }
        return lines;
    }
    bool settle(int ms = 3000) {
        return QTest::qWaitFor([this] { return core.idle(); }, ms);
    }
};

}  // namespace

class TestExchangeCore : public QObject {
    Q_OBJECT
  private slots:
    void howARequestGoesOut_data() {
        QTest::addColumn<Origin>("origin");
        QTest::addColumn<QStringList>("events");
        const QStringList writes{"write 01", "write 04", "write 01",
                                 "write 01", "write 80", "write 49"};
        QTest::newRow("send button")
            << Origin::Manual << QStringList{"rts off"} + writes + QStringList{"drain", "rts on"};
        QTest::newRow("poll") << Origin::Poll
                              << QStringList{"rts off"} + writes + QStringList{"drain", "rts on"};
        QTest::newRow("timed mode leaves RTS alone") << Origin::Timed << writes;
    }
    void howARequestGoesOut() {
        QFETCH(Origin, origin);
        QFETCH(QStringList, events);
        Rig rig;
        rig.port.events.clear();
        QVERIFY(rig.core.submit({kRequest, origin}) != 0);
        QCOMPARE(rig.port.events, events);
        // The TXD record is there before the send returns, with the counter it shares with its
        // reply.
        QCOMPARE(rig.log(), QStringList{"TXD 0"});
        QVERIFY(rig.settle());
        QCOMPARE(rig.log(), (QStringList{"TXD 0", "RXD 0 no reply"}));
        QCOMPARE(rig.core.counter(), 1);
    }

    // Arrival times in ms after the send; every piece comes within a frame gap of the one before,
    // as characters on a slow line do, so each reply must be captured whole.
    void captureEndsWithTheFrame_data() {
        QTest::addColumn<QList<int>>("times");
        QTest::addColumn<Verdict>("verdict");
        QTest::newRow("all at once early") << QList<int>{5} << Verdict::Good;
        QTest::newRow("still arriving at 50 ms")
            << QList<int>{40, 45, 50, 55, 60, 65, 70, 75} << Verdict::Good;
        QTest::newRow("starting just after 50 ms") << QList<int>{52, 56, 60, 64} << Verdict::Good;
        QTest::newRow("starting at 120 ms is late") << QList<int>{120} << Verdict::NoReply;
    }
    void captureEndsWithTheFrame() {
        QFETCH(QList<int>, times);
        QFETCH(Verdict, verdict);
        Rig rig;
        // Split the reply over the arrival times, the rest with the last one.
        for (int i = 0; i < times.size(); ++i) {
            const bool last = i + 1 == times.size();
            rig.port.arriveLater(times[i], last ? kReply.mid(i) : kReply.mid(i, 1));
        }
        rig.core.submit({kRequest, Origin::Manual});
        std::optional<exchange::Exchange> done =
            rig.core.waitForExchange(1, std::chrono::seconds(2));
        QVERIFY(done);
        QCOMPARE(done->judgement.verdict, verdict);
        QCOMPARE(done->reply, verdict == Verdict::Good ? kReply : QByteArray());
    }

    // A poll ends with its own answer: not on the rest of an earlier reply before it, nor on a
    // pause inside its answer, whose length the answer before told.
    void pollEndsWithItsOwnAnswer_data() {
        // The request leaves a frame gap (7 ms) after the answer before; then come the bytes before
        // at 12 ms, the answer's first `split` bytes at `answerMs` and the rest at `restMs`. Bytes
        // taken after the quiet wait for an answer's length and a frame gap (22 ms) count as come
        // when taken, so the gaps here are that much longer than the silence they test.
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<int>("split");
        QTest::addColumn<int>("answerMs");
        QTest::addColumn<int>("restMs");
        QTest::newRow("rest of an earlier reply first") << kReply.mid(5) << 8 << 50 << 0;
        QTest::newRow("pause inside the answer") << QByteArray() << 4 << 40 << 76;
    }
    void pollEndsWithItsOwnAnswer() {
        QFETCH(QByteArray, before);
        QFETCH(int, split);
        QFETCH(int, answerMs);
        QFETCH(int, restMs);
        Rig rig;
        rig.port.responder = [](const QByteArray&) { return kReply; };
        rig.core.submit({kRequest, Origin::Poll});
        QVERIFY(rig.settle());
        rig.port.responder = nullptr;
        for (auto [ms, bytes] :
             {std::pair{12, before}, {answerMs, kReply.left(split)}, {restMs, kReply.mid(split)}})
            if (!bytes.isEmpty()) rig.port.arriveLater(ms, bytes);
        const auto done = rig.core.waitForExchange(rig.core.submit({kRequest, Origin::Poll}),
                                                   std::chrono::seconds(2));
        QVERIFY(done);
        QCOMPARE(done->judgement.verdict, Verdict::Good);
        QCOMPARE(done->reply, before + kReply);
    }

    // A reply that comes after its capture is logged on its own, with its exchange's counter, and
    // never mixed into the next reply.
    void lateReplyStaysApart() {
        Rig rig;
        rig.port.arriveLater(150, kReply);
        rig.core.submit({kRequest, Origin::Manual});
        QVERIFY(QTest::qWaitFor([&] { return rig.records.size() == 3; }, 2000));
        rig.port.arriveUnannounced(kReply.left(3));  // noise whose news comes after the send
        rig.port.responder = [](const QByteArray&) { return kReply; };
        rig.core.submit({kRequest, Origin::Manual});
        QVERIFY(rig.settle());
        QCOMPARE(rig.log(), (QStringList{"TXD 0", "RXD 0 no reply", "late 0", "late 0", "TXD 1",
                                         "RXD 1 good"}));
        QCOMPARE(rig.records[2].bytes, kReply);
        QVERIFY(rig.records[2].firstByteMs >= 100);
    }

    // An ASCII reply may pause between its characters for longer than RTU's frame gap.
    void asciiReplyWithAPause() {
        Rig rig(frame::Framing::Ascii);
        rig.port.arriveLater(45, ":0104030112C520");
        rig.port.arriveLater(60, "\r\n");  // 15 ms on: twice the frame gap at 4800 baud
        const quint64 id = rig.core.submit({QByteArray(":01040101F9\r\n"), Origin::Manual});
        const std::optional<exchange::Exchange> done =
            rig.core.waitForExchange(id, std::chrono::seconds(2));
        QVERIFY(done);
        QCOMPARE(done->judgement.verdict, Verdict::Good);
    }

    // A wait gives up at its bound even while a capture with a long timeout runs on: waking a
    // little early must not leave it asleep until the capture ends.
    void waitEndsAtItsBound() {
        Rig rig;
        rig.core.setReplyTimeout(std::chrono::milliseconds(2000));
        const quint64 id = rig.core.submit({kRequest, Origin::Manual});
        for (int i = 0; i < 8; ++i)
            QVERIFY(!rig.core.waitForExchange(id, std::chrono::milliseconds(150)));
        QVERIFY(rig.settle());
    }

    // One exchange at a time: sends that come while a capture runs go out after it, in order.
    void sendsWaitForTheCaptureInFlight() {
        Rig rig;
        rig.port.responder = [](const QByteArray&) { return kReply; };
        rig.core.submit({kRequest, Origin::Manual});
        rig.core.submit({kRequest, Origin::Manual});
        QVERIFY(rig.settle());
        QCOMPARE(rig.log(), (QStringList{"TXD 0", "RXD 0 good", "TXD 1", "RXD 1 good"}));
    }

    // Ticks that find the line busy send the latest cells once, not a backlog.
    void timedTicksDoNotPileUp() {
        Rig rig;
        rig.core.submit({kRequest, Origin::Manual});
        const quint64 first = rig.core.submit({QByteArray("A"), Origin::Timed});
        const quint64 second = rig.core.submit({QByteArray("B"), Origin::Timed});
        QCOMPARE(second, first);
        QVERIFY(rig.settle());
        QCOMPARE(rig.port.written, kRequest + "B");
    }

    void closedPortSendsNothing() {
        Rig rig;
        rig.port.close();
        rig.port.refuseOpen = true;
        QCOMPARE(rig.core.submit({kRequest, Origin::Manual}), quint64(0));
        for (int tick = 0; tick < 3; ++tick) rig.core.submit({kRequest, Origin::Timed});
        // The send tried the port each time; timed mode says once that nothing went out.
        QCOMPARE(rig.port.openCount, 5);
        QCOMPARE(rig.log(), (QStringList{"not sent 0", "not sent 0"}));
        QVERIFY(rig.port.written.isEmpty());
        rig.port.refuseOpen = false;
        rig.core.submit({kRequest, Origin::Timed});
        QCOMPARE(rig.log().last(), QStringLiteral("TXD 0"));
        QVERIFY(rig.settle());
    }
};

QTEST_GUILESS_MAIN(TestExchangeCore)
#include "tst_exchange_core.moc"
