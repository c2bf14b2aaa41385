// Reading the drive's replies out of the receive grid, and splitting a set frequency into fields.
#include <QtTest>

#include "convert/conversions.h"
#include "drive/drive_requests.h"
#include "drive/reply_decoder.h"

using drive::NoReplyText;
using frame::Framing;

namespace {

// The grid as the receive action fills it: one byte per cell, cut at the last cell.
drive::ReceiveGrid GridOf(const QByteArray& bytes) {
    drive::ReceiveGrid grid;
    for (int i = 0; i < bytes.size() && i < drive::kGridCells; ++i) {
        const auto byte = static_cast<quint8>(bytes[i]);
        grid.hex[i] = conv::HexByteText(byte);
        grid.chars[i] = conv::CharOf(byte);
    }
    return grid;
}

QByteArray Rtu(const char* hexBytes) {
    return QByteArray::fromHex(hexBytes);
}

// Bytes 00 ahead of a reply, so that its start lands in cell n.
QByteArray At(int n, const QByteArray& reply) {
    return QByteArray(n, '\0') + reply;
}

// Rows shared by the three decoding tables: framing, inverter address, received bytes, result.
void DecodeColumns() {
    QTest::addColumn<bool>("ascii");
    QTest::addColumn<double>("address");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("expected");
}
void AddRtu(const char* name, double address, const QByteArray& reply, const QString& expected) {
    QTest::newRow(name) << false << address << reply << expected;
}
void AddAscii(const char* name, const QByteArray& reply, const QString& expected) {
    QTest::newRow(name) << true << 1.0 << reply << expected;
}

}  // namespace

class TstReplyDecoder : public QObject {
    Q_OBJECT

  private slots:
    void replyPresent_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("waitMadePass");
        QTest::addColumn<bool>("present");
        QTest::newRow("nothing") << QByteArray() << true << false;
        QTest::newRow("one byte") << Rtu("01") << true << false;
        QTest::newRow("two bytes") << Rtu("01 04") << true << true;
        QTest::newRow("no pass, one byte of an earlier exchange") << Rtu("01") << false << true;
        QTest::newRow("no pass, nothing") << QByteArray() << false << false;
    }
    void replyPresent() {
        QFETCH(QByteArray, reply);
        QFETCH(bool, waitMadePass);
        QFETCH(bool, present);
        QCOMPARE(drive::ReplyPresent(GridOf(reply), waitMadePass), present);
    }

    void startSearch_data() {
        DecodeColumns();
        AddAscii("ascii colon in cell 3", At(3, ":01040203"), "3");
        AddAscii("ascii without colon", "0104020305DC15\r\n", "none");
        AddRtu("stray leading 00 skipped", 1, Rtu("00 01 01 03 05 01 F4"), "1");
        AddRtu("address compared as a number", 10, Rtu("00 05 0A 04"), "2");
        AddRtu("address 0 never matches an empty cell", 0, Rtu("05 04 03 01 12 C5"), "none");
        AddRtu("fractional address matches nothing", 1.5, Rtu("01 04 03"), "none");
    }
    void startSearch() {
        QFETCH(bool, ascii);
        QFETCH(double, address);
        QFETCH(QByteArray, reply);
        QFETCH(QString, expected);
        const auto grid = GridOf(reply);
        const auto start = ascii ? drive::FindAsciiStart(grid) : drive::FindRtuStart(grid, address);
        QCOMPARE(start ? QString::number(*start) : QStringLiteral("none"), expected);
    }

    void parameter_data() {
        DecodeColumns();
        AddRtu("two bytes 01F4", 1, Rtu("01 01 03 05 01 F4 2C 58"), "500");
        AddRtu("one byte 64", 1, Rtu("01 01 02 05 64 BB 47"), "100");
        AddRtu("FFFF is signed", 1, Rtu("01 01 03 05 FF FF 2D FF"), "-1");
        AddRtu("stray leading 00", 1, Rtu("00 01 01 03 05 01 F4 2C 58"), "500");
        AddRtu("cut after the high byte", 1, Rtu("01 01 03 05 01"), "1");
        AddRtu("no cell holds the address", 3, Rtu("01 01 02 05 64 BB 47"), NoReplyText());
        AddRtu("one byte received", 1, Rtu("01"), NoReplyText());
        AddRtu("two bytes up to cell 63", 1, At(58, Rtu("01 01 03 05 01 F4")), "500");
        AddRtu("two bytes past cell 63", 1, At(59, Rtu("01 01 03 05 01")), NoReplyText());
        AddRtu("one byte up to cell 63", 1, At(59, Rtu("01 01 02 05 64")), "100");
        AddRtu("one byte past cell 63", 1, At(60, Rtu("01 01 02 05")), NoReplyText());
        AddRtu("length past cell 63", 1, At(62, Rtu("01 01")), NoReplyText());
        AddAscii("ascii length 03", ":0101030501F401\r\n", "500");
        AddAscii("ascii length 02", ":010102056493\r\n", "100");
        AddAscii("ascii cut inside the value", ":0101030501", "1");
        AddAscii("ascii without colon", "0101030501F401\r\n", NoReplyText());
        AddAscii("ascii two bytes up to cell 63", At(51, ":0101030501F4"), "500");
        AddAscii("ascii two bytes past cell 63", At(52, ":0101030501F"), NoReplyText());
        AddAscii("ascii one byte up to cell 63", At(53, ":0101020564"), "100");
        AddAscii("ascii one byte past cell 63", At(54, ":010102056"), NoReplyText());
        AddAscii("ascii length past cell 63", At(58, ":01010"), NoReplyText());
    }
    void parameter() {
        QFETCH(bool, ascii);
        QFETCH(double, address);
        QFETCH(QByteArray, reply);
        QFETCH(QString, expected);
        const Framing framing = ascii ? Framing::Ascii : Framing::Rtu;
        QCOMPARE(drive::DecodeParameter(GridOf(reply), framing, address, true), expected);
    }

    void monitor_data() {
        QTest::addColumn<int>("item");
        DecodeColumns();
        const auto row = [](const char* name, int item, bool ascii, const QByteArray& reply,
                            const QString& expected) {
            QTest::newRow(name) << item << ascii << 1.0 << reply << expected;
        };
        row("set frequency", 0, false, Rtu("01 04 03 00 12 C5"), "048.05 Hz");
        row("output frequency", 1, false, Rtu("01 04 03 01 12 F2"), "048.50 Hz");
        row("whole hertz", 1, false, Rtu("01 04 03 01 13 88"), "050.00 Hz");
        row("output current", 2, false, Rtu("01 04 03 02 00 7B"), "012.3 A");
        row("output speed", 3, false, Rtu("01 04 03 03 05 DC 02 87"), "01500 r/min");
        row("dc bus voltage", 4, false, Rtu("01 04 03 04 15 18"), "540.0 DCV");
        row("output voltage", 5, false, Rtu("01 04 03 05 0E D8"), "380.0 ACV");
        row("counter", 6, false, Rtu("01 04 03 06 00 0C"), "00012 P");
        row("temperature", 7, false, Rtu("01 04 03 07 01 C8"), "045.6 度");
        row("temperature FFFF", 7, false, Rtu("01 04 03 07 FF FF"), "-000.1 度");
        row("speed 8000", 3, false, Rtu("01 04 03 03 80 00"), "-32768 r/min");
        row("counter 7FFF", 6, false, Rtu("01 04 03 06 7F FF"), "32767 P");
        row("length byte ignored", 0, false, Rtu("01 04 7E 00 12 C5"), "048.05 Hz");
        row("cut after the high byte", 3, false, Rtu("01 04 03 03 12"), "00018 r/min");
        row("up to cell 63", 0, false, At(58, Rtu("01 04 03 00 12 C5")), "048.05 Hz");
        row("past cell 63", 0, false, At(59, Rtu("01 04 03 00 12 C5")), NoReplyText());
        row("one byte received", 0, false, Rtu("01"), NoReplyText());
        row("nothing received", 0, false, QByteArray(), NoReplyText());
        row("ascii colon in cell 0", 3, true, ":0104020305DC15\r\n", "01500 r/min");
        row("ascii colon in cell 3", 3, true, At(3, ":0104020305DC15\r\n"), "01500 r/min");
        row("ascii cut after s+10", 3, true, ":0104020305", "00005 r/min");
        row("ascii reading stops at a non-digit", 3, true, ":0104020305G1", "00005 r/min");
        row("ascii up to cell 63", 0, true, At(51, ":0104020012C5"), "048.05 Hz");
        row("ascii past cell 63", 0, true, At(52, ":0104020012C5"), NoReplyText());
    }
    void monitor() {
        QFETCH(int, item);
        QFETCH(bool, ascii);
        QFETCH(double, address);
        QFETCH(QByteArray, reply);
        QFETCH(QString, expected);
        const Framing framing = ascii ? Framing::Ascii : Framing::Rtu;
        const drive::MonitorItem& monitor = drive::MonitorItems().at(item);
        QCOMPARE(monitor.item, item);
        QCOMPARE(drive::DecodeMonitor(GridOf(reply), framing, address, true, monitor), expected);
    }

    void faultText_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("expected");
        const std::pair<int, const char*> rows[] = {
            {0x00, "NO ERROR"}, {0x04, "E.OC.S"}, {0x05, "E.OC.A"}, {0x07, "E.OC.d"},
            {0x0A, "E.oC.n"},   {0x0F, "E.oc.d"}, {0x10, "E.GF.S"}, {0x16, "E.OU.n"},
            {0x19, "E.Lu.A"},   {0x1E, "E.OH.n"}, {0x21, "E.OL.A"}, {0x27, "E.OA.d"},
            {0x28, "E.OT.S"},   {0x2F, "E.LU.d"}, {0x30, "E.BT.S"}, {0x33, "E.BT.d"},
            {0x44, "E.OC.S"},   {0xC5, "E.OC.A"}, {0x01, "E.01H"},  {0x03, "E.03H"},
            {0x34, "E.34H"},    {0x3F, "E.3FH"},  {0x40, "E.40H"},  {0xF4, "E.F4H"},
        };
        for (const auto& [code, text] : rows) {
            QTest::newRow(qPrintable(conv::HexByteText(code))) << code << QString(text);
        }
    }
    void faultText() {
        QFETCH(int, code);
        QFETCH(QString, expected);
        QCOMPARE(drive::FaultText(code), expected);
    }

    void fault_data() {
        DecodeColumns();
        AddRtu("code in s+4", 1, Rtu("01 04 02 08 27 00"), "E.OA.d");
        AddRtu("s+5 not read", 1, Rtu("01 04 02 08 00 FF"), "NO ERROR");
        AddRtu("address 10", 10, Rtu("0A 04 03 08 27 00 6B 07"), "E.OA.d");
        AddRtu("cut before the code", 1, Rtu("01 04 02 08"), "NO ERROR");
        AddRtu("up to cell 63", 1, At(59, Rtu("01 04 02 08 C5")), "E.OC.A");
        AddRtu("past cell 63", 1, At(60, Rtu("01 04 02 08 C5")), NoReplyText());
        AddRtu("nothing received", 1, QByteArray(), NoReplyText());
        AddRtu("no cell holds the address", 2, Rtu("01 04 03 08 C5"), NoReplyText());
        AddAscii("ascii first data byte only", ":010403080500EB\r\n", "E.OC.A");
        AddAscii("ascii non-digit first", ":01040208G5", "NO ERROR");
        AddAscii("ascii up to cell 63", At(53, ":0104020805"), "E.OC.A");
        AddAscii("ascii past cell 63", At(54, ":0104020805"), NoReplyText());
        AddAscii("ascii one byte received", ":", NoReplyText());
    }
    void fault() {
        QFETCH(bool, ascii);
        QFETCH(double, address);
        QFETCH(QByteArray, reply);
        QFETCH(QString, expected);
        const Framing framing = ascii ? Framing::Ascii : Framing::Rtu;
        QCOMPARE(drive::DecodeFault(GridOf(reply), framing, address, true), expected);
    }

    void splitFrequency_data() {
        QTest::addColumn<QString>("hertz");
        QTest::addColumn<QString>("function");
        QTest::addColumn<QString>("data");
        QTest::newRow("50") << "50"
                            << "19"
                            << "136";
        QTest::newRow("50.5") << "50.5"
                              << "19"
                              << "186";
        QTest::newRow("0.01") << "0.01"
                              << "0"
                              << "1";
        QTest::newRow("empty") << ""
                               << "0"
                               << "0";
        QTest::newRow("-1") << "-1"
                            << "-1"
                            << "-100";
        QTest::newRow("floor goes down for -0.5") << "-0.5"
                                                  << "-1"
                                                  << "-50";
        QTest::newRow("box maximum 40000") << "40000"
                                           << "15625"
                                           << "0";
        QTest::newRow("huge negative is limited") << "-1E300"
                                                  << "-8388608"
                                                  << "0";
        QTest::newRow("hundredfold overflows") << "-1E308"
                                               << "-8388608"
                                               << "0";
    }
    void splitFrequency() {
        QFETCH(QString, hertz);
        QFETCH(QString, function);
        QFETCH(QString, data);
        const drive::FrequencyFields fields = drive::SplitFrequency(hertz);
        QCOMPARE(fields.function, function);
        QCOMPARE(fields.data, data);
    }
};

QTEST_APPLESS_MAIN(TstReplyDecoder)
#include "tst_reply_decoder.moc"
