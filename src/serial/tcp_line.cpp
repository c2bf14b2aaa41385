#include "serial/tcp_line.h"

#include <QCoreApplication>
#include <QUrl>

namespace serial {
namespace {

// How long an open waits for the connection: a gateway on the same network answers within it,
// and the window is never held longer.
constexpr int kConnectWaitMs = 50;

}  // namespace

bool ParseTcpAddress(const QString& text, QString* host, quint16* port) {
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.scheme() != QLatin1String("tcp") || url.host().isEmpty() ||
        url.port() <= 0 || (!url.path().isEmpty() && url.path() != QLatin1String("/")))
        return false;
    *host = url.host();
    *port = quint16(url.port());
    return true;
}

TcpLine::TcpLine(QObject* parent) : QObject(parent) {
    connect(&socket_, &QTcpSocket::readyRead, this, [this] { reportArrival(); });
    connect(&socket_, &QTcpSocket::errorOccurred, this, &TcpLine::onError);
    connect(&socket_, &QTcpSocket::disconnected, this, [this] {
        if (closing_) return;
        if (error_.isEmpty())
            error_ = QCoreApplication::translate("TcpLine", "%1: the gateway closed the connection")
                         .arg(address_);
        reportFailure(error_);
    });
}

TcpLine::~TcpLine() {
    closing_ = true;
    socket_.abort();
}

void TcpLine::setAddress(const QString& address) {
    address_ = address;
    if (!ParseTcpAddress(address, &host_, &port_)) host_.clear();
}

bool TcpLine::open() {
    if (isOpen()) return true;
    if (host_.isEmpty()) {
        error_ = QCoreApplication::translate("TcpLine",
                                             "%1: not an address of the form "
                                             "tcp://HOST:PORT")
                     .arg(address_);
        return false;
    }
    if (socket_.state() == QAbstractSocket::UnconnectedState) {
        error_.clear();
        socket_.connectToHost(host_, port_);
        // The gateway's bytes are the drive's: a request goes out in one segment at once, and
        // a dead connection is noticed by the keep-alive.
        socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        socket_.setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    }
    if (socket_.state() != QAbstractSocket::ConnectedState)
        socket_.waitForConnected(kConnectWaitMs);
    if (!isOpen() && error_.isEmpty())
        error_ =
            QCoreApplication::translate("TcpLine", "%1: connecting to the gateway…").arg(address_);
    return isOpen();
}

void TcpLine::close() {
    closing_ = true;
    socket_.abort();
    closing_ = false;
    outgoing_.clear();
}

bool TcpLine::isOpen() const {
    return socket_.state() == QAbstractSocket::ConnectedState;
}

void TcpLine::flush() {
    if (outgoing_.isEmpty() || !isOpen()) return;
    socket_.write(outgoing_);
    outgoing_.clear();
    socket_.flush();
}

std::chrono::steady_clock::time_point TcpLine::drain(std::chrono::milliseconds bound) {
    flush();
    if (isOpen() && socket_.bytesToWrite() > 0) socket_.waitForBytesWritten(int(bound.count()));
    return std::chrono::steady_clock::now();
}

int TcpLine::pendingInputCount() {
    return int(socket_.bytesAvailable());
}

QByteArray TcpLine::readPendingInput() {
    return socket_.readAll();
}

void TcpLine::onError(QAbstractSocket::SocketError error) {
    if (closing_) return;
    const char* reason = nullptr;
    switch (error) {
        case QAbstractSocket::ConnectionRefusedError:
            reason = QT_TRANSLATE_NOOP("TcpLine",
                                       "%1: the gateway refused the connection; check "
                                       "its address and TCP port");
            break;
        case QAbstractSocket::HostNotFoundError:
            reason = QT_TRANSLATE_NOOP("TcpLine", "%1: no such host");
            break;
        case QAbstractSocket::RemoteHostClosedError:
            reason = QT_TRANSLATE_NOOP("TcpLine", "%1: the gateway closed the connection");
            break;
        case QAbstractSocket::SocketTimeoutError:
        case QAbstractSocket::NetworkError:
            reason = QT_TRANSLATE_NOOP("TcpLine",
                                       "%1: the gateway cannot be reached; check the "
                                       "network and its address");
            break;
        default:
            error_ = QStringLiteral("%1: %2").arg(address_, socket_.errorString());
            break;
    }
    if (reason) error_ = QCoreApplication::translate("TcpLine", reason).arg(address_);
    // A timeout while waiting for the connection leaves it trying; anything else has ended it.
    if (error == QAbstractSocket::SocketTimeoutError &&
        socket_.state() == QAbstractSocket::ConnectingState)
        return;
    if (socket_.state() != QAbstractSocket::ConnectedState) reportFailure(error_);
}

}  // namespace serial
