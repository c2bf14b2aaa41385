// The values read out of a good reply's body, with the worked examples of the drive's manual.
#include <QtTest>

#include "bytes.h"

#include "drive/reply_decoder.h"

namespace {

QString Text(const std::optional<int>& value) {
    return value ? QString::number(*value) : QStringLiteral("none");
}

}  // namespace

class TestReplyDecoder : public QObject {
    Q_OBJECT
  private slots:
    void values_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("parameter");
        QTest::addColumn<QString>("monitor");
        QTest::addColumn<QString>("fault");
        // clang-format off
        QTest::newRow("length 3: two bytes") << Hex("0101030501F4") << "500" << "500" << "1";
        QTest::newRow("length 2: one byte") << Hex("0101020564") << "100" << "none" << "100";
        QTest::newRow("FFFF is signed") << Hex("01010305FFFF") << "-1" << "-1" << "255";
        QTest::newRow("8000 is the lowest") << Hex("0104030380 00") << "-32768" << "-32768" << "128";
        QTest::newRow("no data byte") << Hex("01040108") << "none" << "none" << "none";
        // clang-format on
    }
    void values() {
        QFETCH(QByteArray, body);
        QTEST(Text(drive::ParameterValue(body)), "parameter");
        QTEST(Text(drive::MonitorValue(body)), "monitor");
        QTEST(Text(drive::FaultCode(body)), "fault");
    }

    void monitorText_data() {
        QTest::addColumn<int>("item");
        QTest::addColumn<int>("raw");
        QTest::addColumn<QString>("expected");
        QTest::newRow("set frequency") << 0 << 4805 << "048.05 Hz";
        QTest::newRow("output current") << 2 << 123 << "012.3 A";
        QTest::newRow("temperature FFFF") << 7 << -1 << QString::fromUtf8("-000.1 度");
        QTest::newRow("speed 8000") << 3 << -32768 << "-32768 r/min";
    }
    void monitorText() {
        QFETCH(int, item);
        QFETCH(int, raw);
        QTEST(drive::MonitorText(raw, drive::MonitorItems().at(item)), "expected");
    }

    void faultText_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("expected");
        const std::pair<int, const char*> rows[] = {
            {0x00, "NO ERROR"}, {0x04, "E.OC.S"}, {0x05, "E.OC.A"}, {0x07, "E.OC.d"},
            {0x16, "E.OU.n"},   {0x21, "E.OL.A"}, {0x27, "E.OA.d"}, {0x2F, "E.LU.d"},
            {0x30, "E.BT.S"},   {0x33, "E.BT.d"}, {0x44, "E.OC.S"}, {0xC5, "E.OC.A"},
            {0x01, "E.01H"},    {0x34, "E.34H"},  {0x3F, "E.3FH"},
        };
        for (const auto& [code, text] : rows)
            QTest::newRow(qPrintable(QString::number(code, 16))) << code << QString(text);
    }
    void faultText() {
        QFETCH(int, code);
        QTEST(drive::FaultText(code), "expected");
    }
};

QTEST_APPLESS_MAIN(TestReplyDecoder)
#include "tst_reply_decoder.moc"
