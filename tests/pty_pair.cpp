#include "pty_pair.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <QElapsedTimer>

#include "sim/line_open.h"

TestLine::TestLine() {
    sim::PseudoTerminal pty;
    QString error;
    if (!sim::OpenPseudoTerminal(&pty, &error)) return;
    fd_ = pty.master;
    slaveKeeper_ = pty.slave;
    slavePath_ = pty.slavePath;
}

TestLine::TestLine(const QString& path)
    : fd_(::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {}

TestLine::~TestLine() {
    if (fd_ >= 0) ::close(fd_);
    if (slaveKeeper_ >= 0) ::close(slaveKeeper_);
}

bool TestLine::write(const QByteArray& bytes) {
    return fd_ >= 0 && ::write(fd_, bytes.constData(), size_t(bytes.size())) == bytes.size();
}

QByteArray TestLine::read(int count, int timeoutMs) {
    QByteArray bytes;
    QElapsedTimer clock;
    clock.start();
    while (fd_ >= 0 && bytes.size() < count && clock.elapsed() <= timeoutMs) {
        pollfd pfd{fd_, POLLIN, 0};
        // Never negative: poll() would take a late -1 for "wait for ever".
        if (::poll(&pfd, 1, int(qMax<qint64>(0, timeoutMs - clock.elapsed()))) <= 0) continue;
        char buffer[512];
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n <= 0) break;
        bytes.append(buffer, int(n));
    }
    return bytes;
}
