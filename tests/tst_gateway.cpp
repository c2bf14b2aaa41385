// Drives behind a real serial device server: Debian's ser2net on loopback between the network
// and the simulated drive's pseudo-terminal, in raw TCP and in RFC 2217 mode. The drive answers
// only at its own settings (19200, 8 data bits, odd parity), so a good reading through RFC 2217
// shows that the program set the gateway's port.
#include <QtTest>

#include "drive/drive_requests.h"
#include "exchange/exchange_core.h"
#include "frame/frame_composer.h"
#include "line_reading.h"
#include "program_environment.h"
#include "pty_pair.h"
#include "ser2net_gateway.h"
#include "serial/line_selector.h"
#include "sim/drive_server.h"

namespace {

using Mode = Ser2netGateway::Mode;
const serial::PortSettings kDriveLine{19200, serial::Parity::Odd, 8, 1};

// The drive on a pseudo-terminal of its own, answering at 19200 8,O,1 only, behind ser2net
// whose port starts at `gatewaySettings`.
struct GatewayRig {
    sim::DriveServer drive;
    Ser2netGateway gateway;
    QString error;
    bool started = false;

    GatewayRig(Mode mode, const QString& gatewaySettings) {
        drive.setOwnLine(kDriveLine);
        drive.setStrictLine(true);
        QString path;
        started = drive.startPseudoTerminal(&path, &error) &&
                  gateway.start(mode, path, gatewaySettings, &error);
    }
};

// The core with its line at `settingsText`, reopened as the window does on a click.
void SetLine(serial::SerialPort& line, exchange::ExchangeCore& core, const QString& settingsText,
             frame::Framing framing) {
    line.close();
    line.setSettings(settingsText);
    line.open();
    core.setLine(*serial::ParseSettings(settingsText), framing);
    core.setReplyTimeout(std::chrono::milliseconds(300));  // ser2net on a busy machine
}

}  // namespace

class TestGateway : public QObject {
    Q_OBJECT
  private slots:
    void readingsThroughTheGateway_data() {
        QTest::addColumn<Mode>("mode");
        QTest::addColumn<QString>("settings");  // the line's, as the buttons give them
        QTest::addColumn<bool>("good");
        // Raw: ser2net's own port is 19200 8O1; the buttons choose the framing only.
        QTest::newRow("raw RTU") << Mode::Raw << "19200,o,8,1" << true;
        // RFC 2217: ser2net's port starts at 9600 8N1 and follows the buttons: at 9600 the drive
        // is silent, at its own settings, asked over the same connection, it answers.
        QTest::newRow("RFC 2217 at 9600") << Mode::Rfc2217 << "9600,o,8,1" << false;
    }
    void readingsThroughTheGateway() {
        QFETCH(Mode, mode);
        QFETCH(QString, settings);
        const frame::Framing framing = frame::Framing::Rtu;
        QFETCH(bool, good);
        GatewayRig rig(mode, mode == Mode::Raw ? "19200o81" : "9600n81");
        QVERIFY2(rig.started, qPrintable(rig.error));
        serial::LineSelector line(MapTo(rig.gateway.address()));
        line.setPortNumber(1);
        exchange::ExchangeCore core(line);
        SetLine(line, core, settings, framing);
        QVERIFY2(line.isOpen(), qPrintable(line.errorText()));
        for (int i = 0; i < 3; ++i)
            QCOMPARE(ReadOnce(core, framing) == exchange::Verdict::Good, good);
        if (good) return;
        // The right settings, set over the connection already made, reach the drive.
        SetLine(line, core, QStringLiteral("19200,o,8,1"), framing);
        QVERIFY2(line.isOpen(), qPrintable(line.errorText()));
        QCOMPARE(ReadOnce(core, framing), exchange::Verdict::Good);
    }

    // The gateway goes away: the reason in plain words and nothing sent; it comes back: so does
    // the line, at the settings the buttons give.
    void gatewayGoesAwayAndComesBack() {
        GatewayRig rig(Mode::Rfc2217, "9600n81");
        QVERIFY2(rig.started, qPrintable(rig.error));
        serial::LineSelector line(MapTo(rig.gateway.address()));
        line.setPortNumber(1);
        exchange::ExchangeCore core(line);
        SetLine(line, core, QStringLiteral("19200,o,8,1"), frame::Framing::Rtu);
        QCOMPARE(ReadOnce(core, frame::Framing::Rtu), exchange::Verdict::Good);
        std::vector<exchange::Direction> directions;
        QObject::connect(
            &core, &exchange::ExchangeCore::recordAdded,
            [&](const exchange::ExchangeRecord& r) { directions.push_back(r.direction); });

        const quint16 port = rig.gateway.port();
        rig.gateway.stop();
        QTRY_VERIFY(!line.isOpen());
        QVERIFY2(line.errorText().contains("closed the connection"), qPrintable(line.errorText()));
        QCOMPARE(ReadOnce(core, frame::Framing::Rtu), exchange::Verdict::NoReply);
        QCOMPARE(directions, std::vector<exchange::Direction>{exchange::Direction::NotSent});
        QVERIFY2(line.errorText().contains("refused"), qPrintable(line.errorText()));

        QString path = rig.drive.devicePath();
        QVERIFY2(rig.gateway.start(Mode::Rfc2217, path, "9600n81", &rig.error, port),
                 qPrintable(rig.error));
        QVERIFY(QTest::qWaitFor([&] { return line.open(); }, 3000));
        QCOMPARE(ReadOnce(core, frame::Framing::Rtu), exchange::Verdict::Good);
    }

    // The command-line jobs through RFC 2217, the gateway set from the command line (raw TCP
    // carries the readings above): the parameter backup, and the drive finder, which sets the
    // gateway to every baud rate it tries. The finder tries odd parity only: a pseudo-terminal
    // shows no parity but the odd flag, and ser2net leaves that set when parity goes to none,
    // harmless on a UART but not here.
    void commandLineJobs_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("printed");
        const QStringList backup{"--backup", "FILE",    "--baud",       "19200",
                                 "--format", "rtu-8o1", "--parameters", "0-20"};
        const QStringList scan{"--scan", "--scan-bauds",     "9600,19200", "--scan-formats",
                               "rtu8o1", "--scan-addresses", "1-3"};
        QTest::newRow("backup") << backup << "21 parameters read, 0 without a value";
        QTest::newRow("scan") << scan << "1 19200 RTU 8,O,1 ";
    }
    void commandLineJobs() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, printed);
        GatewayRig rig(Mode::Rfc2217, "9600n81");
        QVERIFY2(rig.started, qPrintable(rig.error));
        rig.drive.updateModel([](sim::DriveModel& m) { m.setParameter(12, 1234); });
        QTemporaryDir dir;
        const QString file = dir.filePath("drive.csv");
        arguments.replaceInStrings(QRegularExpression("^FILE$"), file);
        QProcess program;
        program.setProcessEnvironment(WithoutDisplay());
        program.start(QStringLiteral(MODBUS_DEBUGGER),
                      arguments + QStringList{"--port", "COM1=" + rig.gateway.address()});
        QVERIFY(program.waitForFinished(60000));
        const QString out =
            QString::fromUtf8(program.readAllStandardOutput() + program.readAllStandardError());
        QVERIFY2(program.exitCode() == 0 && out.contains(printed), qPrintable(out));
        QFile saved(file);
        if (arguments.contains("--backup"))
            QVERIFY(saved.open(QIODevice::ReadOnly) && saved.readAll().contains("\n12,1234,"));
        // The finder's probes are monitor reads, never a write.
        const int command =
            arguments.contains("--scan") ? drive::kReadMonitor : drive::kReadParameter;
        QCOMPARE(rig.drive.requestsSeen(), rig.drive.requestsSeen(command));
    }
};

QTEST_MAIN(TestGateway)
#include "tst_gateway.moc"
