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

#include "sim/drive_server.h"
#include "sim/line_pump.h"

using sim::DriveServer;
using sim::Injection;

namespace {

QByteArray Hex(const char* text) {
    return QByteArray::fromHex(text);
}

// The master's end of the line: one descriptor, written and read without blocking.
class Line {
  public:
    explicit Line(const QString& path)
        : fd_(open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {}
    explicit Line(int fd) : fd_(fd) {}
    ~Line() {
        if (fd_ >= 0) close(fd_);
    }
    bool isOpen() const { return fd_ >= 0; }
    bool hungUp() const {
        pollfd fds = {fd_, POLLIN, 0};
        return poll(&fds, 1, 0) == 1 && (fds.revents & POLLHUP);
    }

    bool send(const QByteArray& bytes) {
        sent_.start();
        return write(fd_, bytes.constData(), bytes.size()) == bytes.size();
    }

    // Everything that arrives until `size` bytes are in or `timeoutMs` passed since the send;
    // `arrivalMs` is when the last byte came.
    QByteArray receive(int size, int timeoutMs, qint64* arrivalMs = nullptr) {
        QByteArray bytes;
        while (bytes.size() < size && sent_.elapsed() < timeoutMs) {
            pollfd fds = {fd_, POLLIN, 0};
            if (poll(&fds, 1, static_cast<int>(timeoutMs - sent_.elapsed())) <= 0) continue;
            char buffer[512];
            const ssize_t count = read(fd_, buffer, sizeof buffer);
            if (count <= 0) break;
            bytes.append(buffer, static_cast<int>(count));
            if (arrivalMs) *arrivalMs = sent_.elapsed();
        }
        return bytes;
    }

    QByteArray exchange(const QByteArray& request, int size, int timeoutMs = 500) {
        return send(request) ? receive(size, timeoutMs) : QByteArray("write failed");
    }

  private:
    int fd_;
    QElapsedTimer sent_;
};

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
        QTest::addColumn<int>("seen");
        QTest::addColumn<int>("splitAt");  // the request goes out in two writes, 5 ms apart
        const QByteArray asciiRead(":01010105F8\r\n");
        const QByteArray asciiReply(":010103050032C4\r\n");
        QTest::newRow("rtu read") << kReadParameter5 << kParameter5Reply << 1 << 0;
        QTest::newRow("ascii read") << asciiRead << asciiReply << 1 << 0;
        QTest::newRow("rtu in two writes") << kReadParameter5 << kParameter5Reply << 1 << 3;
        QTest::newRow("ascii in two writes") << asciiRead << asciiReply << 1 << 12;
        QTest::newRow("another address") << Hex("0201010591CF") << QByteArray() << 1 << 0;
        QTest::newRow("bad crc") << Hex("01010105918C") << QByteArray() << 0 << 0;
    }

    // Answers come whole inside the 50 ms window; what is not for the drive gets no answer.
    void exchange() {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, expected);
        DriveServer server;
        Line line(StartPty(server));
        QVERIFY(line.isOpen());
        qint64 arrival = 0;
        QFETCH(int, splitAt);
        if (splitAt > 0) {
            QVERIFY(line.send(request.left(splitAt)));
            QTest::qSleep(5);
            QVERIFY(line.send(request.mid(splitAt)));
        } else {
            QVERIFY(line.send(request));
        }
        const QByteArray reply = line.receive(expected.isEmpty() ? 1 : expected.size(),
                                              expected.isEmpty() ? 150 : 500, &arrival);
        QCOMPARE(reply.toHex(' '), expected.toHex(' '));
        if (!expected.isEmpty()) QVERIFY2(arrival < 45, qPrintable(QString::number(arrival)));
        QTEST(server.requestsSeen(), "seen");
    }

    // A fragment whose length byte promises 255 more bytes, then silence: the next request is
    // read on its own and answered in time.
    void staleFragmentIsDropped() {
        DriveServer server;
        Line line(StartPty(server));
        QVERIFY(line.send(Hex("0104FF")));
        QTest::qSleep(3 * sim::kSilenceMs);
        QVERIFY(line.send(kReadParameter5));
        QCOMPARE(line.receive(kParameter5Reply.size(), 45).toHex(), kParameter5Reply.toHex());
    }

    // Start, set 50 Hz, one second of ramp, then the monitor reads 10 Hz; then a fault.
    void driveRunsOverTheLine() {
        DriveServer server;
        server.setSteppedClock(true);
        Line line(StartPty(server));
        QCOMPARE(line.exchange(Hex("010301013188"), 6).toHex(), Hex("010301013188").toHex());
        QCOMPARE(line.exchange(":01050213885D\r\n", 15), QByteArray(":01050213885D\r\n"));
        server.advance(1000);
        QCOMPARE(line.exchange(Hex("010401018049"), 8).toHex(), Hex("0104030103E8A130").toHex());
        QCOMPARE(line.exchange(":01040100FA\r\n", 17), QByteArray(":0104030013885D\r\n"));
        QVERIFY(server.model().running());
        // A fault injected from this thread while the drive serves trips it.
        server.setFaultCode(0x16);
        QCOMPARE(line.exchange(":01040108F2\r\n", 17), QByteArray(":010403081600DA\r\n"));
        QVERIFY(!server.model().running());
    }

    void injectedFaults_data() {
        QTest::addColumn<int>("injection");
        QTest::addColumn<bool>("insideWindow");
        QTest::addColumn<bool>("eventually");
        QTest::newRow("no reply") << int(Injection::NoReply) << false << false;
        QTest::newRow("late") << int(Injection::LateReply) << false << true;
        QTest::newRow("split") << int(Injection::SplitReply) << true << true;
    }

    // Whether the whole reply is there when the master collects it, 50 ms after its request,
    // and whether it comes at all.
    void injectedFaults() {
        QFETCH(int, injection);
        QFETCH(bool, insideWindow);
        QFETCH(bool, eventually);
        DriveServer server;
        server.setInjection(static_cast<Injection>(injection));
        Line line(StartPty(server));
        QVERIFY(line.send(kReadParameter5));
        QByteArray reply = line.receive(kParameter5Reply.size(), 45);
        QCOMPARE(reply == kParameter5Reply, insideWindow);
        reply += line.receive(kParameter5Reply.size() - reply.size(), 400);
        QCOMPARE(reply == kParameter5Reply, eventually);
        QCOMPARE(server.requestsSeen(), 1);
    }

    // The program closing and reopening its port is no hang-up for the drive.
    void portClosedAndReopened() {
        DriveServer server;
        const QString path = StartPty(server);
        for (int round = 0; round < 3; ++round) {
            Line line(path);
            QVERIFY(line.isOpen());
            QCOMPARE(line.exchange(kReadParameter5, 8).toHex(), kParameter5Reply.toHex());
        }
    }

    // stop() takes the port away; reopen() brings one back, and the link follows it.
    void portVanishesAndReturns() {
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("COM1"));
        DriveServer server;
        server.setLinkPath(link);
        QVERIFY(!StartPty(server).isEmpty());
        Line before(link);
        QVERIFY(before.isOpen());
        server.updateModel([](sim::DriveModel& model) { model.setParameter(5, 0x1234); });
        server.stop();
        QVERIFY(!server.serving());
        QVERIFY(before.hungUp());
        QVERIFY(!QFileInfo::exists(link));
        QString second;
        QString error;
        QVERIFY2(server.reopen(&second, &error), qPrintable(error));
        Line line(link);
        QVERIFY(line.isOpen());
        // The model outlives the line.
        QCOMPARE(line.exchange(kReadParameter5, 8).toHex(), Hex("0101030512342138").toHex());
    }

    // A real device path: here the slave end of a pseudo-terminal made by the test.
    void servesDevice() {
        const int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        QVERIFY(master >= 0);
        QVERIFY(grantpt(master) == 0 && unlockpt(master) == 0);
        const QString slavePath = QString::fromLocal8Bit(ptsname(master));
        Line line(master);
        DriveServer server(3);
        QString error;
        QVERIFY(!server.startDevice(slavePath, QStringLiteral("9600,q,8,1"), &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!server.startDevice(QStringLiteral("/nonexistent/tty"), "9600,n,8,1", &error));
        QVERIFY2(server.startDevice(slavePath, QStringLiteral("19200,e,8,1"), &error),
                 qPrintable(error));
        QCOMPARE(server.devicePath(), slavePath);
        QCOMPARE(line.exchange(":03010105F6\r\n", 17), QByteArray(":030103050032C2\r\n"));
    }

    // Stopping with a late reply still to come ends at once.
    void stopsWithReplyPending() {
        auto server = std::make_unique<DriveServer>();
        server->setInjection(Injection::LateReply);
        Line line(StartPty(*server));
        QVERIFY(line.send(kReadParameter5));
        QTRY_COMPARE_WITH_TIMEOUT(server->requestsSeen(), 1, 1000);
        QElapsedTimer timer;
        timer.start();
        server.reset();
        QVERIFY(timer.elapsed() < 100);
    }
};

QTEST_APPLESS_MAIN(TestSimulatorServer)
#include "tst_simulator_server.moc"
