// The simulated drive without a line: frame parsing, replies, the drive model, line faults.
//
// Every CRC and LRC below was computed once outside this program (a bitwise CRC-16/MODBUS and
// an 8-bit two's complement sum in Python) and pasted as literal bytes.
#include <QtTest>

#include "bytes.h"

#include "sim/drive_model.h"
#include "sim/injection.h"
#include "sim/line_garble.h"
#include "sim/line_open.h"
#include "sim/reply_builder.h"
#include "sim/request_parser.h"

using sim::DriveModel;
using sim::Injection;
using sim::RequestParser;

namespace {

// "RTU 01010105" / "ASCII 01010105": what a parsed request is, in one comparable text.
QString Describe(const sim::Request& request) {
    const char* framing = request.framing == frame::Framing::Rtu ? "RTU " : "ASCII ";
    return QLatin1String(framing) + QString::fromLatin1(request.body.toHex().toUpper());
}

QStringList Describe(const std::vector<sim::Request>& requests) {
    QStringList texts;
    for (const sim::Request& request : requests) texts.append(Describe(request));
    return texts;
}

// Feeds a line into a fresh parser, then lets the line go quiet.
QStringList ParseLine(const QByteArray& line, int chunk) {
    RequestParser parser;
    QStringList found;
    for (qsizetype at = 0; at < line.size(); at += chunk)
        found += Describe(parser.feed(line.mid(at, chunk)));
    found += Describe(parser.flush());
    return found;
}

// The reply, if any, of a drive at address 1 to a framed request.
QByteArray ReplyTo(const QByteArray& requestFrame, DriveModel& model) {
    RequestParser parser;
    std::vector<sim::Request> requests = parser.feed(requestFrame);
    const std::vector<sim::Request> more = parser.flush();
    requests.insert(requests.end(), more.begin(), more.end());
    if (requests.size() != 1) return QByteArray("not exactly one request");
    return sim::BuildReply(requests.front(), 1, model).value_or(QByteArray());
}

}  // namespace

class TestSimulator : public QObject {
    Q_OBJECT

  private slots:
    // What a UART makes of characters sent at other settings; the bits were laid out by hand.
    void heardAtOtherSettings_data() {
        QTest::addColumn<QString>("sent");
        QTest::addColumn<QString>("heard");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("expected");
        // 00 at 19200: low for nine of its bits, 4.5 bits at 9600, so data bits 3..7 read 1.
        QTest::newRow("00 at twice the rate") << "19200,n,8,1"
                                              << "9600,n,8,1" << Hex("00") << Hex("F8");
        // FF at 19200: its start bit is over before the middle of a 9600 start bit.
        QTest::newRow("FF at twice the rate") << "19200,n,8,1"
                                              << "9600,n,8,1" << Hex("FF") << QByteArray();
        // 01 without parity read with odd parity: the stop bit stands where parity is wanted.
        QTest::newRow("parity bit missing") << "9600,n,8,1"
                                            << "9600,o,8,1" << Hex("01") << Hex("00");
        QTest::newRow("same settings")
            << "9600,e,8,1"
            << "9600,e,8,1" << Hex("0104010180 49") << Hex("0104010180 49");
    }
    void heardAtOtherSettings() {
        QFETCH(QString, sent);
        QFETCH(QString, heard);
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, expected);
        QCOMPARE(sim::HeardAs(bytes, *serial::ParseSettings(sent), *serial::ParseSettings(heard))
                     .toHex(),
                 expected.toHex());
    }

    void parser_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QStringList>("expected");
        const QStringList none;
        QTest::newRow("rtu address 3A is no colon")
            << Hex("3A0401018D6D") << QStringList{"RTU 3A040101"};
        QTest::newRow("rtu then ascii then rtu")
            << Hex("010301013188") + ":01040101F9\r\n" + Hex("01030108F18E")
            << QStringList{"RTU 01030101", "ASCII 01040101", "RTU 01030108"};
        QTest::newRow("ascii bad lrc") << QByteArray(":01010105F9\r\n") << none;
        // Good LRC (01+01+02+05 = 09, F7) but the length says two bytes follow and one does.
        QTest::newRow("ascii length disagrees") << QByteArray(":01010205F7\r\n") << none;
        QTest::newRow("bad frame then good")
            << Hex("01010105918C") + Hex("01040100 4189") << QStringList{"RTU 01040100"};
        // Found by fuzzing: the first 54 characters of this ASCII request also form an RTU
        // frame for address 3A with a matching CRC; byte by byte it must still read as ASCII.
        QTest::newRow("ascii whose start reads as rtu")
            << QByteArray(":010418CF6DD9DD3B731F8FD67565FF52C93DE08B7C04F1ADBB5BE20D\r\n")
            << QStringList{"ASCII 010418CF6DD9DD3B731F8FD67565FF52C93DE08B7C04F1ADBB5BE2"};
    }

    // Whole or byte by byte, the line gives the same requests.
    void parser() {
        QFETCH(QByteArray, line);
        QFETCH(QStringList, expected);
        QCOMPARE(ParseLine(line, static_cast<int>(line.size())), expected);
        QCOMPARE(ParseLine(line, 1), expected);
    }

    // A stray byte whose length byte promises 255 more bytes holds the parser until the line
    // goes quiet; then the frame behind it is found.
    void longLengthWaitsForSilence() {
        RequestParser parser;
        QVERIFY(parser.feed(Hex("0104FF") + Hex("01010105918B")).empty());
        QVERIFY(parser.pending());
        QCOMPARE(Describe(parser.flush()), QStringList{"RTU 01010105"});
        QVERIFY(!parser.pending());
    }

    void reply_data() {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("fault");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray silent;
        // clang-format off
        QTest::newRow("read parameter 5, rtu") << Hex("01010105918B") << 0 << Hex("010103050032AD9A");
        QTest::newRow("read parameter 5, ascii") << QByteArray(":01010105F8\r\n") << 0 << QByteArray(":010103050032C4\r\n");
        QTest::newRow("write parameter echoes") << Hex("01020310012C79C6") << 0 << Hex("01020310012C79C6");
        QTest::newRow("output frequency at standstill") << Hex("010401018049") << 0 << Hex("010403010000A18E");
        QTest::newRow("fault code 16h, rtu") << Hex("01040108404F") << 0x16 << Hex("0104030816007FEC");
        QTest::newRow("another address") << Hex("0201010591CF") << 0 << silent;
        QTest::newRow("unknown command") << Hex("01070100B189") << 0 << silent;
        QTest::newRow("unknown monitor item") << Hex("01040109818F") << 0 << silent;
        // clang-format on
    }

    void reply() {
        QFETCH(QByteArray, request);
        QFETCH(int, fault);
        QFETCH(QByteArray, expected);
        DriveModel model;
        model.setFaultCode(fault);
        QCOMPARE(ReplyTo(request, model).toHex(' '), expected.toHex(' '));
    }

    // A broadcast is carried out without an answer.
    void broadcastIsCarriedOut() {
        DriveModel model;
        QVERIFY(ReplyTo(Hex("00020310012C7817"), model).isEmpty());
        QCOMPARE(model.parameter(0x10), 300);
    }

    // The master sends a value up to 255 as one byte and 00 (so 256, 01 00, is kept as 1), a
    // larger one high byte first.
    void writtenParameterReadsBack_data() {
        QTest::addColumn<int>("high");
        QTest::addColumn<int>("low");
        QTest::addColumn<int>("stored");
        QTest::newRow("100") << 100 << 0 << 100;
        QTest::newRow("300") << 0x01 << 0x2C << 300;
    }

    void writtenParameterReadsBack() {
        QFETCH(int, high);
        QFETCH(int, low);
        QFETCH(int, stored);
        DriveModel model;
        const QByteArray write = Hex("0102030C") + char(high) + char(low);
        QCOMPARE(sim::Answer(write, model).value_or(QByteArray()), write);
        const QByteArray read = sim::Answer(Hex("0101010C"), model).value_or(QByteArray());
        QCOMPARE(read.toHex(), (Hex("0101030C") + char(stored >> 8) + char(stored & 0xFF)).toHex());
    }

    void setFrequency_data() {
        QTest::addColumn<int>("function");
        QTest::addColumn<int>("data");
        QTest::addColumn<int>("hundredths");
        QTest::newRow("50 Hz") << 19 << 136 << 5000;
        QTest::newRow("FF9C is limited") << 0xFF << 0x9C << DriveModel::kMaxFrequency;
    }

    void setFrequency() {
        QFETCH(int, function);
        QFETCH(int, data);
        QFETCH(int, hundredths);
        DriveModel model;
        QVERIFY(sim::Answer(Hex("010502") + char(function) + char(data), model));
        QCOMPARE(model.monitor(sim::kItemSetFrequency), hundredths);
    }

    void faultTripsTheDrive() {
        DriveModel model;
        model.setFrequency(5000);
        model.start();
        model.advance(3000);
        model.setFaultCode(0x16);
        QVERIFY(!model.running());
        QCOMPARE(model.monitor(sim::kItemOutputFrequency), 0);
        model.start();
        QVERIFY(!model.running());
        model.setFaultCode(0);
        model.start();
        QVERIFY(model.running());
    }

    // A scheduled trip: the current climbs over the last seconds, then the fault cuts the output.
    void scheduledTripClimbsThenCuts() {
        DriveModel model;
        model.setFrequency(5000);
        model.start();
        model.advance(10000);  // steady at 50 Hz
        const int steady = model.monitor(sim::kItemOutputCurrent);
        model.scheduleTrip(5000, 6);
        model.advance(3000 - 10);
        QCOMPARE(model.monitor(sim::kItemOutputCurrent), steady);
        model.advance(1000);
        const int halfway = model.monitor(sim::kItemOutputCurrent);
        QVERIFY2(halfway > steady * 3 / 2 && halfway < steady * 5 / 2,
                 qPrintable(QString::number(halfway)));
        model.advance(990);
        QVERIFY(model.monitor(sim::kItemOutputCurrent) > steady * 2);
        QCOMPARE(model.monitor(sim::kItemFaultCode), 0);
        model.advance(20);
        QCOMPARE(model.monitor(sim::kItemFaultCode), 6);
        QVERIFY(!model.running());
        QCOMPARE(model.monitor(sim::kItemOutputFrequency), 0);
        QCOMPARE(model.monitor(sim::kItemOutputCurrent), 0);
    }

    // A level to trip at: the current's rise while speeding up trips the drive before 50 Hz.
    void tripAboveALevel() {
        DriveModel model;
        model.setTripAbove(sim::kItemOutputCurrent, 95, 5);
        model.setFrequency(5000);
        model.start();
        model.advance(4000);  // 40 Hz: 25 + 38 + 15 tenths of an ampere
        QCOMPARE(model.monitor(sim::kItemFaultCode), 0);
        model.advance(2000);
        QCOMPARE(model.monitor(sim::kItemFaultCode), 5);
        QVERIFY(!model.running());
        QCOMPARE(model.monitor(sim::kItemOutputFrequency), 0);
    }

    void injection_data() {
        QTest::addColumn<int>("injection");
        QTest::addColumn<QByteArray>("reply");
        for (const QString& name : sim::InjectionNames()) {
            const int mode = static_cast<int>(*sim::ParseInjection(name));
            QTest::addRow("%s rtu", qPrintable(name)) << mode << Hex("010103050032AD9A");
            QTest::addRow("%s ascii", qPrintable(name))
                << mode << QByteArray(":010103050032C4\r\n");
        }
    }

    // Each disturbance does to the drive's reply what its name says, in both framings.
    void injection() {
        QFETCH(int, injection);
        QFETCH(QByteArray, reply);
        const Injection mode = static_cast<Injection>(injection);
        const bool rtu = !reply.startsWith(':');
        std::mt19937 random(7);
        const std::vector<sim::Piece> pieces =
            sim::Shape(reply, rtu ? frame::Framing::Rtu : frame::Framing::Ascii, mode, random);
        QByteArray line;
        int span = 0;
        for (const sim::Piece& piece : pieces) {
            line += piece.bytes;
            span += piece.delayMs;
        }
        // A reply has the request layout, so the drive's own parser checks it too.
        const QStringList frames = ParseLine(line, int(line.size()) + 1);
        switch (mode) {
            case Injection::None:
            case Injection::LateReply:
            case Injection::SplitReply:
                QCOMPARE(line, reply);
                QCOMPARE(span > 50, mode == Injection::LateReply);
                QCOMPARE(pieces.size() >= 2 && span > 0, mode == Injection::SplitReply);
                break;
            case Injection::NoReply:
                QVERIFY(pieces.empty());
                break;
            case Injection::BadCheck:
                // Only the check differs; an LRC stays two hexadecimal digits before CR LF.
                QCOMPARE(line.size(), reply.size());
                QCOMPARE(line.chopped(rtu ? 2 : 4), reply.chopped(rtu ? 2 : 4));
                if (!rtu)
                    QVERIFY(QByteArray::fromHex(line.mid(1, 14)).toHex().toUpper() ==
                            line.mid(1, 14));
                QVERIFY(frames.isEmpty());
                break;
            case Injection::Garbage:
                QVERIFY(line.size() >= 2 && line != reply);
                break;
            case Injection::Oversize:
                QVERIFY(line.size() > 64 && line.startsWith(reply));
                break;
            case Injection::OtherFunction:
                // A whole frame whose check holds, for function 6 instead of 5.
                QCOMPARE(frames.size(), 1);
                QCOMPARE(frames[0].section(' ', 1).mid(6, 2), QStringLiteral("06"));
                break;
            case Injection::Exception:
                // Read coils refused: illegal data address (checks from an independent generator).
                QCOMPARE(line, rtu ? Hex("018102C191") : QByteArray(":0181027C\r\n"));
                break;
        }
    }
};

QTEST_APPLESS_MAIN(TestSimulator)
#include "tst_simulator.moc"
