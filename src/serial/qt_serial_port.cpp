#include "serial/qt_serial_port.h"

#include "serial/device_check.h"

#ifdef Q_OS_UNIX
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <climits>
#include <thread>
#include <utility>

namespace serial {
namespace {

QSerialPort::Parity ToQt(Parity parity) {
    switch (parity) {
        case Parity::Even:
            return QSerialPort::EvenParity;
        case Parity::Odd:
            return QSerialPort::OddParity;
        case Parity::None:
            break;
    }
    return QSerialPort::NoParity;
}

QString RemovedText() {
    return QtSerialPort::tr("device removed; it reconnects when it is back");
}

// Why an open failed, in words a user can act on.
QString OpenFailure(const QSerialPort& port, const QString& device, bool wasRemoved) {
    switch (port.error()) {
        case QSerialPort::DeviceNotFoundError:
            if (wasRemoved) return RemovedText();
#ifdef Q_OS_WIN
            return QtSerialPort::tr(
                "no such port: the adapter is not plugged in, or Windows gave it another COM "
                "number (see the Device Manager under Ports)");
#else
            return NotASerialDevice(device).value_or(
                QtSerialPort::tr("no such device: the adapter is not plugged in"));
#endif
        case QSerialPort::PermissionError:
#ifdef Q_OS_WIN
            // Windows opens a port for one program at a time and refuses the others with
            // "access denied".
            return QtSerialPort::tr(
                "in use by another program, or access denied: close the program that holds it "
                "(another terminal, the drive maker's tool)");
#endif
#ifdef Q_OS_UNIX
            // Qt reports a port held by another program the same way as one the user may not
            // open; the device's own permissions tell them apart.
            if (::access(device.toLocal8Bit().constData(), R_OK | W_OK) == 0)
                return BusyText(device);
#endif
            return PermissionText(device);
        default:
            break;
    }
    if (const auto reason = NotATerminal(device)) return *reason;
    if (port.error() == QSerialPort::UnsupportedOperationError)
        return QtSerialPort::tr("the device refused the line settings; it may not support them");
    return QtSerialPort::tr("cannot be opened: %1").arg(port.errorString());
}

}  // namespace

QtSerialPort::QtSerialPort(PortMap map, QObject* parent) : QObject(parent), map_(std::move(map)) {
    connect(&port_, &QSerialPort::errorOccurred, this, &QtSerialPort::onError);
    // While the receive action pulls bytes in itself, the signals that pulling raises are its own.
    connect(&port_, &QSerialPort::readyRead, this, [this] {
        if (!pulling_) reportArrival();
    });
}

QtSerialPort::~QtSerialPort() {
    port_.close();
}

void QtSerialPort::setPortNumber(int number) {
    if (number != portNumber_) removed_ = false;
    portNumber_ = number;
}

void QtSerialPort::setSettings(const QString& settingsText) {
    settingsText_ = settingsText;
}

bool QtSerialPort::open() {
    if (port_.isOpen()) return true;
    outgoing_.clear();  // written for a port that closed before they were handed over
    unsentBytes_ = 0;
    const QString device = map_.deviceFor(portNumber_);
    const QString where = QStringLiteral("COM%1 (%2): ").arg(portNumber_).arg(device);
    if (device.isEmpty()) {
        error_ = tr("COM%1: no serial device stands behind this port; name one with --port "
                    "COM%1=PATH")
                     .arg(portNumber_);
        return false;
    }
    if (const auto reason = NotASerialDevice(device)) {
        error_ = where + (removed_ ? RemovedText() : *reason);
        return false;
    }
    const std::optional<PortSettings> parsed = ParseSettings(settingsText_);
    if (!parsed) {
        error_ = where + tr("the settings \"%1\" are not a line setting").arg(settingsText_);
        return false;
    }
    settings_ = *parsed;
    // Line settings go in before the open: a pseudo-terminal refuses parity changes once open.
    port_.setPortName(device);
    port_.setBaudRate(settings_.baudRate);
    port_.setParity(ToQt(settings_.parity));
    port_.setDataBits(static_cast<QSerialPort::DataBits>(settings_.dataBits));
    port_.setStopBits(settings_.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    port_.setReadBufferSize(quiet_ ? 1 : 0);
    if (!port_.open(QIODevice::ReadWrite)) {
        error_ = where + OpenFailure(port_, device, removed_);
        port_.clearError();
        return false;
    }
    error_.clear();
    removed_ = false;
    rtsWorks_ = true;
    return true;
}

void QtSerialPort::close() {
    if (port_.isOpen()) port_.close();
    port_.clearError();
}

bool QtSerialPort::isOpen() const {
    return port_.isOpen();
}

QString QtSerialPort::errorText() const {
    return error_;
}

void QtSerialPort::write(const QByteArray& bytes) {
    if (port_.isOpen()) outgoing_ += bytes;
}

// A frame goes to the driver in one write: its bytes leave back to back all the same, a USB
// adapter makes one transfer of it instead of one per byte, and a pseudo-terminal wakes its
// reader once per frame.
void QtSerialPort::flush() {
    if (outgoing_.isEmpty()) return;
    const QByteArray bytes = std::exchange(outgoing_, QByteArray());
    if (!port_.isOpen()) return;
    const bool firstOfFrame = unsentBytes_ == 0;
    unsentBytes_ += bytes.size();
    // The frame's wire time counts from when the driver has it, taken once the write has
    // returned: had the program been put aside between taking the time and the write, RTS
    // would come back early by that much and cut the frame's last bytes. This way an error
    // leaves RTS on a little late, never early.
    bool timed = !firstOfFrame;
    const auto handedOver = [this, &timed] {
        if (!timed) unsentSince_ = std::chrono::steady_clock::now();
        timed = true;
    };
#ifdef Q_OS_UNIX
    // With nothing queued in QSerialPort, the bytes go straight to the driver: they leave in
    // order all the same, without QSerialPort's buffering and signals.
    if (port_.bytesToWrite() == 0) {
        const ssize_t written = ::write(port_.handle(), bytes.constData(), size_t(bytes.size()));
        handedOver();
        if (written == bytes.size()) return;
        if (written < 0 && errno != EAGAIN && errno != EINTR) {
            deviceRemoved();
            return;
        }
        port_.write(bytes.mid(std::max<qsizetype>(written, 0)));
    } else {
        port_.write(bytes);
    }
#else
    port_.write(bytes);
#endif
    // The send runs no events, and QSerialPort hands data to the device only from the event loop
    // unless pushed: push the rest out now so the bytes leave in the order they were written.
    if (port_.isOpen() && port_.bytesToWrite() > 0) port_.flush();
    handedOver();
    if (port_.isOpen() && port_.bytesToWrite() > 0) port_.waitForBytesWritten(100);
}

std::chrono::steady_clock::time_point QtSerialPort::drain(std::chrono::milliseconds bound) {
    using Clock = std::chrono::steady_clock;
    flush();
    const auto deadline = Clock::now() + bound;
    while (port_.isOpen() && port_.bytesToWrite() > 0 && Clock::now() < deadline) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (!port_.waitForBytesWritten(static_cast<int>(std::max<qint64>(1, left.count())))) break;
    }
    // The driver's queue empties before the UART's FIFO and shift register do, and a USB
    // adapter reports empty long before its chip has sent the bytes. So the bytes have left at
    // the end of their wire time from when the driver got them, or when the driver last said
    // they were still going, whichever is later.
    const auto characterTime = std::chrono::microseconds(1000000LL * BitsPerCharacter(settings_) /
                                                         std::max(1, settings_.baudRate));
    const Clock::time_point handedOver = unsentSince_;
    const qint64 bytes = std::exchange(unsentBytes_, 0);
    Clock::time_point left = Clock::now();
    if (bytes > 0)
        left = handedOver + std::chrono::duration_cast<Clock::duration>(characterTime * bytes);
    auto sleepUntil = [&](Clock::time_point until) {
        std::this_thread::sleep_until(std::min(until, deadline));
    };
    while (port_.isOpen() && Clock::now() < deadline) {
        const int queued = kernelQueue(Queue::Output);
        if (queued <= 0) break;
        left = std::max(left, Clock::now());
        sleepUntil(Clock::now() + std::max<Clock::duration>(characterTime * queued,
                                                            std::chrono::microseconds(100)));
    }
#ifdef TIOCSERGETLSR
    while (port_.isOpen() && Clock::now() < deadline) {
        unsigned int lineStatus = 0;
        if (::ioctl(port_.handle(), TIOCSERGETLSR, &lineStatus) < 0 || (lineStatus & TIOCSER_TEMT))
            break;
        left = std::max(left, Clock::now());
        sleepUntil(Clock::now() + std::chrono::microseconds(200));
    }
#endif
    // One character more before the caller switches RTS back: the last stop bit must be out.
    if (port_.isOpen()) sleepUntil(left + characterTime);
    return std::min(left, Clock::now());
}

int QtSerialPort::pendingInputCount() {
    if (!port_.isOpen()) return 0;
#ifdef Q_OS_UNIX
    return static_cast<int>(
        std::min<qint64>(port_.bytesAvailable() + kernelQueue(Queue::Input), INT_MAX));
#else
    pullArrivedInput();
    return static_cast<int>(std::min<qint64>(port_.bytesAvailable(), INT_MAX));
#endif
}

QByteArray QtSerialPort::readPendingInput() {
    if (!port_.isOpen()) return QByteArray();
    // What QSerialPort took in from the event loop comes first, then what waits in the driver.
    QByteArray bytes = port_.readAll();
#ifdef Q_OS_UNIX
    readDriverInput(bytes, false);
#else
    pullArrivedInput();
    if (port_.isOpen()) bytes += port_.readAll();
#endif
    return bytes;
}

QByteArray QtSerialPort::readPendingInputWithoutNews() {
#ifdef Q_OS_UNIX
    if (!quiet_ || !port_.isOpen()) return readPendingInput();
    // QSerialPort's own buffer holds at most the byte that told of an arrival; reading through
    // QSerialPort turns its read notifier on again, so it is read only when it holds that byte.
    QByteArray bytes;
    if (port_.bytesAvailable() > 0) bytes = port_.readAll();
    readDriverInput(bytes, true);
    if (!port_.isOpen()) return bytes;
    if (bytes.isEmpty()) {
        // The line is silent: the next byte must be told of again.
        port_.readAll();  // through QSerialPort, which switches its notifier on
        return bytes;
    }
    // While the reader comes back on its own, a notifier left on would cost two wake-ups for
    // the next byte (one to read it, one to find the buffer full). It is QSerialPort's child;
    // without it found, arrivals are told as before.
    if (!readNotifier_ || readNotifier_->socket() != qintptr(port_.handle())) {
        readNotifier_ = nullptr;
        for (QSocketNotifier* notifier : port_.findChildren<QSocketNotifier*>()) {
            if (notifier->type() == QSocketNotifier::Read &&
                notifier->socket() == qintptr(port_.handle()))
                readNotifier_ = notifier;
        }
    }
    if (readNotifier_) readNotifier_->setEnabled(false);
    return bytes;
#else
    return readPendingInput();
#endif
}

void QtSerialPort::readDriverInput(QByteArray& bytes, bool shortReadEnds) {
#ifdef Q_OS_UNIX
    // Straight from the driver: the receive action runs inside a timer tick, where QSerialPort
    // would only fetch it through a select() of its own. A reader on a timer takes a short read
    // for all there was, which spares it the failing read after it.
    char chunk[512];
    for (;;) {
        const ssize_t count = ::read(port_.handle(), chunk, sizeof chunk);
        if (count > 0) {
            bytes.append(chunk, static_cast<qsizetype>(count));
            if (shortReadEnds && std::size_t(count) < sizeof chunk) break;
        } else if (count < 0 && errno == EINTR) {
            continue;
        } else {
            if (count < 0 && errno != EAGAIN) deviceRemoved();
            break;
        }
    }
#else
    (void)bytes;
    (void)shortReadEnds;
#endif
}

// QSerialPort stops watching the device once its read buffer is full, so a buffer of one byte
// wakes the program for the first byte and leaves the rest in the driver.
void QtSerialPort::setQuietArrival(bool quiet) {
    if (quiet == quiet_) return;
    quiet_ = quiet;
    if (port_.isOpen()) port_.setReadBufferSize(quiet ? 1 : 0);
}

void QtSerialPort::setRts(bool on) {
    if (!port_.isOpen() || !rtsWorks_) return;
    // A pseudo-terminal has no RTS line; once refused, the switch is not tried again on this
    // opening, which spares every exchange two failing calls and their error signals.
    if (!port_.setRequestToSend(on)) rtsWorks_ = false;
    port_.clearError();
}

void QtSerialPort::pullArrivedInput() {
    // Bytes reach QSerialPort's buffer only from the event loop; the receive action runs inside a
    // timer tick, so move what has arrived at the device by now into the buffer.
    const bool outer = !pulling_;
    pulling_ = true;
    for (int guard = 0; guard < 64 && port_.isOpen() && kernelQueue(Queue::Input) > 0; ++guard) {
        if (!port_.waitForReadyRead(0)) break;
    }
    if (outer) pulling_ = false;
    if (port_.isOpen()) port_.clearError();
}

int QtSerialPort::kernelQueue(Queue queue) const {
#ifdef Q_OS_UNIX
    int count = 0;
    const auto handle = port_.handle();
    if (handle < 0 || ::ioctl(handle, queue == Queue::Output ? TIOCOUTQ : FIONREAD, &count) < 0)
        return 0;
    return count;
#else
    // Without the device's own counts: nothing is taken as queued for output (the drain still
    // waits the wire time), and input is pulled until the port has nothing more.
    return queue == Queue::Input ? 1 : 0;
#endif
}

void QtSerialPort::onError(QSerialPort::SerialPortError error) {
    switch (error) {
        case QSerialPort::ResourceError:
        case QSerialPort::ReadError:
        case QSerialPort::WriteError:
        case QSerialPort::DeviceNotFoundError:
            break;
        default:
            // Timeouts of a zero-length wait and the refused RTS switch of a pseudo-terminal are
            // not failures of the line.
            return;
    }
    if (!port_.isOpen()) return;
#ifdef Q_OS_UNIX
    // QSerialPort reports a read that found the driver empty as a resource error too: its
    // watch fired for bytes the receive action had already taken. A device that went away
    // hangs up; one that did not is watched again.
    pollfd probe{port_.handle(), POLLIN, 0};
    if (error != QSerialPort::WriteError && ::poll(&probe, 1, 0) >= 0 &&
        !(probe.revents & (POLLHUP | POLLERR | POLLNVAL))) {
        port_.clearError();
        port_.setReadBufferSize(quiet_ ? 1 : 0);
        return;
    }
#endif
    deviceRemoved();
}

void QtSerialPort::deviceRemoved() {
    // A vanished device keeps raising errors; close on the first so the window stays calm.
    removed_ = true;
    error_ = QStringLiteral("COM%1 (%2): ").arg(portNumber_).arg(map_.deviceFor(portNumber_)) +
             RemovedText();
    port_.close();
    port_.clearError();
    reportFailure(error_);
}

}  // namespace serial
