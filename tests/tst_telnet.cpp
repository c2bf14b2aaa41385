// The telnet layer and RFC 2217 port control of a serial device server, at the byte level, and
// the network line against a scripted gateway that confirms, refuses or says nothing. The byte
// vectors are RFC 2217's own encoding, and the server's greeting and answers were recorded from
// Debian's ser2net 4.3.
#include <QTcpServer>
#include <QtTest>

#include "bytes.h"
#include "serial/com_port_control.h"
#include "serial/tcp_line.h"
#include "serial/telnet_stream.h"

namespace {

// ser2net's greeting: WILL SGA, DO SGA, WILL ECHO, DONT ECHO, DO BINARY, WILL BINARY, DO 44.
const char* const kSer2netGreeting = "fffb03 fffd03 fffb01 fffe01 fffd00 fffb00 fffd2c";
// SET-BAUDRATE 19200, SET-DATASIZE 8, SET-PARITY odd, SET-STOPSIZE 1.
const char* const kSet19200O81 =
    "fffa2c0100004b00fff0 fffa2c0208fff0 fffa2c0302fff0 fffa2c0401fff0";
// ser2net's answers to it (the codes plus 100).
const char* const kAnswer19200O81 =
    "fffa2c6500004b00fff0 fffa2c6608fff0 fffa2c6702fff0 fffa2c6801fff0";

}  // namespace

class TestTelnet : public QObject {
    Q_OBJECT
  private slots:
    void readerSplitsDataFromCommands_data() {
        QTest::addColumn<QByteArrayList>("segments");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("verbs");  // verb and option of each command, in order
        QTest::addColumn<QByteArray>("lastPayload");
        QTest::newRow("255 doubled across two segments")
            << QByteArrayList{Hex("01ff"), Hex("ff02")} << Hex("01ff02") << QByteArray()
            << QByteArray();
        QTest::newRow("ser2net's greeting")
            << QByteArrayList{Hex(kSer2netGreeting)} << QByteArray()
            << Hex("fb03 fd03 fb01 fe01 fd00 fb00 fd2c") << QByteArray();
        QTest::newRow("a command cut after its IAC") << QByteArrayList{Hex("01ff"), Hex("fb2c02")}
                                                     << Hex("0102") << Hex("fb2c") << QByteArray();
        QTest::newRow("baud answer with a doubled 255")
            << QByteArrayList{Hex("fffa2c650000ffff"), Hex("00fff003")} << Hex("03") << Hex("fa2c")
            << Hex("650000ff00");
        // A subnegotiation broken by another command is dropped; the data after it is kept.
        QTest::newRow("subnegotiation without SE") << QByteArrayList{Hex("fffa2c6508fffb0141")}
                                                   << Hex("0141") << QByteArray() << QByteArray();
        QTest::newRow("NOP and go-ahead carry nothing")
            << QByteArrayList{Hex("41fff1fff942")} << Hex("4142") << QByteArray() << QByteArray();
    }
    void readerSplitsDataFromCommands() {
        QFETCH(QByteArrayList, segments);
        QFETCH(QByteArray, data);
        QFETCH(QByteArray, verbs);
        QFETCH(QByteArray, lastPayload);
        serial::telnet::TelnetReader reader;
        QByteArray readData;
        std::vector<serial::telnet::Command> commands;
        for (const QByteArray& segment : segments) {
            readData += reader.feed(segment);
            for (auto& command : reader.takeCommands()) commands.push_back(command);
        }
        QCOMPARE(readData.toHex(' '), data.toHex(' '));
        QByteArray readVerbs;
        for (const auto& command : commands)
            readVerbs += QByteArray() + command.verb + command.option;
        QCOMPARE(readVerbs.toHex(' '), verbs.toHex(' '));
        QCOMPARE(commands.empty() ? QByteArray() : commands.back().payload.toHex(' '),
                 lastPayload.toHex(' '));
    }

    // Every byte value survives escaping and reading back, in one piece or cut anywhere.
    void escapedDataReadsBack() {
        QByteArray all;
        for (int i = 0; i < 256; ++i) all += char(i);
        all += Hex("ffff00ff");
        const QByteArray escaped = serial::telnet::EscapeData(all);
        QCOMPARE(escaped.size(), all.size() + all.count(char(0xFF)));
        for (int cut = 0; cut <= escaped.size(); cut += 37) {
            serial::telnet::TelnetReader reader;
            const QByteArray back = reader.feed(escaped.left(cut)) + reader.feed(escaped.mid(cut));
            QCOMPARE(back, all);
            QVERIFY(reader.takeCommands().empty());
        }
    }

    void portSettingsRequest() {
        serial::ComPortControl control;
        QCOMPARE(control.request({19200, serial::Parity::Odd, 8, 1}).toHex(' '),
                 Hex(kSet19200O81).toHex(' '));
        // 115200 = 0x0001C200; even parity is code 3, two stop bits code 2.
        QCOMPARE(
            control.request({115200, serial::Parity::Even, 7, 2}).toHex(' '),
            Hex("fffa2c010001c200fff0 fffa2c0207fff0 fffa2c0303fff0 fffa2c0402fff0").toHex(' '));
    }

    void answersConfirmOrRefuse_data() {
        QTest::addColumn<QByteArray>("answers");  // the server's bytes
        QTest::addColumn<serial::ComPortControl::State>("state");
        QTest::addColumn<QString>("refusal");
        using State = serial::ComPortControl::State;
        QTest::newRow("ser2net confirms") << Hex(kAnswer19200O81) << State::Confirmed << QString();
        QTest::newRow("three of four answered")
            << Hex("fffa2c6500004b00fff0 fffa2c6608fff0 fffa2c6702fff0") << State::Waiting
            << QString();
        QTest::newRow("refused parity odd, said at once")
            << Hex("fffa2c6703fff0") << State::Refused << "parity even instead of odd";
        QTest::newRow("seven data bits and 1.5 stop bits")
            << Hex("fffa2c6500004b00fff0 fffa2c6607fff0 fffa2c6702fff0 fffa2c6803fff0")
            << State::Refused << "7 data bits instead of 8, 1.5 stop bits instead of 1";
        QTest::newRow("notifications are no answers")
            << Hex("fffa2c6b00fff0 fffa2c6a60fff0") << State::Waiting << QString();
        QTest::newRow("a baud answer of two bytes is no answer")
            << Hex("fffa2c654b00fff0 fffa2c6608fff0 fffa2c6702fff0 fffa2c6801fff0")
            << State::Waiting << QString();
        QTest::newRow("an empty subnegotiation")
            << Hex("fffa2cfff0") << State::Waiting << QString();
    }
    void answersConfirmOrRefuse() {
        QFETCH(QByteArray, answers);
        QFETCH(serial::ComPortControl::State, state);
        QFETCH(QString, refusal);
        serial::ComPortControl control;
        control.request({19200, serial::Parity::Odd, 8, 1});
        serial::telnet::TelnetReader reader;
        QVERIFY(reader.feed(answers).isEmpty());
        for (const auto& command : reader.takeCommands()) control.answer(command.payload);
        QCOMPARE(control.state(), state);
        QVERIFY2(control.refusal().contains(refusal), qPrintable(control.refusal()));
        QCOMPARE(control.refusal().isEmpty(), refusal.isEmpty());
        // A new request forgets the answers to the one before.
        control.request({9600, serial::Parity::None, 8, 1});
        QCOMPARE(control.state(), serial::ComPortControl::State::Waiting);
    }

    void scriptedGateway_data() {
        QTest::addColumn<QByteArray>("script");  // what the gateway says once the client spoke
        QTest::addColumn<bool>("opens");
        QTest::addColumn<QString>("reason");
        QTest::newRow("confirms") << Hex(kSer2netGreeting) + Hex(kAnswer19200O81) << true
                                  << QString();
        QTest::newRow("keeps 9600 baud")
            << Hex("fffa2c6500002580fff0 fffa2c6608fff0 fffa2c6702fff0 fffa2c6801fff0") << false
            << "9600 baud instead of 19200";
        QTest::newRow("offers no port control") << Hex("fffe2c") << false << "RFC 2217";
        QTest::newRow("says nothing") << QByteArray() << false << "not confirmed";
    }
    // The gateway runs in this thread, so it answers only once the open's short wait is over:
    // its answers open the line when they come.
    void scriptedGateway() {
        QFETCH(QByteArray, script);
        QFETCH(bool, opens);
        QFETCH(QString, reason);
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        QByteArray heard;
        QTcpSocket* peer = nullptr;
        connect(&server, &QTcpServer::newConnection, this, [&] {
            peer = server.nextPendingConnection();
            connect(peer, &QTcpSocket::readyRead, peer, [&] {
                heard += peer->readAll();
                if (heard.contains(Hex("fffa2c0401fff0")) && !script.isEmpty()) {
                    peer->write(script);
                    script.clear();
                }
            });
        });
        serial::TcpLine line;
        line.setAddress(QStringLiteral("rfc2217://127.0.0.1:%1").arg(server.serverPort()));
        line.setSettings(QStringLiteral("19200,o,8,1"));
        QVERIFY(!line.open());
        QVERIFY2(line.errorText().contains("not confirmed"), qPrintable(line.errorText()));
        QTest::qWait(200);
        QCOMPARE(line.isOpen(), opens);
        // The client offered port control and binary data, then asked for its settings; it
        // turned the gateway's echo down.
        QVERIFY(heard.startsWith(Hex("fffb2c fffb00 fffd00 fffb03 fffd03") + Hex(kSet19200O81)));
        QCOMPARE(heard.contains(Hex("fffe01")), opens);
        if (!opens) {
            QVERIFY2(line.errorText().contains(reason), qPrintable(line.errorText()));
            return;
        }
        QVERIFY(line.errorText().isEmpty());
        // Inside telnet a data 255 goes twice each way.
        line.write(Hex("01ff02"));
        line.drain(std::chrono::milliseconds(100));
        heard.clear();
        QTRY_COMPARE(heard.toHex(' '), Hex("01ffff02").toHex(' '));
        peer->write(Hex("03ffff04"));
        QByteArray read;
        QVERIFY(QTest::qWaitFor([&] {
            read += line.readPendingInput();
            return read.size() >= 3;
        }));
        QCOMPARE(read.toHex(' '), Hex("03ff04").toHex(' '));

        // A change of settings reopens the line over the same connection: the gateway is asked
        // for the new settings and does not reopen its port.
        QTcpSocket* first = peer;
        heard.clear();
        line.close();
        QVERIFY(!line.isOpen());
        line.setSettings(QStringLiteral("9600,n,8,1"));
        QVERIFY(!line.open());  // the gateway in this thread answers only afterwards
        QTRY_VERIFY(heard.contains(Hex("fffa2c0100002580fff0 fffa2c0208fff0 fffa2c0301fff0")));
        QCOMPARE(peer, first);
        QVERIFY(!server.hasPendingConnections());
    }

    // Bytes from the gateway before it has confirmed the port's settings, or while the program
    // has the line closed (the connection lingers for a reopen), answer nothing the program
    // asked: they are never read, nor announced.
    void bytesOutsideTheOpenLineAreDropped() {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        QTcpSocket* peer = nullptr;
        connect(&server, &QTcpServer::newConnection, this,
                [&] { peer = server.nextPendingConnection(); });
        const QByteArray answer = Hex("0104030112C56D7D");
        int announced = 0;

        serial::TcpLine telnet;
        telnet.setArrivalHandler([&] { ++announced; });
        telnet.setAddress(QStringLiteral("rfc2217://127.0.0.1:%1").arg(server.serverPort()));
        telnet.setSettings(QStringLiteral("19200,o,8,1"));
        QVERIFY(!telnet.open());  // the gateway in this thread answers only afterwards
        QTRY_VERIFY(peer);
        peer->write(answer);
        QTest::qWait(50);
        QCOMPARE(telnet.pendingInputCount(), 0);
        peer->write(Hex(kSer2netGreeting) + Hex(kAnswer19200O81));
        QTRY_VERIFY(telnet.isOpen());
        QCOMPARE(telnet.readPendingInput(), QByteArray());
        QCOMPARE(announced, 0);

        serial::TcpLine raw;
        raw.setArrivalHandler([&] { ++announced; });
        raw.setAddress(QStringLiteral("tcp://127.0.0.1:%1").arg(server.serverPort()));
        peer = nullptr;
        QVERIFY(raw.open());
        QTRY_VERIFY(peer);
        raw.close();
        peer->write(answer);  // read by the line while it lingers
        QTest::qWait(50);
        QCOMPARE(raw.pendingInputCount(), 0);
        QCOMPARE(announced, 0);
        peer->write(answer);  // still unread when the line opens again
        peer->flush();
        QTest::qSleep(50);
        QVERIFY(raw.open());
        QCOMPARE(raw.readPendingInput(), QByteArray());
        peer->write(Hex("0104030212C59D7D"));
        QByteArray got;
        QVERIFY(QTest::qWaitFor([&] {
            got += raw.readPendingInput();
            return got.size() >= 8;
        }));
        QCOMPARE(got.toHex(' '), Hex("0104030212C59D7D").toHex(' '));
    }
};

QTEST_GUILESS_MAIN(TestTelnet)
#include "tst_telnet.moc"
