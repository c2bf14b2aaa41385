// Listening to another master's bus: bytes with their arrival times cut into frames, frames
// paired and judged, and what they say. Checks were computed with a separate CRC/LRC routine.
#include <QtTest>

#include "drive/reply_decoder.h"
#include "exchange/exception_reply.h"
#include "listen/bus_pairing.h"
#include "listen/bus_statistics.h"
#include "listen/frame_meaning.h"

using exchange::Verdict;
using frame::Framing;
using listen::FrameShape;

Q_DECLARE_METATYPE(Framing)

namespace {

// 9600 baud 8N1: a character takes 1042 us, a silence of 1.5 characters ends a frame.
const serial::PortSettings kLine{9600, serial::Parity::None, 8, 1};

// RTU bytes as hex digits; ASCII as text, "~" standing for CR LF.
QByteArray Bytes(Framing framing, const QString& text) {
    if (framing == Framing::Rtu) return QByteArray::fromHex(text.toLatin1());
    return text.toLatin1().replace('~', "\r\n");
}

QString Text(Framing framing, const QByteArray& bytes) {
    if (framing == Framing::Rtu) return QString::fromLatin1(bytes.toHex().toUpper());
    return QString::fromLatin1(QByteArray(bytes).replace("\r\n", "~"));
}

// Each frame as "W bytes" (whole), "B bytes" (spoiled check) or "N bytes" (noise).
QStringList Describe(Framing framing, const std::vector<listen::BusFrame>& frames) {
    QStringList lines;
    for (const listen::BusFrame& f : frames) {
        const char* shape = f.shape == FrameShape::Whole      ? "W"
                            : f.shape == FrameShape::BadCheck ? "B"
                                                              : "N";
        lines << QStringLiteral("%1 %2").arg(shape, Text(framing, f.bytes));
    }
    return lines;
}

// "0 bytes|20000 bytes": reads of the port, each at its time in microseconds.
std::vector<listen::BusFrame> Split(Framing framing, const QString& reads, int* beforeSilence,
                                    qint64 hold = 2'000'000) {
    listen::FrameSplitter splitter(kLine, framing);
    std::vector<listen::BusFrame> frames;
    qint64 last = 0;
    for (const QString& read : reads.split('|')) {
        last = read.section(' ', 0, 0).toLongLong();
        splitter.feed(Bytes(framing, read.section(' ', 1)), last);
        for (auto& f : splitter.take()) frames.push_back(std::move(f));
    }
    *beforeSilence = int(frames.size());
    splitter.idle(last + hold);
    splitter.flush();
    for (auto& f : splitter.take()) frames.push_back(std::move(f));
    return frames;
}

}  // namespace

class TestListening : public QObject {
    Q_OBJECT
  private slots:
    // Frames end where their structure and check say; silence only places the end of bytes that
    // make no whole frame. `beforeSilence` counts the frames out before the line fell silent.
    void framesSplit_data() {
        QTest::addColumn<Framing>("framing");
        QTest::addColumn<QString>("reads");
        QTest::addColumn<QString>("frames");
        QTest::addColumn<int>("beforeSilence");
        const Framing rtu = Framing::Rtu, ascii = Framing::Ascii;
        const QString big = QStringLiteral(
            "01033C000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F202122232425"
            "262728292A2B2C2D2E2F303132333435363738393A3BC08C");
        // clang-format off
        QTest::newRow("request, reply after 20 ms") << rtu << "0 010401018049|27000 0104030112C56D7D" << "W 010401018049,W 0104030112C56D7D" << 2;
        QTest::newRow("request and reply in one read") << rtu << "0 0104010180490104030112C56D7D" << "W 010401018049,W 0104030112C56D7D" << 2;
        QTest::newRow("one frame in 32-byte pieces 16 ms apart")
            << rtu << QStringLiteral("0 %1|16000 %2|32000 %3").arg(big.left(64), big.mid(64, 64), big.mid(128)) << "W " + big << 1;
        QTest::newRow("standard write of two registers") << rtu << "0 0110000100020400010002E262" << "W 0110000100020400010002E262" << 1;
        QTest::newRow("spoiled check, then a reply") << rtu << "0 010401018000|20000 0104030112C56D7D" << "B 010401018000,W 0104030112C56D7D" << 2;
        QTest::newRow("spoiled check merged with the reply") << rtu << "0 0104010180000104030112C56D7D" << "B 010401018000,W 0104030112C56D7D" << 2;
        QTest::newRow("cut short, then a request") << rtu << "0 01040101|10000 010401018049" << "N 01040101,W 010401018049" << 2;
        QTest::newRow("a tail, then a reply across the adapter's pieces") << rtu << "0 80490104030112|16000 C56D7D" << "N 8049,W 0104030112C56D7D" << 2;
        QTest::newRow("noise alone waits for silence") << rtu << "0 FF7E3C" << "N FF7E3C" << 0;
        QTest::newRow("exception reply") << rtu << "0 010300000002C40B|9000 018302C0F1" << "W 010300000002C40B,W 018302C0F1" << 2;
        QTest::newRow("ascii request and reply in one read") << ascii << "0 :01040101F9~:0104030112C520~" << "W :01040101F9~,W :0104030112C520~" << 2;
        QTest::newRow("ascii line in pieces") << ascii << "0 :0104|16000 0101F|32000 9~" << "W :01040101F9~" << 1;
        QTest::newRow("ascii noise before the colon") << ascii << "0 xy:01040101F9~" << "N xy,W :01040101F9~" << 2;
        QTest::newRow("ascii cut short by the next frame") << ascii << "0 :0104|9000 :01040101F9~" << "N :0104,W :01040101F9~" << 2;
        QTest::newRow("ascii spoiled check") << ascii << "0 :01040101F8~" << "B :01040101F8~" << 1;
        QTest::newRow("ascii line never ended") << ascii << "0 :01040101F9" << "N :01040101F9" << 0;
        // clang-format on
    }
    void framesSplit() {
        QFETCH(Framing, framing);
        QFETCH(QString, reads);
        int out = -1;
        const auto split = Split(framing, reads, &out);
        QTEST(Describe(framing, split).join(','), "frames");
        QTEST(out, "beforeSilence");
    }

    // A read's bytes are dated back from its arrival by their wire time; a frame keeps its
    // first and last byte's time.
    void framesKeepTheirTimes() {
        listen::FrameSplitter splitter(kLine, Framing::Rtu);
        const qint64 c = splitter.characterUs();
        splitter.feed(QByteArray::fromHex("01040101"), 10'000);
        splitter.feed(QByteArray::fromHex("8049"), 12'100);
        splitter.feed(QByteArray::fromHex("0104030112C56D7D"), 40'000);
        const auto frames = splitter.take();
        QCOMPARE(frames.size(), std::size_t(2));
        QCOMPARE(frames[0].firstByteUs, 10'000 - 4 * c);
        QCOMPARE(frames[0].lastByteUs, 12'100);
        QCOMPARE(frames[1].firstByteUs, 40'000 - 8 * c);
        QCOMPARE(frames[1].lastByteUs, 40'000);
    }

    // Each frame's role and verdict: a reply answers the open request before it; a request
    // nobody answered is unanswered once the next request comes or its window closes.
    void framesPair_data() {
        QTest::addColumn<QString>("reads");
        QTest::addColumn<QString>("roles");  // "role verdict response-ms" per frame
        // clang-format off
        QTest::newRow("reading answered") << "0 010401018049|27000 0104030112C56D7D" << "request good 18,reply good 18";
        QTest::newRow("unanswered, then the next") << "0 010401018049|100000 02040101800D" << "request no reply -,request no reply -";
        QTest::newRow("a write confirmed by its echo") << "0 0102030C012CB800|30000 0102030C012CB800" << "request good 21,reply good 21";
        QTest::newRow("a reading asked again") << "0 010401018049|60000 010401018049" << "request no reply -,request no reply -";
        QTest::newRow("reply without its request") << "0 0104030112C56D7D" << "reply without request no request heard -";
        QTest::newRow("spoiled reply") << "0 010401018049|27000 0104030112C56D00" << "request check error 18,reply check error 18";
        QTest::newRow("standard exception") << "0 010300000002C40B|20000 018302C0F1" << "request exception 14,reply exception 14";
        QTest::newRow("broadcast owes nothing") << "0 0006000100AA59A4|50000 010401018049" << "request broadcast -,request no reply -";
        QTest::newRow("another slave's frame in between")
            << "0 010401018049|20000 0204030112C56D4E|40000 0104030112C56D7D"
            << "request good 31,reply without request no request heard -,reply good 31";
        QTest::newRow("noise from nobody") << "0 FF7E3C|60000 010401018049" << "noise incomplete -,request no reply -";
        // clang-format on
    }
    void framesPair() {
        QFETCH(QString, reads);
        int unused = 0;
        listen::BusPairing pairing(Framing::Rtu);
        for (const auto& f : Split(Framing::Rtu, reads, &unused)) pairing.add(f);
        pairing.flush();
        QStringList lines;
        for (const listen::HeardFrame& h : pairing.take()) {
            const QString verdict = h.role == listen::FrameRole::UnpairedReply
                                        ? QStringLiteral("no request heard")
                                        : exchange::VerdictEnglishName(h.verdict);
            lines << QStringLiteral("%1 %2 %3")
                         .arg(listen::RoleName(h.role), verdict,
                              h.responseUs < 0 ? QStringLiteral("-")
                                               : QString::number(h.responseUs / 1000));
        }
        QTEST(lines.join(','), "roles");
    }

    // Per address: requests, replies, the unanswered, check errors, and the response times.
    void statisticsPerAddress() {
        int unused = 0;
        listen::BusPairing pairing(Framing::Rtu);
        const QString reads =
            "0 010401018049|27000 0104030112C56D7D|100000 010401018049|140000 0104030112C56D00|"
            "200000 02040101800D|300000 010401018049|310000 0104030112C56D7D";
        for (const auto& f : Split(Framing::Rtu, reads, &unused)) pairing.add(f);
        pairing.flush();
        listen::BusStatistics statistics;
        for (const listen::HeardFrame& h : pairing.take()) statistics.add(h);
        const listen::AddressStatistics& one = statistics.perAddress().at(1);
        QCOMPARE(one.requests, 3);
        QCOMPARE(one.replies, 3);
        QCOMPARE(one.checkErrors, 1);
        QCOMPARE(one.unanswered, 0);
        QCOMPARE(statistics.perAddress().at(2).unanswered, 1);
        QCOMPARE(one.fastestUs / 1000, 1);    // 310 - 8.3 - 300
        QCOMPARE(one.medianUs() / 1000, 18);  // 27 - 8.3
        QCOMPARE(one.slowestUs / 1000, 31);   // 140 - 8.3 - 100
        QVERIFY(std::abs(one.requestsPerSecond() - 2.0 / 0.3) < 0.01);
    }

    // What a frame says, in the drive's layout or the standard's.
    void meaning_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("request");  // empty: the body is a request
        QTest::addColumn<QString>("meaning");
        // clang-format off
        QTest::newRow("read a reading") << QByteArray::fromHex("01040101") << QByteArray() << QString::fromUtf8("read 输出频率");
        QTest::newRow("reading") << QByteArray::fromHex("0104030112C5") << QByteArray::fromHex("01040101") << QString::fromUtf8("输出频率 = 048.05 Hz");
        QTest::newRow("parameter") << QByteArray::fromHex("01010305 01F4") << QByteArray::fromHex("01010105") << "parameter 5 = 500";
        QTest::newRow("write") << QByteArray::fromHex("0102030C012C") << QByteArray() << "write parameter 12 = 300";
        QTest::newRow("stop") << QByteArray::fromHex("01030108") << QByteArray() << "stop";
        QTest::newRow("frequency") << QByteArray::fromHex("0105021388") << QByteArray() << "set frequency 50.00 Hz";
        QTest::newRow("fault code") << QByteArray::fromHex("0104030822 00") << QByteArray::fromHex("01040108") << QString::fromUtf8("故障代码 = ") + drive::FaultText(0x22);
        QTest::newRow("standard read") << QByteArray::fromHex("010303000002") << QByteArray() << "03 read holding registers: from 0300, 2 of them";
        QTest::newRow("standard registers") << QByteArray::fromHex("010304000A0014") << QByteArray::fromHex("010303000002") << "0300: 10; 0301: 20";
        QTest::newRow("standard exception") << QByteArray::fromHex("018302") << QByteArray::fromHex("010300000002") << "exception " + exchange::ExceptionCodeText(2);
        // clang-format on
    }
    void meaning() {
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, request);
        QFETCH(QString, meaning);
        QCOMPARE(
            request.isEmpty() ? listen::RequestMeaning(body) : listen::ReplyMeaning(body, request),
            meaning);
    }
};

QTEST_MAIN(TestListening)
#include "tst_listening.moc"
