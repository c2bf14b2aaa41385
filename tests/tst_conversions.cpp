// The box-text rules every handler relies on: reading numbers, rounding, and rendering.
#include <QtTest>

#include <cfloat>

#include "convert/conversions.h"

using conv::IntWidth;

class TestConversions : public QObject {
    Q_OBJECT
  private slots:
    // Hex rows go through ReadHex, the others through ReadNumber.
    void readNumber_data() {
        QTest::addColumn<bool>("hex");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected");
        // clang-format off
        const QList<std::tuple<bool, const char*, double>> rows = {
            {false, "", 0}, {false, "abc", 0}, {false, " 1 5", 15}, {false, "\t1\n2 ", 12},
            {false, "2.5.1", 2.5}, {false, "1E2", 100}, {false, "1d-2", 0.01}, {false, "1E", 1},
            {false, "1e+", 1}, {false, "12abc", 12}, {false, ".5", 0.5}, {false, "-.5", -0.5},
            {false, "-", 0}, {false, "--5", 0}, {false, "+7", 7}, {false, "1,5", 1},
            {false, "0.00012E4", 1.2}, {false, "&hff", 255}, {false, "&H8000", -32768},
            {false, "&HFFFF", -1}, {false, "&H10000", 65536}, {false, "&HFFFFFFFF", -1},
            {false, "&H0000FFFF", 65535}, {false, "&H123456789", 0x12345678}, {false, "&H", 0},
            {false, "& H 1 0", 16}, {false, "1E999", DBL_MAX}, {false, "-1D999", -DBL_MAX},
            {false, "1E99999999999999999999999", DBL_MAX}, {false, "1E-999", 0},
            {false, "1.7976931348623159E308", DBL_MAX},
            {true, "a5", 165}, {true, "7", 7}, {true, "G1", 0}, {true, "00C8", 200},
            {true, "FF38", -200}, {true, "", 0}, {true, "8000", -32768}, {true, "A 5", 165},
            {true, "FFFFF", 1048575}};
        // clang-format on
        for (const auto& [hex, text, expected] : rows) {
            const QByteArray name = QByteArray(text).replace('\t', "\\t").replace('\n', "\\n");
            QTest::addRow("%s\"%s\"", hex ? "hex " : "", name.constData())
                << hex << QString(text) << expected;
        }
        // Leading zeros and exponents far beyond any digit counter still balance out.
        QTest::newRow("long fraction")
            << false << "0." + QString(1'000'000, u'0') + "1E1000000" << 0.1;
        QTest::newRow("long integer") << false << "1" + QString(400, u'0') + "E-400" << 1.0;
    }
    void readNumber() {
        QFETCH(bool, hex);
        QFETCH(QString, text);
        QTEST(hex ? conv::ReadHex(text) : conv::ReadNumber(text), "expected");
    }

    void readNumberOnHostileText() {
        QCOMPARE(conv::ReadNumber(QString(2'000'000, u' ') + "5"), 5.0);
        QCOMPARE(conv::ReadNumber(QString(2'000'000, u'9')), DBL_MAX);
    }

    void roundToInt_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<IntWidth>("width");
        QTest::addColumn<qint64>("expected");
        const double inf = qInf();
        const IntWidth b = IntWidth::Byte, s = IntWidth::Int16, l = IntWidth::Int32;
        // clang-format off
        const QList<std::tuple<const char*, double, IntWidth, qint64>> rows = {
            {"0.5", 0.5, s, 0}, {"1.5", 1.5, s, 2}, {"2.5", 2.5, s, 2}, {"3.5", 3.5, s, 4},
            {"-2.5", -2.5, s, -2}, {"-1.5", -1.5, s, -2}, {"-2.6", -2.6, s, -3},
            {"2.51", 2.51, s, 3}, {"just under half", 0.49999999999999994, s, 0},
            {"byte high", 255.5, b, 255}, {"byte low", -1, b, 0},
            {"int16 high", 32767.5, s, 32767}, {"int16 low", -40000, s, -32768},
            {"int32 edge", 2147483646.5, l, 2147483646}, {"int32 high", 3e9, l, INT32_MAX},
            {"int32 low", -1e300, l, INT32_MIN}, {"nan", qQNaN(), l, 0},
            {"inf", inf, b, 255}, {"-inf", -inf, s, -32768}};
        // clang-format on
        for (const auto& [name, value, width, expected] : rows)
            QTest::newRow(name) << value << width << expected;
    }
    void roundToInt() {
        QFETCH(double, value);
        QFETCH(IntWidth, width);
        QTEST(conv::RoundToInt(value, width), "expected");
    }

    void hexByteText() {
        const QList<QPair<int, const char*>> bytes = {{0, "00"},   {5, "05"},     {58, "3A"},
                                                      {255, "FF"}, {0x1A5, "A5"}, {-1, "FF"}};
        for (const auto& [value, text] : bytes) QCOMPARE(conv::HexByteText(value), QString(text));
    }

    void picture_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("expected");
        // clang-format off
        const QList<std::tuple<double, const char*, const char*>> rows = {
            {42, "0####", "00042"}, {0, "0####", "00000"}, {32767, "0####", "32767"},
            {123456, "0####", "123456"}, {1450, "0###0 r/min", "01450 r/min"},
            {48.05, "0##.#0 Hz", "048.05 Hz"}, {50, "0##.#0 Hz", "050.00 Hz"},
            {0.1 + 0.2, "0##.#0 Hz", "000.30 Hz"}, {2.5, "0##.0 A", "002.5 A"},
            {-1.5, "0##.0 A", "-001.5 A"}, {7, "0###0 P", "00007 P"},
            {-0.01, "0##.0 A", "000.0 A"}, {540.1, "0##.0 DCV", "540.1 DCV"}};
        // clang-format on
        for (const auto& [value, pattern, expected] : rows)
            QTest::newRow(expected) << value << QString(pattern) << QString(expected);
        QTest::newRow("chinese unit") << 45.6 << QString("0##.0 度") << QString("045.6 度");
    }
    void picture() {
        QFETCH(double, value);
        QFETCH(QString, pattern);
        QTEST(conv::Picture(value, pattern), "expected");
    }

    void pictureShowsEveryDigitOfHugeValues() {
        const QString text = conv::Picture(-1e300, "0##.0 A");
        QVERIFY2(text.startsWith("-1") && text.endsWith(".0 A"), qPrintable(text));
        QCOMPARE(text.size(), 1 + 301 + 2 + 2);
    }

    void charMapping() {
        QVERIFY(conv::CharOf(0).isEmpty());
        QCOMPARE(conv::CharOf(0x0D), QString(QChar(0x240D)));
        QCOMPARE(conv::CharOf(0x7F), QString(QChar(0x2421)));
        QCOMPARE(conv::CodeOf(QChar(0x017F)), 0xFF);
        for (char16_t u : {0x0000, 0x2400, 0x2420, 0x00E9, 0x0180, 0x4E2D, 0x2422})
            QCOMPARE(conv::CodeOf(QChar(u)), -1);
        const QByteArray bytes = QByteArray::fromHex("004101FF");
        QCOMPARE(conv::CharsOf(bytes),
                 QString(QChar(0x2400)) + "A" + QChar(0x2401) + QChar(0x017F));
    }

    // A paste into the send grid is taken whole or refused whole.
    void pastedHex_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("taken");
        QTest::addColumn<QByteArray>("bytes");
        // clang-format off
        QTest::newRow("spaces") << "01 03 00 00 00 02" << true << QByteArray::fromHex("010300000002");
        QTest::newRow("commas and 0x") << "0x01,0x03, 0x0A" << true << QByteArray::fromHex("01030A");
        QTest::newRow("one run") << "010300000002" << true << QByteArray::fromHex("010300000002");
        QTest::newRow("lower case, line breaks") << "ff\r\n0a\tc5;d5" << true << QByteArray::fromHex("FF0AC5D5");
        QTest::newRow("single digits") << "1 2 a" << true << QByteArray::fromHex("01020A");
        QTest::newRow("one digit alone") << "7" << true << QByteArray::fromHex("07");
        QTest::newRow("odd run") << "01030" << false << QByteArray();
        QTest::newRow("three digits in a group") << "01 030" << false << QByteArray();
        QTest::newRow("a letter beyond F") << "01 0G" << false << QByteArray();
        QTest::newRow("a bare 0x") << "0x 01" << false << QByteArray();
        QTest::newRow("full-width digits") << "０１" << false << QByteArray();
        QTest::newRow("nothing") << "  " << false << QByteArray();
        QTest::newRow("separators only") << ", ;" << false << QByteArray();
        // clang-format on
    }
    void pastedHex() {
        QFETCH(QString, text);
        QFETCH(bool, taken);
        const std::optional<QByteArray> bytes = conv::PastedHex(text);
        QCOMPARE(bytes.has_value(), taken);
        if (taken) QTEST(*bytes, "bytes");
    }

    void pastedChars_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("taken");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("ASCII frame with CR LF") << ":0103\r\n" << true << QByteArray(":0103\r\n");
        QTest::newRow("control pictures") << "␍␊" << true << QByteArray("\r\n");
        QTest::newRow("high bytes as shown") << "Āſ" << true << QByteArray("\x80\xFF");
        QTest::newRow("a Chinese character") << "变" << false << QByteArray();
        QTest::newRow("copied from the history")
            << "␁␃␀␀␀␁" << true << QByteArray("\x01\x03\0\0\0\x01", 6);
    }
    void pastedChars() {
        QFETCH(QString, text);
        QFETCH(bool, taken);
        const std::optional<QByteArray> bytes = conv::PastedChars(text);
        QCOMPARE(bytes.has_value(), taken);
        if (taken) QTEST(*bytes, "bytes");
    }
};

QTEST_APPLESS_MAIN(TestConversions)
#include "tst_conversions.moc"
