#include "pty_pair.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

PtyPair::PtyPair() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0) return;
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        closeMaster();
        return;
    }
    slavePath_ = QString::fromLocal8Bit(::ptsname(master_));
    // Raw line, and a slave descriptor of our own so the master does not see a hang-up while
    // the program closes and reopens its port.
    slaveKeeper_ = ::open(slavePath_.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    if (slaveKeeper_ >= 0) {
        termios tio{};
        ::tcgetattr(slaveKeeper_, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(slaveKeeper_, TCSANOW, &tio);
    }
}

PtyPair::~PtyPair() {
    closeMaster();
    if (slaveKeeper_ >= 0) ::close(slaveKeeper_);
}

bool PtyPair::write(const QByteArray& bytes) {
    if (master_ < 0) return false;
    return ::write(master_, bytes.constData(), static_cast<size_t>(bytes.size())) == bytes.size();
}

QByteArray PtyPair::read(int count, int timeoutMs) {
    QByteArray bytes;
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (master_ >= 0 && bytes.size() < count) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        // A zero timeout still takes what is there already.
        pollfd pfd{master_, POLLIN, 0};
        if (::poll(&pfd, 1, static_cast<int>(std::max<long long>(left, 0))) <= 0) break;
        char buffer[256];
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n <= 0) break;
        bytes.append(buffer, static_cast<int>(n));
    }
    return bytes;
}

void PtyPair::closeMaster() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
}
