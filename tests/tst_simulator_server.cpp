// The simulated drive on a real pseudo-terminal or device, reached with plain POSIX calls as a
// master program would. CRC and LRC bytes were computed outside this program.
#include <termios.h>

#include <QElapsedTimer>
#include <QtTest>

#include "bytes.h"
#include "pty_pair.h"
#include "sim/drive_server.h"

using sim::DriveServer;

class TestSimulatorServer : public QObject {
    Q_OBJECT

  private slots:
    // On a pseudo-terminal set to 4800 baud the reply comes after the turnaround, counted from
    // the request's last character, and each character takes its 2.08 ms of wire time.
    void repliesKeepTheWirePace() {
        DriveServer server;
        server.setTurnaround(30);
        QString path, error;
        QVERIFY2(server.startPseudoTerminal(&path, &error), qPrintable(error));
        TestLine line(path);
        termios tio{};
        QVERIFY(tcgetattr(line.descriptor(), &tio) == 0);
        cfsetispeed(&tio, B4800);
        cfsetospeed(&tio, B4800);
        QVERIFY(tcsetattr(line.descriptor(), TCSANOW, &tio) == 0);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(line.write(Hex("01010105918B")));
        const QByteArray first = line.read(1, 500);
        const qint64 firstMs = clock.elapsed();
        const QByteArray rest = line.read(7, 500);
        const qint64 lastMs = clock.elapsed();
        QCOMPARE((first + rest).toHex(), Hex("010103050032AD9A").toHex());
        // Request 6 x 2.08 ms, turnaround 30 ms, one character; then seven more characters
        // (14.6 ms). The first read may wake late on a busy machine, so the whole span bounds the
        // pace and the gap only rules out a reply sent in one burst.
        QVERIFY2(firstMs >= 42, qPrintable(QString::number(firstMs)));
        QVERIFY2(lastMs >= 42 + 14, qPrintable(QString::number(lastMs)));
        QVERIFY2(lastMs - firstMs >= 7, qPrintable(QString::number(lastMs - firstMs)));
    }

    // A real device path: here the slave end of a pseudo-terminal made by the test.
    void servesDevice() {
        TestLine line;
        QVERIFY(line.isValid());
        const QString slavePath = line.slavePath();
        DriveServer server(3);
        QString error;
        QVERIFY(!server.startDevice(slavePath, QStringLiteral("9600,q,8,1"), &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!server.startDevice(QStringLiteral("/nonexistent/tty"), "9600,n,8,1", &error));
        QVERIFY2(server.startDevice(slavePath, QStringLiteral("19200,e,8,1"), &error),
                 qPrintable(error));
        QCOMPARE(server.devicePath(), slavePath);
        QVERIFY(line.write(":03010105F6\r\n"));
        QCOMPARE(line.read(17, 500), QByteArray(":030103050032C2\r\n"));
    }
};

QTEST_APPLESS_MAIN(TestSimulatorServer)
#include "tst_simulator_server.moc"
