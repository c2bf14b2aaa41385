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

#include <termios.h>

#include "pty_pair.h"
#include "sim/drive_server.h"
#include "sim/line_pump.h"

using sim::DriveServer;
using sim::Injection;

namespace {

QByteArray Hex(const char* text) {
    return QByteArray::fromHex(text);
}

// A request and what comes back within the master's window.
QByteArray Exchange(TestLine& line, const QByteArray& request, int size, int timeoutMs = 500) {
    return line.write(request) ? line.read(size, timeoutMs) : QByteArray("write failed");
}

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
        QTest::newRow("another address") << Hex("0201010591CF") << QByteArray() << 0;
    }

    // Answers come whole inside the 50 ms window; what is not for the drive gets no answer.
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
        const QByteArray reply =
            line.read(expected.isEmpty() ? 1 : expected.size(), expected.isEmpty() ? 150 : 500);
        QCOMPARE(reply.toHex(' '), expected.toHex(' '));
        if (!expected.isEmpty())
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

    // A fragment whose length byte promises 255 more bytes, then silence: the next request is
    // read on its own and answered in time.
    void staleFragmentIsDropped() {
        DriveServer server;
        TestLine line(StartPty(server));
        QVERIFY(line.write(Hex("0104FF")));
        QTest::qSleep(3 * sim::kSilenceMs);
        QVERIFY(line.write(kReadParameter5));
        QCOMPARE(line.read(kParameter5Reply.size(), 45).toHex(), kParameter5Reply.toHex());
    }

    // The program closing and reopening its port is no hang-up for the drive.
    void portClosedAndReopened() {
        DriveServer server;
        const QString path = StartPty(server);
        for (int round = 0; round < 3; ++round) {
            TestLine line(path);
            QVERIFY(line.isValid());
            QCOMPARE(Exchange(line, kReadParameter5, 8).toHex(), kParameter5Reply.toHex());
        }
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
        QCOMPARE(Exchange(line, ":03010105F6\r\n", 17), QByteArray(":030103050032C2\r\n"));
    }

    // Stopping with a late reply still to come ends at once.
    void stopsWithReplyPending() {
        auto server = std::make_unique<DriveServer>();
        server->setInjection(Injection::LateReply);
        TestLine line(StartPty(*server));
        QVERIFY(line.write(kReadParameter5));
        QTRY_COMPARE_WITH_TIMEOUT(server->requestsSeen(), 1, 1000);
        QElapsedTimer timer;
        timer.start();
        server.reset();
        QVERIFY(timer.elapsed() < 100);
    }
};

QTEST_APPLESS_MAIN(TestSimulatorServer)
#include "tst_simulator_server.moc"
