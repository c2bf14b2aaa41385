// The simulated drive on a real pseudo-terminal, reached with plain POSIX calls as a master
// program would: requests in, replies out within the master's 50 ms receive window.
//
// CRC and LRC bytes were computed once outside this program and pasted as literals.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include "bytes.h"

#include <termios.h>

#include "pty_pair.h"
#include "sim/drive_server.h"
#include "sim/line_pump.h"

using sim::DriveServer;

namespace {

QString StartPty(DriveServer& server) {
    QString path;
    QString error;
    if (!server.startPseudoTerminal(&path, &error)) qWarning() << error;
    return path;
}

const QByteArray kReadParameter5 = Hex("01010105918B");
const QByteArray kParameter5Reply = Hex("010103050032AD9A");

}  // namespace

class TestSimulatorServer : public QObject {
    Q_OBJECT

  private slots:
    void exchange_data() {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<int>("splitAt");  // the request goes out in two writes, 5 ms apart
        QTest::newRow("rtu read") << kReadParameter5 << kParameter5Reply << 0;
        QTest::newRow("ascii in two writes")
            << QByteArray(":01010105F8\r\n") << QByteArray(":010103050032C4\r\n") << 12;
    }

    // Answers come whole inside the 50 ms window.
    void exchange() {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, expected);
        QFETCH(int, splitAt);
        DriveServer server;
        TestLine line(StartPty(server));
        QVERIFY(line.isValid());
        QElapsedTimer clock;
        clock.start();
        if (splitAt > 0) {
            QVERIFY(line.write(request.left(splitAt)));
            QTest::qSleep(5);
        }
        QVERIFY(line.write(request.mid(splitAt)));
        QCOMPARE(line.read(expected.size(), 500).toHex(' '), expected.toHex(' '));
        QVERIFY2(clock.elapsed() < 45, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(server.requestsSeen(), 1);
    }

    // On a pseudo-terminal set to 4800 baud the reply comes after the turnaround, counted from
    // the request's last character, and each character takes its 2.08 ms of wire time.
    void repliesKeepTheWirePace() {
        DriveServer server;
        server.setTurnaround(30);
        TestLine line(StartPty(server));
        termios tio{};
        QVERIFY(tcgetattr(line.descriptor(), &tio) == 0);
        cfsetispeed(&tio, B4800);
        cfsetospeed(&tio, B4800);
        QVERIFY(tcsetattr(line.descriptor(), TCSANOW, &tio) == 0);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(line.write(kReadParameter5));
        const QByteArray first = line.read(1, 500);
        const qint64 firstMs = clock.elapsed();
        const QByteArray rest = line.read(kParameter5Reply.size() - 1, 500);
        const qint64 lastMs = clock.elapsed();
        QCOMPARE((first + rest).toHex(), kParameter5Reply.toHex());
        // Request 6 x 2.08 ms, turnaround 30 ms, one character; then seven more characters.
        QVERIFY2(firstMs >= 42, qPrintable(QString::number(firstMs)));
        QVERIFY2(lastMs - firstMs >= 13, qPrintable(QString::number(lastMs - firstMs)));
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
