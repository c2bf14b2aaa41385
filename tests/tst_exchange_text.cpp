// What a send puts on the line and what the log and the receive grid show of an exchange.
#include <QtTest>

#include "exchange/exchange_text.h"
#include "serial/port_map.h"
#include "serial/port_settings.h"

using exchange::Direction;

namespace {

std::array<QString, exchange::kCells> Cells(const QStringList& texts) {
    std::array<QString, exchange::kCells> cells;
    for (int i = 0; i < texts.size() && i < exchange::kCells; ++i) cells[i] = texts[i];
    return cells;
}

}  // namespace

class TestExchangeText : public QObject {
    Q_OBJECT
  private slots:
    void bytesToSend_data() {
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty grid sends one 00") << QStringList{} << QByteArray(1, '\0');
        QTest::newRow("empty cell 0 goes out as 00")
            << QStringList{"", "41"} << QByteArray::fromHex("0041");
        QTest::newRow("stops at the first gap")
            << QStringList{"01", "02", "03", "04", "", "06"} << QByteArray::fromHex("01020304");
        QTest::newRow("lower case and one digit")
            << QStringList{"a5", "7"} << QByteArray::fromHex("A507");
        QStringList full;
        QByteArray fullBytes;
        for (int i = 0; i < 64; ++i) {
            full << QString::number(i, 16);
            fullBytes.append(static_cast<char>(i));
        }
        QTest::newRow("all 64 cells") << full << fullBytes;
    }
    void bytesToSend() {
        QFETCH(QStringList, cells);
        QFETCH(QByteArray, bytes);
        QCOMPARE(exchange::BytesToSend(Cells(cells)).toHex(' '), bytes.toHex(' '));
    }

    void logLine_data() {
        QTest::addColumn<int>("counter");
        QTest::addColumn<bool>("sent");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QString>("line");
        QTest::newRow("reply") << 42 << false << QByteArray(":0103") << "[00042] RXD:  ( :0103 )";
        QTest::newRow("byte 0 as its picture")
            << 1 << true << QByteArray("\0A", 2) << QString::fromUtf8("[00001] TXD:  ( ␀A )");
        QTest::newRow("line end as control pictures")
            << 32767 << true << QByteArray(":F8\r\n")
            << QString::fromUtf8("[32767] TXD:  ( :F8␍␊ )");
    }
    void logLine() {
        QFETCH(int, counter);
        QFETCH(bool, sent);
        QFETCH(QByteArray, frame);
        QFETCH(QString, line);
        QCOMPARE(exchange::LogLine(counter, sent ? Direction::Sent : Direction::Received, frame),
                 line);
    }

    void counterWrapsAfter32767() {
        QCOMPARE(exchange::NextCounter(32766), 32767);
        QCOMPARE(exchange::NextCounter(32767), 0);
    }

    // The grid shows the first 64 bytes; byte 00 has an empty character cell.
    void receiveGrid() {
        QByteArray reply = QByteArray::fromHex("0103020064B9AF00");
        exchange::GridTexts grid = exchange::ReceiveGridTexts(reply);
        QCOMPARE(grid.shown, 8);
        QCOMPARE(QStringList(grid.hex.begin(), grid.hex.begin() + 9).join(' '),
                 QStringLiteral("01 03 02 00 64 B9 AF 00 "));
        QCOMPARE(grid.chars[4], QStringLiteral("d"));
        QCOMPARE(grid.chars[7], QString());
        QVERIFY(grid.hex[63].isEmpty() && grid.chars[63].isEmpty());
        for (int i = 0; i < 100; ++i) reply.append(static_cast<char>(i + 1));
        grid = exchange::ReceiveGridTexts(reply);
        QCOMPARE(grid.shown, 64);
        QCOMPARE(grid.hex[63], QStringLiteral("38"));
        QCOMPARE(grid.chars[63], QStringLiteral("8"));
    }

    void settingsText_data() {
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("text");
        QTest::newRow("start-up") << 1 << 0 << "9600,n,8,1";
        QTest::newRow("ASCII,8,O,1 is odd") << 0 << 1 << "4800,o,8,1";
        QTest::newRow("RTU 8,E,1 is even") << 1 << 5 << "9600,e,8,1";
        QTest::newRow("no format selected") << 1 << -1 << "9600,";
    }
    void settingsText() {
        QFETCH(int, baud);
        QFETCH(int, format);
        QTEST(serial::SettingsText(baud, format), "text");
    }

    // --port assignments first; detected devices fill the other buttons, USB and ACM adapters
    // before built-in ports, none twice.
    void portMap() {
        const QStringList detected = serial::OrderDetectedDevices(
            {"/dev/ttyS1", "/dev/ttyUSB1", "/dev/ttyS0", "/dev/ttyACM0", "/dev/ttyUSB0"});
        QCOMPARE(detected.join(' '),
                 "/dev/ttyACM0 /dev/ttyUSB0 /dev/ttyUSB1 /dev/ttyS0 /dev/ttyS1");
        serial::PortMap map;
        QString error;
        QVERIFY(serial::BuildPortMap({"COM2=/dev/ttyUSB0"}, detected, &map, &error));
        QCOMPARE(QStringList(map.devices.begin(), map.devices.end()).join(' '),
                 "/dev/ttyACM0 /dev/ttyUSB0 /dev/ttyUSB1 /dev/ttyS0");
    }

    // Parity, bits per character and the frame gap in microseconds (3.5 characters, a fixed
    // 1750 above 19200 baud); nothing for a text that is no line setting.
    void parseSettings_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("read");
        // clang-format off
        QTest::newRow("no parity") << "9600,n,8,1" << "none 10 3643";
        QTest::newRow("even parity at 19200") << "19200,E,8,1" << "even 11 2002";
        QTest::newRow("odd parity above 19200") << "38400,o,8,1" << "odd 11 1750";
        QTest::newRow("baud part alone") << "9600," << "";
        QTest::newRow("bad parity") << "9600,x,8,1" << "";
        // clang-format on
    }
    void parseSettings() {
        QFETCH(QString, text);
        const auto s = serial::ParseSettings(text);
        const char* parity = !s                                  ? ""
                             : s->parity == serial::Parity::Even ? "even"
                             : s->parity == serial::Parity::Odd  ? "odd"
                                                                 : "none";
        QTEST(s ? QStringLiteral("%1 %2 %3")
                      .arg(parity)
                      .arg(serial::BitsPerCharacter(*s))
                      .arg(serial::FrameGap(*s).count())
                : QString(),
              "read");
    }
};

QTEST_APPLESS_MAIN(TestExchangeText)
#include "tst_exchange_text.moc"
