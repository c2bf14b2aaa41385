// The verdict of a reply against its request. Checks were computed with an independent CRC-16/
// MODBUS and LRC routine, not with the program's own.
#include <QtTest>

#include "bytes.h"

#include "exchange/reply_judge.h"

using exchange::Verdict;
using frame::Framing;

Q_DECLARE_METATYPE(Verdict)
Q_DECLARE_METATYPE(Framing)

class TestReplyJudge : public QObject {
    Q_OBJECT
  private slots:
    // Frames typed by hand to a standard Modbus device, judged under each reading. The drive's
    // reading takes a standard request whose byte 2 happens to equal its length for one of its
    // own; the standard reading knows each function's answer. (Checks from an independent
    // generator.)
    void standardRequestsJudgedByTheirLayout_data() {
        QTest::addColumn<Framing>("framing");
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<Verdict>("asAuto");
        QTest::addColumn<Verdict>("asDrive");
        QTest::addColumn<Verdict>("asStandard");
        const Verdict good = Verdict::Good, other = Verdict::OtherAnswer, cut = Verdict::Incomplete,
                      spoiled = Verdict::CheckError, refused = Verdict::Exception;
        // clang-format off
        QTest::newRow("03 two registers at 0x0300") << Framing::Rtu << Hex("010303000002C44F") << Hex("01030412340000BE85") << good << other << good;
        QTest::newRow("03 in ASCII") << Framing::Ascii << AsciiLine(":010303000002F7") << AsciiLine(":01030412340000B2") << good << other << good;
        QTest::newRow("exception to 0x0364") << Framing::Rtu << Hex("010303640001C591") << Hex("018302C0F1") << refused << refused << refused;
        QTest::newRow("10 one register at 0x0600") << Framing::Rtu << Hex("0110060000010200050053") << Hex("0110060000010141") << good << cut << good;
        QTest::newRow("05 echoed") << Framing::Rtu << Hex("01050010FF008DFF") << Hex("01050010FF008DFF") << good << good << good;
        QTest::newRow("06 echo with another value") << Framing::Rtu << Hex("010600100123C846") << Hex("0106001001248984") << other << good << other;
        QTest::newRow("01 one byte of coils") << Framing::Rtu << Hex("0101000000083DCC") << Hex("0101015591B7") << good << good << good;
        QTest::newRow("03 from another slave") << Framing::Rtu << Hex("010303000002C44F") << Hex("020304123400008D85") << other << other << other;
        QTest::newRow("03 with a spoiled CRC") << Framing::Rtu << Hex("010303000002C44F") << Hex("01030412340000BE86") << spoiled << spoiled << spoiled;
        QTest::newRow("03 cut short") << Framing::Rtu << Hex("010303000002C44F") << Hex("0103041234") << cut << cut << cut;
        QTest::newRow("03 answering one register of two") << Framing::Rtu << Hex("010303000002C44F") << Hex("0103021234B533") << other << other << other;
        QTest::newRow("10 echoing another address") << Framing::Rtu << Hex("0110060000010200050053") << Hex("0110060100015081") << cut << cut << other;
        QTest::newRow("2B from another slave") << Framing::Rtu << Hex("012B0E01007077") << Hex("022B0E010100000726") << other << good << other;
        QTest::newRow("2B by framing and check") << Framing::Rtu << Hex("012B0E01007077") << Hex("012B0E010100003426") << good << good << good;
        QTest::newRow("the drive's own reading") << Framing::Rtu << Hex("0104010180 49") << Hex("0104030112C56D7D") << good << good << good;
        QTest::newRow("06 broadcast, nothing back") << Framing::Rtu << Hex("000600100123C997") << QByteArray() << Verdict::Broadcast << Verdict::Broadcast << Verdict::Broadcast;
        QTest::newRow("06 broadcast answered") << Framing::Rtu << Hex("000600100123C997") << Hex("000600100123C997") << other << other << other;
        // clang-format on
    }
    void standardRequestsJudgedByTheirLayout() {
        QFETCH(Framing, framing);
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, reply);
        const auto judge = [&](exchange::Judging judging) {
            return exchange::JudgeReplyAs(request, reply, framing, judging);
        };
        const exchange::Judgement asAuto = judge(exchange::Judging::Auto);
        QTEST(asAuto.verdict, "asAuto");
        QTEST(judge(exchange::Judging::Drive).verdict, "asDrive");
        QTEST(judge(exchange::Judging::Standard).verdict, "asStandard");
        // A good 03 answer lists its registers as unsigned, signed and hexadecimal words.
        if (QTest::currentDataTag() == QLatin1String("03 two registers at 0x0300"))
            QVERIFY2(judge(exchange::Judging::Standard)
                         .detail.contains(
                             QStringLiteral("0300: 4660 = +4660 = 1234h; 0301: 0 = +0 = 0000h")),
                     qPrintable(judge(exchange::Judging::Standard).detail));
        // Under the automatic reading a good reply says which reading it matched.
        if (asAuto.verdict == Verdict::Good)
            QVERIFY2(asAuto.detail.contains(QStringLiteral("read as")), qPrintable(asAuto.detail));
    }

    // Coils and inputs (counted alike) come eight to a byte, the last byte partly filled: 1 to 8
    // take one byte, 9 take two, 2000 (the most one answer carries) take 250. Slave 17, from
    // address 0x13. (Checks from an independent generator.)
    void coilsAndInputsFillWholeBytes_data() {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<Verdict>("verdict");
        const Verdict good = Verdict::Good, other = Verdict::OtherAnswer;
        const QByteArray fill(250, 0x55), lessFill(249, 0x55);
        // clang-format off
        QTest::newRow("01 nine coils") << Hex("1101001300090F59") << Hex("110102A5A68315") << good;
        QTest::newRow("01 nine coils in one byte") << Hex("1101001300090F59") << Hex("110101A59533") << other;
        QTest::newRow("01 sixteen coils") << Hex("110100130010CE93") << Hex("110102A5A68315") << good;
        QTest::newRow("01 sixteen coils in three bytes") << Hex("110100130010CE93") << Hex("110103A5A6A714E7") << other;
        QTest::newRow("01 2000 coils") << Hex("1101001307D0CCF3") << Hex("1101FA") + fill + Hex("E891") << good;
        QTest::newRow("01 2000 coils a byte short") << Hex("1101001307D0CCF3") << Hex("1101F9") + lessFill + Hex("6C26") << other;
        QTest::newRow("02 ten inputs") << Hex("11020013000A0B58") << Hex("110202A5A68351") << good;
        // A request typed by hand for more than 2000 is refused by the slave: illegal data value.
        QTest::newRow("01 2001 coils refused") << Hex("1101001307D10D33") << Hex("1181030194") << Verdict::Exception;
        // clang-format on
    }
    void coilsAndInputsFillWholeBytes() {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, reply);
        const exchange::Judgement judgement =
            exchange::JudgeReplyAs(request, reply, Framing::Rtu, exchange::Judging::Standard);
        QFETCH(Verdict, verdict);
        QVERIFY2(judgement.verdict == verdict, qPrintable(judgement.detail));
    }

    // A standard exception reply names its code, in the drive's protocol and in standard
    // requests alike; only one from the slave asked, with the request's function and a sound
    // check, is one. (Checks from an independent CRC-16/LRC generator.)
    void exceptionReplyIsNamed_data() {
        QTest::addColumn<Framing>("framing");
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<Verdict>("verdict");
        QTest::addColumn<QString>("detail");
        const QByteArray holding = Hex("010300640001C5D5");  // 03: one register at 0x0064
        const QByteArray asciiHolding = AsciiLine(":01030064000197");
        // clang-format off
        QTest::newRow("RTU illegal data address") << Framing::Rtu << holding << Hex("018302C0F1") << Verdict::Exception << "exception 02 illegal data address";
        QTest::newRow("ASCII illegal data address") << Framing::Ascii << asciiHolding << AsciiLine(":0183027A") << Verdict::Exception << "exception 02 illegal data address";
        QTest::newRow("gateway target") << Framing::Rtu << holding << Hex("01830B00F7") << Verdict::Exception << "0B gateway target device failed to respond";
        QTest::newRow("a code without a name") << Framing::Rtu << holding << Hex("01832040E8") << Verdict::Exception << "20 (no standard name)";
        QTest::newRow("drive's monitor request refused") << Framing::Rtu << Hex("0104010180 49") << Hex("018402C2C1") << Verdict::Exception << "02 illegal data address";
        QTest::newRow("after a stray byte") << Framing::Rtu << Hex("0104010180 49") << Hex("00018402C2C1") << Verdict::Exception << "02 illegal data address";
        QTest::newRow("a late exception, then the answer") << Framing::Rtu << Hex("0104010180 49") << Hex("018402C2C1") + Hex("0104030112C56D7D") << Verdict::Good << "5 byte(s) before the frame";
        QTest::newRow("spoiled check") << Framing::Rtu << Hex("0104010180 49") << Hex("018402C2C0") << Verdict::CheckError << "CRC expected C2 C1, received C2 C0";
        QTest::newRow("ASCII spoiled check") << Framing::Ascii << asciiHolding << AsciiLine(":0183027B") << Verdict::CheckError << "LRC expected 7A, received 7B";
        QTest::newRow("another slave's exception") << Framing::Rtu << Hex("0104010180 49") << Hex("02840232C1") << Verdict::Incomplete << "none starts with address 1";
        // clang-format on
    }
    void exceptionReplyIsNamed() {
        QFETCH(Framing, framing);
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, reply);
        const exchange::Judgement judgement = exchange::JudgeReply(request, reply, framing);
        QTEST(judgement.verdict, "verdict");
        QFETCH(QString, detail);
        QVERIFY2(judgement.detail.contains(detail), qPrintable(judgement.detail));
        // A request of the drive's layout ends its capture at the exception's last byte.
        if (QTest::currentDataTag() == QLatin1String("drive's monitor request refused"))
            QVERIFY(exchange::HoldsWholeReply(request, reply, framing));
    }

    void verdict_data() {
        QTest::addColumn<Framing>("framing");
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<Verdict>("verdict");
        QTest::addColumn<int>("checkAt");  // -1 where no check is marked

        // The output-frequency reading of drive 1, and its answers.
        const QByteArray rtuRead = Hex("0104010180 49");
        const QByteArray asciiRead = AsciiLine(":01040101F9");
        // clang-format off
        QTest::newRow("rtu good") << Framing::Rtu << rtuRead << Hex("0104030112C56D7D") << Verdict::Good << -1;
        QTest::newRow("rtu nothing") << Framing::Rtu << rtuRead << QByteArray() << Verdict::NoReply << -1;
        QTest::newRow("rtu cut inside the value") << Framing::Rtu << rtuRead << Hex("0104030112") << Verdict::Incomplete << -1;
        QTest::newRow("rtu stray byte, spoiled crc") << Framing::Rtu << rtuRead << Hex("000104030112C56D00") << Verdict::CheckError << 7;
        QTest::newRow("rtu late reply to another item, then its own") << Framing::Rtu << rtuRead << Hex("0104030012C53CBD0104030112C56D7D") << Verdict::Good << -1;
        QTest::newRow("rtu other function") << Framing::Rtu << rtuRead << Hex("0104030212C59D7D") << Verdict::OtherAnswer << -1;
        QTest::newRow("rtu other command") << Framing::Rtu << rtuRead << Hex("0103030112C5D8BD") << Verdict::OtherAnswer << -1;
        QTest::newRow("rtu other address") << Framing::Rtu << rtuRead << Hex("0204030112C56D4E") << Verdict::OtherAnswer << -1;
        QTest::newRow("ascii good") << Framing::Ascii << asciiRead << AsciiLine(":0104030112C520") << Verdict::Good << -1;
        QTest::newRow("ascii noise before the colon") << Framing::Ascii << asciiRead << QByteArray("\x05x") + AsciiLine(":0104030112C520") << Verdict::Good << -1;
        QTest::newRow("ascii without line end") << Framing::Ascii << asciiRead << QByteArray(":0104030112C5") << Verdict::Incomplete << -1;
        QTest::newRow("ascii CR without LF") << Framing::Ascii << asciiRead << QByteArray(":0104030112C520\rX") << Verdict::Incomplete << -1;
        QTest::newRow("ascii not hexadecimal") << Framing::Ascii << asciiRead << AsciiLine(":01040G0112C520") << Verdict::Incomplete << -1;
        QTest::newRow("ascii spoiled lrc") << Framing::Ascii << asciiRead << AsciiLine(":0104030112C521") << Verdict::CheckError << 13;
        QTest::newRow("ascii no colon is noise") << Framing::Ascii << asciiRead << QByteArray("0104") << Verdict::Incomplete << -1;
        QTest::newRow("rtu noise without the address") << Framing::Rtu << rtuRead << Hex("FF7E3C") << Verdict::Incomplete << -1;
        QTest::newRow("rtu the read's echo alone") << Framing::Rtu << rtuRead << rtuRead << Verdict::OtherAnswer << -1;
        QTest::newRow("rtu the echo, then the answer") << Framing::Rtu << rtuRead << rtuRead + Hex("0104030112C56D7D") << Verdict::Good << -1;
        QTest::newRow("rtu the echo, then a spoiled answer") << Framing::Rtu << rtuRead << rtuRead + Hex("0104030112C56D00") << Verdict::CheckError << 12;
        QTest::newRow("ascii a write acknowledged by its echo") << Framing::Ascii << AsciiLine(":3A020307012C8D") << AsciiLine(":3A020307012C8D") << Verdict::Good << -1;
        QTest::newRow("rtu a start acknowledged by its echo") << Framing::Rtu << Hex("0103010131 88") << Hex("0103010131 88") << Verdict::Good << -1;
        // clang-format on

        // Hand-made frames of another layout (standard Modbus reads) are judged by the framing
        // and the check alone.
        const QByteArray holding = Hex("010300010001D5CA");
        // clang-format off
        QTest::newRow("other layout, rtu good") << Framing::Rtu << holding << Hex("0103020064B9AF") << Verdict::Good << -1;
        QTest::newRow("other layout, rtu spoiled") << Framing::Rtu << holding << Hex("0103020064B9AE") << Verdict::CheckError << 5;
        QTest::newRow("other layout, ascii good") << Framing::Ascii << AsciiLine(":010300010001FA") << AsciiLine(":010302006496") << Verdict::Good << -1;
        QTest::newRow("other layout, ascii noise") << Framing::Ascii << AsciiLine(":010300010001FA") << QByteArray("\x7f\x01") << Verdict::Incomplete << -1;
        // clang-format on
    }
    void verdict() {
        QFETCH(Framing, framing);
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, reply);
        QFETCH(Verdict, verdict);
        const exchange::Judgement judgement = exchange::JudgeReply(request, reply, framing);
        QCOMPARE(judgement.verdict, verdict);
        QTEST(judgement.checkAt, "checkAt");
        QCOMPARE(judgement.body.isEmpty(), verdict != Verdict::Good);
    }

    // A poll ends as soon as its reply is a whole frame, one whose check fails included, but not
    // on a late reply to another request.
    void wholeReply() {
        const QByteArray request = Hex("0104010180 49");
        QVERIFY(exchange::HoldsWholeReply(request, Hex("0104030112C56D7D"), Framing::Rtu));
        QVERIFY(exchange::HoldsWholeReply(request, Hex("0104030112C56D00"), Framing::Rtu));
        QVERIFY(!exchange::HoldsWholeReply(request, Hex("0104030112C5"), Framing::Rtu));
        QVERIFY(!exchange::HoldsWholeReply(request, Hex("0104030012C53CBD"), Framing::Rtu));
        QVERIFY(!exchange::HoldsWholeReply(request, request, Framing::Rtu));  // its echo
    }

    // A good answer among other bytes says how many came with it; a lone answer says nothing.
    void extraBytesAreNamed_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("detail");
        const QByteArray answer = Hex("0104030112C56D7D");
        QTest::newRow("alone") << answer << QString();
        QTest::newRow("nine more copies") << answer.repeated(10) << "72 byte(s) after the frame";
        QTest::newRow("a stray byte first") << Hex("00") + answer << "1 byte(s) before the frame";
        QTest::newRow("both") << Hex("00") + answer + Hex("0000")
                              << "1 byte(s) before the frame, 2 byte(s) after it";
    }
    void extraBytesAreNamed() {
        QFETCH(QByteArray, reply);
        const exchange::Judgement judgement =
            exchange::JudgeReply(Hex("0104010180 49"), reply, Framing::Rtu);
        QCOMPARE(judgement.verdict, Verdict::Good);
        QTEST(judgement.detail, "detail");
    }

    // The answer to the request before is told from this request's own only by what it answers.
    void leadingAnswer() {
        const QByteArray item1 = Hex("0104010180 49");
        const QByteArray answer1 = Hex("0104030112C56D7D");
        QCOMPARE(exchange::LeadingAnswerLength(item1, answer1 + Hex("01"), Framing::Rtu), 8);
        QCOMPARE(exchange::LeadingAnswerLength(item1, Hex("00") + answer1, Framing::Rtu), 0);
        QCOMPARE(exchange::LeadingAnswerLength(item1, Hex("0104030112C56D00"), Framing::Rtu), 0);
        QCOMPARE(exchange::LeadingAnswerLength(Hex("01040102C048"), answer1, Framing::Rtu), 0);
        QCOMPARE(exchange::LeadingAnswerLength(AsciiLine(":01040101F9"),
                                               AsciiLine(":0104030112C520"), Framing::Ascii),
                 17);
    }

    // The tooltip names the check the frame needs and the one it carries, low byte first.
    void checkErrorSaysExpectedAndReceived() {
        const exchange::Judgement judgement =
            exchange::JudgeReply(Hex("0104010180 49"), Hex("0104030112C56D00"), Framing::Rtu);
        QVERIFY2(judgement.detail.contains("CRC expected 6D 7D, received 6D 00"),
                 qPrintable(judgement.detail));
    }
};

QTEST_GUILESS_MAIN(TestReplyJudge)
#include "tst_reply_judge.moc"
