// Frame composition: field texts to bytes, CRC-16 and LRC. Expected check bytes come from the
// drive protocol's worked examples and from a separate table-driven CRC generator, never from
// the code under test.
#include <QtTest>

#include "bytes.h"

#include "frame/checksum.h"
#include "frame/frame_composer.h"
#include "frame/standard_request.h"

using frame::Framing;

namespace {

frame::RequestFields Fields(const char* address, const char* command, const char* length,
                            const char* function, QStringList data = {}) {
    frame::RequestFields fields{address, command, length, function, {}};
    for (int i = 0; i < data.size() && i < 5; ++i) fields.data[i] = data[i];
    return fields;
}

}  // namespace

Q_DECLARE_METATYPE(frame::RequestFields)
Q_DECLARE_METATYPE(frame::Framing)

class TestFrameComposer : public QObject {
    Q_OBJECT
  private slots:
    void crc16_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("crc");
        QTest::newRow("catalogue check 123456789") << QByteArray("123456789") << 0x4B37;
        QTest::newRow("empty") << QByteArray() << 0xFFFF;
    }
    void crc16() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, crc);
        QCOMPARE(frame::Crc16Modbus(bytes), quint16(crc));
    }

    void lrc_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("lrc");
        QTest::newRow("read parameter 5") << Hex("01010105") << 0xF8;
        QTest::newRow("sum a multiple of 256") << Hex("808000") << 0x00;
    }
    void lrc() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, lrc);
        QCOMPARE(frame::Lrc(bytes), quint8(lrc));
    }

    void compose_data() {
        QTest::addColumn<frame::RequestFields>("fields");
        QTest::addColumn<QByteArray>("rtu");
        QTest::addColumn<QByteArray>("ascii");
        // clang-format off
        QTest::newRow("length 1 ignores data") << Fields("1", "1", "1", "5", {"99"}) << Hex("01010105918B") << QByteArray(":01010105F8\r\n");
        QTest::newRow("300 fills two bytes") << Fields("1", "2", "3", "16", {"300"}) << Hex("010203 10012C 79C6") << QByteArray(":01020310012CBD\r\n");
        QTest::newRow("length 2 drops the low byte") << Fields("1", "2", "2", "16", {"300"}) << Hex("0102021001 75B8") << QByteArray(":0102021001EA\r\n");
        QTest::newRow("length 0 ignores function") << Fields("1", "4", "", "9") << Hex("010400 22C0") << QByteArray(":010400FB\r\n");
        // clang-format on
    }
    void compose() {
        QFETCH(frame::RequestFields, fields);
        QFETCH(QByteArray, rtu);
        QCOMPARE(frame::ComposeFrame(fields, Framing::Rtu).toHex(' '), rtu.toHex(' '));
        QTEST(frame::ComposeFrame(fields, Framing::Ascii), "ascii");
    }

    void body_data() {
        QTest::addColumn<frame::RequestFields>("fields");
        QTest::addColumn<QByteArray>("body");
        // clang-format off
        QTest::newRow("255 is one byte") << Fields("1", "2", "3", "1", {"255"}) << Hex("010203 01 FF00");
        QTest::newRow("256 is two bytes") << Fields("1", "2", "3", "1", {"256"}) << Hex("010203 01 0100");
        QTest::newRow("255.6 rounds to 256 as two bytes") << Fields("1", "2", "3", "1", {"255.6"}) << Hex("010203 01 0100");
        QTest::newRow("missing data bytes are 00") << Fields("1", "2", "6", "1", {"7"}) << Hex("010206 01 0700000000");
        QTest::newRow("all five boxes, mixed widths") << Fields("1", "2", "11", "1", {"1", "300", "2", "65535", "3"}) << Hex("01020B 01 01012C02FFFF0300 0000");
        QTest::newRow("letters and blanks read as 0") << Fields("abc", " 1 2", "1", "x") << Hex("000C0100");
        QTest::newRow("negative value is two's complement low byte") << Fields("-1", "1", "2", "-100", {"-3"}) << Hex("FF0102 9C FD");
        QTest::newRow("negative length counts as 0") << Fields("1", "1", "-5", "9") << Hex("010100");
        QTest::newRow("length above the limit is limited") << Fields("1", "1", "99", "9") << Hex("010114 09") + QByteArray(19, '\0');
        QTest::newRow("half rounds to even") << Fields("2.5", "3.5", "0", "") << Hex("020400");
        // clang-format on
    }
    void body() {
        QFETCH(frame::RequestFields, fields);
        QFETCH(QByteArray, body);
        QCOMPARE(frame::ComposeBody(fields).toHex(' '), body.toHex(' '));
    }

    // "加校验" on bytes typed by hand; checks from an independent CRC-16/LRC generator.
    void appendedCheck_data() {
        QTest::addColumn<Framing>("framing");
        QTest::addColumn<QByteArray>("typed");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QByteArray>("frame");
        using O = frame::CheckedFrame::Outcome;
        // clang-format off
        QTest::newRow("RTU read holding") << Framing::Rtu << Hex("0103000A0001") << int(O::Appended) << Hex("0103000A0001A408");
        QTest::newRow("RTU one byte") << Framing::Rtu << Hex("11") << int(O::Appended) << Hex("117F4C");
        QTest::newRow("RTU already checked") << Framing::Rtu << Hex("0103000A0001A408") << int(O::AlreadyChecked) << Hex("0103000A0001A408");
        QTest::newRow("ASCII from bytes") << Framing::Ascii << Hex("0103000A0001") << int(O::Appended) << AsciiLine(":0103000A0001F1");
        QTest::newRow("ASCII from text") << Framing::Ascii << QByteArray(":0103000a0001") << int(O::Appended) << AsciiLine(":0103000A0001F1");
        QTest::newRow("ASCII text ending in its LRC") << Framing::Ascii << QByteArray(":0103000A0001F1") << int(O::LineEndAdded) << AsciiLine(":0103000A0001F1");
        QTest::newRow("ASCII already whole") << Framing::Ascii << AsciiLine(":0103000A0001F1") << int(O::AlreadyChecked) << AsciiLine(":0103000A0001F1");
        QTest::newRow("ASCII text with an odd digit") << Framing::Ascii << QByteArray(":010") << int(O::NotHexText) << QByteArray(":010");
        QTest::newRow("ASCII text with a lone CR") << Framing::Ascii << QByteArray(":0103\r") << int(O::NotHexText) << QByteArray(":0103\r");
        QTest::newRow("nothing typed") << Framing::Rtu << QByteArray() << int(O::Empty) << QByteArray();
        QTest::newRow("too long for the cells") << Framing::Ascii << QByteArray(30, '\x01') << int(O::TooLong) << QByteArray(30, '\x01');
        QTest::newRow("RTU just fits") << Framing::Rtu << QByteArray(62, '\0') << int(O::Appended) << QByteArray(62, '\0') + Hex("01AB");
        QTest::newRow("RTU one too many") << Framing::Rtu << QByteArray(63, '\0') << int(O::TooLong) << QByteArray(63, '\0');
        // clang-format on
    }
    void appendedCheck() {
        QFETCH(Framing, framing);
        QFETCH(QByteArray, typed);
        const frame::CheckedFrame checked = frame::WithCheck(typed, framing, 64);
        QTEST(int(checked.outcome), "outcome");
        QTEST(checked.frame, "frame");
    }

    // The standard request builder's bodies, against the Modbus protocol's published examples
    // where it gives them (0F: coils 20-29 = CD 01; 10: two registers 000A 0102).
    void standardRequests_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("function");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("values");
        QTest::addColumn<QByteArray>("body");  // empty when refused
        // clang-format off
        QTest::newRow("03 two registers at 0x0300") << "1" << 0x03 << "0x0300" << "2" << Hex("010303000002");
        QTest::newRow("03 start as 0300h") << "1" << 0x03 << "0300h" << "2" << Hex("010303000002");
        QTest::newRow("01 eight coils") << "17" << 0x01 << "0" << "8" << Hex("110100000008");
        QTest::newRow("02 inputs") << "1" << 0x02 << "196" << "22" << Hex("010200C40016");
        QTest::newRow("04 one input register") << "1" << 0x04 << "8" << "1" << Hex("010400080001");
        QTest::newRow("05 coil on") << "1" << 0x05 << "0x10" << "ON" << Hex("01050010FF00");
        QTest::newRow("05 coil off") << "1" << 0x05 << "0x10" << "0" << Hex("010500100000");
        QTest::newRow("06 register") << "1" << 0x06 << "16" << "0x0123" << Hex("010600100123");
        QTest::newRow("0F ten coils") << "1" << 0x0F << "0x13" << "1 0 1 1 0 0 1 1 1 0" << Hex("010F0013000A02CD01");
        QTest::newRow("10 two registers") << "1" << 0x10 << "1" << "0x000A, 0x0102" << Hex("01100001000204000A0102");
        QTest::newRow("address 248") << "248" << 0x03 << "0" << "1" << QByteArray();
        QTest::newRow("126 registers") << "1" << 0x03 << "0" << "126" << QByteArray();
        QTest::newRow("2001 inputs") << "1" << 0x02 << "0" << "2001" << QByteArray();
        QTest::newRow("2000 inputs") << "1" << 0x02 << "0" << "2000" << Hex("0102000007D0");
        QTest::newRow("a coil of 2") << "1" << 0x0F << "0" << "1 2" << QByteArray();
        QTest::newRow("no values to write") << "1" << 0x10 << "0" << " " << QByteArray();
        QTest::newRow("start beyond 65535") << "1" << 0x03 << "65536" << "1" << QByteArray();
        QTest::newRow("a value beyond 65535") << "1" << 0x06 << "0" << "65536" << QByteArray();
        // clang-format on
    }
    void standardRequests() {
        QFETCH(QString, address);
        QFETCH(int, function);
        QFETCH(QString, start);
        QFETCH(QString, values);
        QFETCH(QByteArray, body);
        QString error;
        const std::optional<QByteArray> built =
            frame::StandardRequestBody({address, function, start, values}, &error);
        QCOMPARE(built.value_or(QByteArray()), body);
        QCOMPARE(error.isEmpty(), !body.isEmpty());
    }
};

QTEST_APPLESS_MAIN(TestFrameComposer)
#include "tst_frame_composer.moc"
