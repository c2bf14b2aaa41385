// The exchange on a scripted port: how a request goes out, how long its capture lasts, which
// bytes belong to which exchange, and what a closed port does.
#include <QRegularExpression>
#include <QtTest>
#include <map>

#include "exchange/exchange_core.h"
#include "fake_serial_port.h"

using exchange::Direction;
using exchange::Origin;
using exchange::Request;
using exchange::Verdict;

Q_DECLARE_METATYPE(Origin)
Q_DECLARE_METATYPE(Verdict)
Q_DECLARE_METATYPE(frame::Framing)

namespace {

// 4800 baud, 8N1: 2.08 ms a character, a frame gap of 7.3 ms.
const serial::PortSettings kSlowLine{4800, serial::Parity::None, 8, 1};
const QByteArray kRequest = QByteArray::fromHex("0104010180 49");
const QByteArray kReply = QByteArray::fromHex("0104030112C56D7D");
// The next reading (output current) and its answer.
const QByteArray kCurrentRequest = QByteArray::fromHex("01040102C048");
const QByteArray kCurrentReply = QByteArray::fromHex("0104030212C59D7D");

// The frames of the scripts below by letter: requests in capitals, their replies in lower case.
// C asks what A does with another data byte, D asks another drive, W is a broadcast.
QByteArray Frame(char name, frame::Framing framing) {
    const bool rtu = framing == frame::Framing::Rtu;
    const std::map<char, QByteArray> frames{
        {'A', rtu ? kRequest : QByteArray(":01040101F9\r\n")},
        {'a', rtu ? kReply : QByteArray(":0104030112C520\r\n")},
        {'B', rtu ? kCurrentRequest : QByteArray(":01040102F8\r\n")},
        {'b', rtu ? kCurrentReply : QByteArray(":0104030212C51F\r\n")},
        {'C', QByteArray::fromHex("01040201017960")},
        {'D', QByteArray::fromHex("02040101800D")},
        {'W', QByteArray::fromHex("000600100123C997")}};
    return frames.at(name);
}

struct Rig {
    FakeSerialPort port;
    exchange::ExchangeCore core{port};
    frame::Framing framing;
    std::vector<exchange::ExchangeRecord> records;

    explicit Rig(frame::Framing framing = frame::Framing::Rtu) : framing(framing) {
        port.open();
        core.setLine(kSlowLine, framing);
        QObject::connect(&core, &exchange::ExchangeCore::recordAdded,
                         [this](const exchange::ExchangeRecord& r) { records.push_back(r); });
    }
    // Each record as "TXD 0", "RXD 0 good a", "late 0 a", "not sent 1": received bytes by their
    // letter, or in hexadecimal.
    QStringList log() const {
        QStringList lines;
        for (const auto& r : records) {
            const char* tags[] = {"TXD", "RXD", "late", "not sent"};
            QString line = QStringLiteral("%1 %2").arg(tags[int(r.direction)]).arg(r.counter);
            if (r.direction == Direction::Received)
                line += QLatin1Char(' ') + exchange::VerdictEnglishName(*r.verdict);
            const QByteArray a = Frame('a', framing), b = Frame('b', framing);
            const bool received =
                r.direction == Direction::Received || r.direction == Direction::LateReceived;
            if (received && !r.bytes.isEmpty())
                line += r.bytes == a   ? QStringLiteral(" a")
                        : r.bytes == b ? QStringLiteral(" b")
                                       : QLatin1Char(' ') + QString::fromLatin1(r.bytes.toHex());
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
        QTest::newRow("timed mode leaves RTS alone")
            << Origin::Timed << writes + QStringList{"drain"};
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

    // A reply taken in several reads (a first poll byte by byte, a gateway's bursts) keeps the
    // time its first piece came as its first byte's, and the last piece's as its last. At 300
    // baud a frame gap is 128 ms, so the 60 ms between the pieces never ends the frame; over a
    // network a frame whose length byte says more is to come is waited for beyond the silence
    // that ends other bursts (30 ms and a 7 ms gap at 4800 baud).
    void piecesKeepTheFirstByteTime_data() {
        QTest::addColumn<Origin>("origin");
        QTest::addColumn<int>("linkSilenceMs");
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("firstPiece");  // bytes
        QTest::newRow("first poll of its kind") << Origin::Poll << 0 << 300 << 3;
        QTest::newRow("send button over a network") << Origin::Manual << 30 << 300 << 3;
        QTest::newRow("a gateway's long pause mid-frame") << Origin::Manual << 30 << 4800 << 3;
        QTest::newRow("a gateway's long pause after the address")
            << Origin::Manual << 30 << 4800 << 1;
    }
    void piecesKeepTheFirstByteTime() {
        QFETCH(Origin, origin);
        QFETCH(int, linkSilenceMs);
        QFETCH(int, baud);
        QFETCH(int, firstPiece);
        Rig rig;
        rig.port.linkSilence = std::chrono::milliseconds(linkSilenceMs);
        rig.core.setLine({baud, serial::Parity::None, 8, 1}, frame::Framing::Rtu);
        rig.core.setReplyTimeout(std::chrono::milliseconds(500));
        // The second piece follows the first by 60 ms however late the first came.
        QTimer::singleShot(20, &rig.core, [&rig, firstPiece] {
            rig.port.arrive(kReply.left(firstPiece));
            rig.port.arriveLater(60, kReply.mid(firstPiece));
        });
        const auto done =
            rig.core.waitForExchange(rig.core.submit({kRequest, origin}), std::chrono::seconds(3));
        QVERIFY(done);
        QCOMPARE(done->judgement.verdict, Verdict::Good);
        QCOMPARE(rig.port.arrivalTimes.size(), std::size_t(2));
        const auto sinceSend = [&](std::size_t piece) {
            return exchange::MillisecondsBetween(rig.port.drainedAt, rig.port.arrivalTimes[piece]);
        };
        const QString times = QStringLiteral("first %1 ms, last %2 ms; pieces at %3 and %4 ms")
                                  .arg(done->firstByteMs)
                                  .arg(done->lastByteMs)
                                  .arg(sinceSend(0))
                                  .arg(sinceSend(1));
        // The pieces are 60 ms apart: 15 ms tells one from the other, and leaves room for a
        // busy machine that takes the bytes in a few milliseconds late.
        QVERIFY2(std::abs(done->firstByteMs - sinceSend(0)) <= 15, qPrintable(times));
        QVERIFY2(std::abs(done->lastByteMs - sinceSend(1)) <= 15, qPrintable(times));
    }

    // Which exchange bytes belong to, step by step. A capture takes a reply still arriving at its
    // 50 ms or starting just after them, and one that pauses inside for longer than a frame gap
    // (7.3 ms at 4800 baud), as a USB adapter or a busy PC does: an ASCII line until its line end,
    // an RTU answer whose length says more is to come (paused after the press's quiet 50 ms, where
    // a pause is seen). A press's capture lasts its 50 ms even when a whole frame came early; a
    // poll ends with its own answer, not on the rest of an earlier reply before it nor on a pause
    // inside its answer, whose length the answer before told. (A poll leaves a frame gap after the
    // answer before; bytes taken after the quiet wait for an answer's length and a frame gap,
    // 22 ms, count as come when taken, so the poll rows' gaps are that much longer than the
    // silence they test.) A reply that comes after its capture, or during the next send (no drive
    // answers before it has heard the whole request), or ahead of the next reply, is late on its
    // own exchange, never mixed into another. A request whose answer would pass for that of the
    // unanswered one before it waits for that answer or for silence; a broadcast is owed nothing.
    // Steps: "pA"/"mA" a poll/press of A; "s" until idle; "d" until the last request's exchange
    // is done, waited for in an event loop as the program does; "a" the bytes of a now, "a@30"
    // 30 ms on, "a[:3]" and "a[3:]" its parts, "!a" unannounced, "^a" in the input while the next
    // request goes out; "r=a" the drive answers a, "r=" nothing; "T200" a reply timeout of 200 ms;
    // "#2" two frames sent by now; "w5" five records by now.
    void bytesBelongToTheirExchange_data() {
        QTest::addColumn<frame::Framing>("framing");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("log");
        const auto rtu = frame::Framing::Rtu, ascii = frame::Framing::Ascii;
        const QString good = "TXD 0|RXD 0 good a";
        const QString lateFirst = "TXD 0|RXD 0 no reply|late 0 a|TXD 1|RXD 1 no reply";
        const QString lateInTheNext = "TXD 0|RXD 0 no reply|TXD 1|late 0 a|RXD 1 good b";
        const QString nextGoes = "TXD 0|RXD 0 no reply|TXD 1|RXD 1 no reply";
        // clang-format off
        QTest::newRow("still arriving at 50 ms") << rtu << "a[:2]@40 a[2:4]@45 a[4:6]@50 a[6:]@55 mA d" << good;
        QTest::newRow("starting just after 50 ms") << rtu << "a[:3]@52 a[3:]@56 mA d" << good;
        QTest::newRow("rtu, paused inside the answer") << rtu << "T200 a[:3]@60 a[3:]@72 mA d" << good;
        QTest::newRow("ascii, paused before the line end") << ascii << "a[:15]@45 a[15:]@60 mA d" << good;
        QTest::newRow("a press takes what follows its frame") << rtu << "a@5 a@35 mA d" << "TXD 0|RXD 0 good 0104030112c56d7d0104030112c56d7d";
        QTest::newRow("a poll ends with its frame") << rtu << "a@5 a@35 pA d" << good;
        QTest::newRow("poll, rest of an earlier reply first") << rtu << "r=a pA s r= a[5:]@12 a@50 pA d" << good + "|TXD 1|RXD 1 good c56d7d0104030112c56d7d";
        QTest::newRow("poll, paused inside the answer") << rtu << "r=a pA s r= a[:4]@40 a[4:]@76 pA d" << good + "|TXD 1|RXD 1 good a";
        QTest::newRow("after the capture, then noise") << rtu << "a@150 mA w3 !a[:3] r=a mA s" << "TXD 0|RXD 0 no reply|late 0 a|late 0 010403|TXD 1|RXD 1 good a";
        QTest::newRow("rtu, during the send and after") << rtu << "pA s ^a[:3] a[3:]@1 b@30 pB s" << lateInTheNext;
        QTest::newRow("rtu, all during the send") << rtu << "pA s ^a b@30 pB s" << lateInTheNext;
        QTest::newRow("ascii, during the send and after") << ascii << "pA s ^a[:5] a[5:]@1 b@30 pB s" << lateInTheNext;
        QTest::newRow("ahead of the next reply, then its twin's") << rtu << "mA s a@10 b@40 mB s b@10 mB s" << lateInTheNext + "|TXD 2|RXD 2 good b";
        QTest::newRow("still arriving when the next is due") << rtu << "pA s !a[:3] a[3:]@2 pB #1 s" << lateFirst;
        QTest::newRow("more than one request behind") << rtu << "pA pB s a w5" << nextGoes + "|late 0 a";
        QTest::newRow("twin: the same reading") << rtu << "pA s pA #1 a s" << lateFirst;
        QTest::newRow("twin: another data byte") << rtu << "pA s pC #1 a s" << lateFirst;
        QTest::newRow("twin goes after silence") << rtu << "pA s pA #1 s" << nextGoes;
        QTest::newRow("another reading goes at once") << rtu << "pA s pB #2 s" << nextGoes;
        QTest::newRow("another drive goes at once") << rtu << "pA s pD #2 s" << nextGoes;
        QTest::newRow("broadcasts") << rtu << "mW s mW #2 s" << "TXD 0|RXD 0 broadcast|TXD 1|RXD 1 broadcast";
        // clang-format on
    }
    void bytesBelongToTheirExchange() {
        QFETCH(frame::Framing, framing);
        QFETCH(QString, script);
        Rig rig(framing);
        quint64 last = 0;
        for (const QString& step : script.split(' ')) {
            static const QRegularExpression bytes(
                R"(^([!^]?)([ab])(?:\[(\d*):(\d*)\])?(?:@(\d+))?$)");
            const QRegularExpressionMatch m = bytes.match(step);
            if (step == "s") {
                QVERIFY2(rig.settle(), qPrintable(rig.log().join('|')));
            } else if (step == "d") {
                QVERIFY2(rig.core.waitForExchange(last, std::chrono::seconds(2)),
                         qPrintable(rig.log().join('|')));
            } else if (step[0] == 'p' || step[0] == 'm') {
                const Origin origin = step[0] == 'p' ? Origin::Poll : Origin::Manual;
                last = rig.core.submit({Frame(step[1].toLatin1(), framing), origin});
            } else if (step[0] == '#') {
                QCOMPARE(int(rig.port.frames.size()), step.mid(1).toInt());
            } else if (step[0] == 'w') {
                QVERIFY(QTest::qWaitFor(
                    [&] { return int(rig.records.size()) >= step.mid(1).toInt(); }, 2000));
            } else if (step == "r=") {
                rig.port.responder = nullptr;
            } else if (step.startsWith("r=")) {
                rig.port.responder = [reply = Frame(step[2].toLatin1(), framing)](
                                         const QByteArray&) { return reply; };
            } else if (step[0] == 'T') {
                rig.core.setReplyTimeout(std::chrono::milliseconds(step.mid(1).toInt()));
            } else if (m.hasMatch()) {
                QByteArray part = Frame(m.captured(2)[0].toLatin1(), framing);
                part = part.mid(
                    m.captured(3).toInt(),
                    m.captured(4).isEmpty() ? -1 : m.captured(4).toInt() - m.captured(3).toInt());
                if (m.captured(1) == "!")
                    rig.port.arriveUnannounced(part);
                else if (m.captured(1) == "^")
                    rig.port.duringSend = part;
                else if (m.captured(5).isEmpty())
                    rig.port.arrive(part);
                else
                    rig.port.arriveLater(m.captured(5).toInt(), part);
            } else {
                QFAIL(qPrintable("no such step: " + step));
            }
        }
        QTEST(rig.log().join('|'), "log");
    }

    // A port faster than its baud rate has the answer in before the request's wire time is up:
    // it is the request's own when it answers no request still owed one (that one's comes late,
    // the rows above). Three in a row make the port known as fast, where a missing answer is not
    // waited for any longer than the capture: its twin goes at once.
    void answersFasterThanTheWire() {
        Rig rig;
        int found = 0;
        QObject::connect(&rig.core, &exchange::ExchangeCore::lineFasterThanBaudFound,
                         [&] { ++found; });
        rig.core.submit({kCurrentRequest, Origin::Manual});  // owed an answer from here on
        QVERIFY(rig.settle());
        for (int i = 0; i < 3; ++i) {
            rig.port.duringSend = kReply;
            const auto done = rig.core.waitForExchange(rig.core.submit({kRequest, Origin::Manual}),
                                                       std::chrono::seconds(2));
            QVERIFY(done);
            QCOMPARE(done->judgement.verdict, Verdict::Good);
            QCOMPARE(done->firstByteMs, 0);
            QCOMPARE(found, i == 2 ? 1 : 0);
        }
        QVERIFY(rig.core.lineFasterThanBaud());
        QVERIFY(rig.settle());
        rig.core.submit({kRequest, Origin::Poll});
        QVERIFY(rig.settle());
        rig.core.submit({kRequest, Origin::Poll});
        QCOMPARE(rig.port.frames.size(), std::size_t(6));
        rig.core.resetLineKnowledge();
        QVERIFY(!rig.core.lineFasterThanBaud());
    }

    // Bytes before any request went out have no request to be late for: no delay is made up.
    void bytesBeforeAnyRequest() {
        Rig rig;
        rig.port.arrive(kReply);
        QTRY_COMPARE(rig.records.size(), std::size_t(1));
        QCOMPARE(rig.records[0].direction, Direction::LateReceived);
        QCOMPARE(rig.records[0].firstByteMs, -1);
        QVERIFY2(rig.records[0].detail.contains("before this program sent any request"),
                 qPrintable(rig.records[0].detail));
    }

    // On a line that echoes what is sent, the request coming back during the send is its echo,
    // kept apart: neither a late reply nor the answer, which is awaited after it for the whole
    // reply timeout. A write's echo alone is no acknowledgement.
    void echoIsKeptApart_data() {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("duringSend");  // bytes of the echo there by the send's end
        QTest::addColumn<int>("answerMs");    // -1: no drive answers
        QTest::addColumn<Verdict>("verdict");
        const QByteArray write = QByteArray::fromHex("0102030C0010B981");  // parameter 12 = 16
        QTest::newRow("echo, then the answer after 100 ms")
            << kRequest << 6 << 100 << Verdict::Good;
        QTest::newRow("echo alone") << kRequest << 6 << -1 << Verdict::NoReply;
        QTest::newRow("the echo's last byte after the send")
            << kRequest << 5 << 30 << Verdict::Good;
        QTest::newRow("a write's echo alone") << write << 8 << -1 << Verdict::NoReply;
    }
    void echoIsKeptApart() {
        QFETCH(QByteArray, request);
        QFETCH(int, duringSend);
        QFETCH(int, answerMs);
        Rig rig;
        rig.core.setReplyTimeout(std::chrono::milliseconds(300));
        rig.port.duringSend = request.left(duringSend);
        if (duringSend < request.size()) rig.port.arriveLater(1, request.mid(duringSend));
        const QByteArray answer = request == kRequest ? kReply : request;
        if (answerMs >= 0) rig.port.arriveLater(answerMs, answer);
        const auto done = rig.core.waitForExchange(rig.core.submit({request, Origin::Manual}),
                                                   std::chrono::seconds(2));
        QVERIFY(done);
        QCOMPARE(done->echo, request);
        QCOMPARE(done->reply, answerMs >= 0 ? answer : QByteArray());
        QTEST(done->judgement.verdict, "verdict");
        QVERIFY(done->judgement.detail.contains("came back"));
        if (answerMs >= 0) QVERIFY(done->firstByteMs >= answerMs - 5);
        QCOMPARE(rig.log().size(), 2);  // TXD and RXD, no late line
    }

    // While one exchange is on the line, requests queue: presses (capitals) in the order made,
    // a stop ("!", urgent) right after the last press before it, ahead of timed-mode ticks
    // ("t", "u") and polls ("p") queued behind that press, never ahead of a press or the exchange
    // in flight. Ticks that find the line busy send the latest cells once, not a backlog.
    void queuedRequestsKeepTheirOrder_data() {
        QTest::addColumn<QString>("submitted");
        QTest::addColumn<QString>("sent");
        // clang-format off
        QTest::newRow("a stop ahead of a tick") << "A t ! B" << "A!tB";
        QTest::newRow("a start behind a tick, then a stop") << "t A !" << "tA!";
        QTest::newRow("a stop ahead of ticks and polls") << "t p !" << "!tp";
        QTest::newRow("a start put back behind a poll, then a stop") << "p A p !" << "pA!p";
        QTest::newRow("ticks on a busy line") << "t u" << "u";
        // clang-format on
    }
    void queuedRequestsKeepTheirOrder() {
        QFETCH(QString, submitted);
        Rig rig;
        const auto soon = exchange::Clock::now() + std::chrono::milliseconds(30);
        rig.core.submit({kRequest, Origin::Manual});  // in flight
        for (const QString& word : submitted.split(QLatin1Char(' '))) {
            const QByteArray byte = word.toLatin1();
            if (word == QLatin1String("t") || word == QLatin1String("u"))
                rig.core.submit({byte, Origin::Timed});
            else if (word == QLatin1String("p"))
                rig.core.submit({byte, Origin::Poll});
            else
                rig.core.submit({byte, Origin::Manual, soon, word == QLatin1String("!")});
        }
        QVERIFY(rig.settle());
        QTEST(QString::fromLatin1(rig.port.written.mid(kRequest.size())), "sent");
        // Nothing goes out before its moment.
        rig.port.written.clear();
        rig.core.submit({QByteArray("C"), Origin::Manual,
                         exchange::Clock::now() + std::chrono::milliseconds(100)});
        QTest::qWait(60);
        QVERIFY(rig.port.written.isEmpty());
        QVERIFY(rig.settle());
        QCOMPARE(rig.port.written, QByteArray("C"));
    }

    // Each request's own completion is told once, with its own exchange.
    void completionComesWithItsExchange() {
        Rig rig;
        rig.port.responder = [](const QByteArray& frame) {
            return frame == kRequest ? kReply : kCurrentReply;
        };
        std::vector<QByteArray> replies;
        const auto keep = [&](const exchange::Exchange& e) { replies.push_back(e.reply); };
        rig.core.submit({kRequest, Origin::Manual}, keep);
        rig.core.submit({kCurrentRequest, Origin::Manual}, keep);
        QVERIFY(rig.settle());
        QCOMPARE(replies, (std::vector<QByteArray>{kReply, kCurrentReply}));
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

    // A closed port sends nothing; the completion still comes, with its exchange not sent.
    void closedPortSendsNothing() {
        Rig rig;
        rig.port.close();
        rig.port.refuseOpen = true;
        bool notSent = false;
        QCOMPARE(rig.core.submit({kRequest, Origin::Manual},
                                 [&](const exchange::Exchange& e) { notSent = !e.sent; }),
                 quint64(0));
        QVERIFY(notSent);
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
