#include "fake_serial_port.h"

#include <QTimer>
#include <utility>

void FakeSerialPort::arrive(const QByteArray& bytes) {
    input_.append(bytes);
    arrivalTimes.push_back(std::chrono::steady_clock::now());
    reportArrival();
}

void FakeSerialPort::arriveLater(int ms, const QByteArray& bytes) {
    QTimer::singleShot(ms, &timers_, [this, bytes] { arrive(bytes); });
}

bool FakeSerialPort::open() {
    events << QStringLiteral("open %1 %2").arg(portNumber_).arg(settings_);
    ++openCount;
    if (refuseOpen) {
        error_ = QStringLiteral("device busy");
        return false;
    }
    open_ = true;
    error_.clear();
    return true;
}

void FakeSerialPort::close() {
    events << QStringLiteral("close");
    open_ = false;
}

void FakeSerialPort::write(const QByteArray& bytes) {
    if (!open_) return;
    events << QStringLiteral("write ") + QString::fromLatin1(bytes.toHex().toUpper());
    writes.push_back(bytes);
    undrained_.append(bytes);
    written.append(bytes);
    unanswered_.append(bytes);
}

std::chrono::steady_clock::time_point FakeSerialPort::drain(std::chrono::milliseconds) {
    events << QStringLiteral("drain");
    frames.push_back(std::exchange(undrained_, QByteArray()));
    input_.append(std::exchange(duringSend, QByteArray()));
    answer();
    drainedAt = std::chrono::steady_clock::now();
    return drainedAt;
}

int FakeSerialPort::pendingInputCount() {
    if (!open_) return 0;
    return static_cast<int>(input_.size());
}

QByteArray FakeSerialPort::readPendingInput() {
    if (!open_) return QByteArray();
    QByteArray bytes = input_;
    input_.clear();
    return bytes;
}

void FakeSerialPort::setRts(bool on) {
    if (open_) events << (on ? QStringLiteral("rts on") : QStringLiteral("rts off"));
}

void FakeSerialPort::answer() {
    if (unanswered_.isEmpty()) return;
    const QByteArray reply = responder ? responder(unanswered_) : QByteArray();
    unanswered_.clear();
    if (!reply.isEmpty()) arriveLater(replyDelayMs, reply);
}
