// Listening end to end: the program on the simulated drive's tap while the simulator's own
// master polls the drive, and a listener that must never write to the line it hears.
#include <QProcess>
#include <QtTest>

#include "exchange/exchange_core.h"
#include "listen/bus_listener.h"
#include "program_environment.h"
#include "pty_pair.h"
#include "serial/qt_serial_port.h"
#include "sim/drive_server.h"
#include "sim/simulated_master.h"

namespace {

const serial::PortSettings kLine{9600, serial::Parity::None, 8, 1};

// A listener on one end of a pseudo-terminal, arrivals told through the exchange core as in the
// program; `wire` is the line's other end.
struct ListeningPort {
    TestLine wire;
    serial::QtSerialPort port{MapTo(wire.slavePath())};
    exchange::ExchangeCore core{port};
    listen::BusListener listener{port};
    std::vector<listen::HeardFrame> heard;

    bool start() {
        port.setPortNumber(1);
        port.setSettings(QStringLiteral("9600,n,8,1"));
        if (!wire.isValid() || !port.open()) return false;
        QObject::connect(&listener, &listen::BusListener::framesHeard,
                         [this](const std::vector<listen::HeardFrame>& frames) {
                             heard.insert(heard.end(), frames.begin(), frames.end());
                         });
        core.setListener([this] { listener.onArrival(); }, QStringLiteral("listening"));
        listener.start(kLine, frame::Framing::Rtu);
        return true;
    }
};

}  // namespace

class TestListeningLine : public QObject {
    Q_OBJECT
  private slots:
    // Every frame the master sent and got, heard once, in order, paired and good, whether the
    // tap delivers at the wire's pace or merged as a USB adapter does; tshark reads the capture
    // as Modbus RTU with every CRC right.
    void listenerHearsWhatTheMasterLogged_data() {
        QTest::addColumn<bool>("merging");
        QTest::newRow("at the wire's pace") << false;
        QTest::newRow("merged by a USB adapter") << true;
    }
    void listenerHearsWhatTheMasterLogged() {
        QFETCH(bool, merging);
        QTemporaryDir dir;
        sim::DriveServer drive(1);
        drive.setDrives({1, 2});
        QString tap, line, error;
        QVERIFY2(drive.startTap(merging, &tap, &error), qPrintable(error));
        drive.setLinkPath(dir.filePath("line"));
        QVERIFY2(drive.startPseudoTerminal(&line, &error), qPrintable(error));
        sim::SimulatedMaster master({dir.filePath("line"), kLine, frame::Framing::Rtu, {1, 2}, 60});
        QVERIFY2(master.start(&error), qPrintable(error));

        QProcess program;
        program.setProcessEnvironment(WithoutDisplay());
        const QString pcap = dir.filePath("bus.pcap");
        program.start(QStringLiteral(MODBUS_DEBUGGER),
                      {"--listen", "--port", "COM1=" + tap, "--baud", "9600", "--format", "rtu-8n1",
                       "--duration", "2", "--listen-pcap", pcap, "--language", "en"});
        QVERIFY(program.waitForFinished(20000));
        master.stop();
        QCOMPARE(program.exitCode(), 0);
        // The listener comes in and leaves while the master polls: it may hear a frame's tail
        // first, and a request whose reply it hears only in part, or not at all, last.
        QStringList rows = QString::fromUtf8(program.readAllStandardOutput()).split('\n');
        rows.removeAll(QString());
        rows.removeFirst();  // the header
        const int framesHeard = int(rows.size());
        while (!rows.isEmpty() && rows.first().section(',', 2, 2) != QLatin1String("request"))
            rows.removeFirst();
        while (!rows.isEmpty() && rows.last().section(',', 2, 2) + rows.last().section(',', 6, 6) !=
                                      QLatin1String("replygood"))
            rows.removeLast();
        QStringList heard;
        for (const QString& row : rows) {
            const QStringList fields = row.split(',');
            QVERIFY2(fields[6] == QLatin1String("good"), qPrintable(row));
            heard << (fields[2] == QLatin1String("request") ? "-> " : "<- ") +
                         QString(fields[4]).remove(' ');
        }
        QVERIFY2(heard.size() >= 40, qPrintable(heard.join('\n')));
        // The listener starts and ends while the master polls: what it heard is one stretch of
        // the master's log, from a request on.
        const QStringList log = master.log();
        const int from = int(log.indexOf(heard.first()));
        QVERIFY2(from >= 0 && heard.first().startsWith("->"), qPrintable(heard.first()));
        QCOMPARE(heard, log.mid(from, heard.size()));

        QProcess tshark;
        tshark.start(
            QStringLiteral("tshark"),
            {"-r", pcap, "-o", R"x(uat:user_dlts:"User 0 (DLT=147)","mbrtu","0","","0","")x", "-o",
             "mbrtu.crc_verification:TRUE", "-T", "fields", "-e", "mbrtu.unit_id", "-e",
             "mbrtu.crc16.status"});
        QVERIFY2(tshark.waitForFinished(30000), "tshark (Debian package tshark) did not run");
        // One line a packet; a frame too short for the dissector's fields gives an empty one.
        QStringList packets = QString::fromLatin1(tshark.readAllStandardOutput()).split('\n');
        packets.removeLast();
        // A packet for every frame, and every frame of a pair with its CRC good (1).
        QCOMPARE(int(packets.size()), framesHeard);
        QVERIFY(packets.filter(QRegularExpression(R"(^[12]\t1$)")).size() >= heard.size());
    }

    // A listener held up past a frame's hold (a busy machine) finds the frame's rest waiting in
    // the driver: the frame is whole, not cut short by a silence the line never had.
    void heldUpListenerTakesTheRestFirst() {
        ListeningPort listening;
        QVERIFY(listening.start());
        const QByteArray reply = QByteArray::fromHex("0104030112C56D7D");
        QVERIFY(listening.wire.write(reply.left(4)));
        QTest::qWait(30);  // taken, and the port quiet again
        QVERIFY(listening.wire.write(reply.mid(4)));
        QThread::msleep(80);  // no event runs: the hold of 50 ms runs out meanwhile
        QTRY_COMPARE(listening.heard.size(), std::size_t(1));
        QCOMPARE(listening.heard[0].frame.bytes, reply);
        QCOMPARE(listening.heard[0].frame.shape, listen::FrameShape::Whole);
        listening.listener.stop();
        QCOMPARE(listening.heard.size(), std::size_t(1));
    }

    // While listening nothing reaches the line: a press through the exchange core is refused
    // with the reason, and the device's other end reads not one byte, while what it carries
    // is heard.
    void listeningNeverWrites() {
        ListeningPort listening;
        QVERIFY(listening.start());
        TestLine& wire = listening.wire;
        exchange::ExchangeCore& core = listening.core;
        std::vector<listen::HeardFrame>& heard = listening.heard;

        std::vector<exchange::ExchangeRecord> records;
        QObject::connect(&core, &exchange::ExchangeCore::recordAdded,
                         [&](const exchange::ExchangeRecord& r) { records.push_back(r); });
        std::optional<exchange::Exchange> done;
        core.submit({QByteArray::fromHex("010401018049"), exchange::Origin::Manual},
                    [&](const exchange::Exchange& e) { done = e; });
        QTRY_VERIFY(done.has_value());
        QVERIFY(!done->sent);
        QCOMPARE(records.size(), std::size_t(1));
        QCOMPARE(records[0].direction, exchange::Direction::NotSent);
        QCOMPARE(records[0].detail, QStringLiteral("listening"));

        QVERIFY(wire.write(QByteArray::fromHex("010401018049")));
        QTest::qWait(20);
        QVERIFY(wire.write(QByteArray::fromHex("0104030112C56D7D")));
        QTRY_COMPARE(heard.size(), std::size_t(2));
        QCOMPARE(heard[1].role, listen::FrameRole::Reply);
        QCOMPARE(heard[1].verdict, exchange::Verdict::Good);
        QVERIFY(wire.read(1, 300).isEmpty());

        // Listening over, the core sends again.
        listening.listener.stop();
        core.clearListener();
        core.submit({QByteArray::fromHex("010401018049"), exchange::Origin::Manual});
        QCOMPARE(wire.read(6, 2000), QByteArray::fromHex("010401018049"));
    }
};

QTEST_MAIN(TestListeningLine)
#include "tst_listening_line.moc"
