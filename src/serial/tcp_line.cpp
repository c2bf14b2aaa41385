#include "serial/tcp_line.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QUrl>

#ifdef __linux__
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#endif

namespace serial {
namespace {

// How long an open waits for the connection, and then for the gateway to confirm its port
// settings: a gateway on the same network answers within it, and the window is never held
// longer. Answers that come later still open the line.
constexpr int kConnectWaitMs = 50;
constexpr int kConfirmWaitMs = 150;
// How long a connection closed for the program stays up for a reopen.
constexpr int kLingerMs = 3000;

// The operating system's keep-alive waits two hours before its first probe; a gateway that
// went away without a word is noticed within about 16 s instead, and a request that cannot be
// delivered within 10 s ends the connection.
void TuneKeepAlive(qintptr descriptor) {
#ifdef __linux__
    const int fd = int(descriptor);
    const int idle = 10, interval = 2, count = 3;
    const unsigned undelivered = 10000;
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count);
    setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &undelivered, sizeof undelivered);
#else
    (void)descriptor;
#endif
}

// The options this line takes part in: binary data both ways (no CR NUL rewriting), no go-ahead
// characters, and com-port control from this side.
bool Wanted(char option) {
    return option == telnet::kBinary || option == telnet::kSuppressGoAhead ||
           option == telnet::kComPortOption;
}

}  // namespace

bool ParseNetworkAddress(const QString& text, QString* host, quint16* port,
                         NetworkProtocol* protocol) {
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() || url.port() <= 0 ||
        (!url.path().isEmpty() && url.path() != QLatin1String("/")))
        return false;
    if (url.scheme() == QLatin1String("tcp")) {
        *protocol = NetworkProtocol::Raw;
    } else if (url.scheme() == QLatin1String("rfc2217")) {
        *protocol = NetworkProtocol::Rfc2217;
    } else {
        return false;
    }
    *host = url.host();
    *port = quint16(url.port());
    return true;
}

bool IsNetworkAddress(const QString& text) {
    return text.startsWith(QLatin1String("tcp://")) || text.startsWith(QLatin1String("rfc2217://"));
}

TcpLine::TcpLine(QObject* parent) : QObject(parent) {
    linger_.setSingleShot(true);
    linger_.setInterval(kLingerMs);
    connect(&linger_, &QTimer::timeout, this, [this] { dropConnection(); });
    connect(&socket_, &QTcpSocket::connected, this, &TcpLine::onConnected);
    connect(&socket_, &QTcpSocket::readyRead, this, [this] {
        pull();
        if (!incoming_.isEmpty()) reportArrival();
    });
    connect(&socket_, &QTcpSocket::errorOccurred, this, &TcpLine::onError);
    connect(&socket_, &QTcpSocket::disconnected, this, [this] {
        if (closing_) return;
        if (held_) {
            dropConnection();
            return;
        }
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
    if (address == address_) return;
    dropConnection();
    address_ = address;
    if (!ParseNetworkAddress(address, &host_, &port_, &protocol_)) host_.clear();
}

void TcpLine::setSettings(const QString& settingsText) {
    settings_ = ParseSettings(settingsText).value_or(PortSettings{});
}

bool TcpLine::open() {
    if (isOpen()) return true;
    if (host_.isEmpty()) {
        error_ =
            QCoreApplication::translate(
                "TcpLine", "%1: not an address of the form tcp://HOST:PORT or rfc2217://HOST:PORT")
                .arg(address_);
        return false;
    }
    if (held_) {
        // What the gateway sent while the line was closed answers nothing asked since: what is
        // still in the system's buffer is read and dropped before the line counts as open.
        while (socket_.waitForReadyRead(0)) {
        }
        pull();
        held_ = false;
        linger_.stop();
        incoming_.clear();
    }
    if (socket_.state() == QAbstractSocket::UnconnectedState) {
        error_.clear();
        socket_.connectToHost(host_, port_);
    }
    if (socket_.state() != QAbstractSocket::ConnectedState)
        socket_.waitForConnected(kConnectWaitMs);
    if (socket_.state() != QAbstractSocket::ConnectedState) {
        if (error_.isEmpty())
            error_ = QCoreApplication::translate("TcpLine", "%1: connecting to the gateway…")
                         .arg(address_);
        return false;
    }
    return !telnet() || setRemotePort();
}

void TcpLine::onConnected() {
    // The gateway's bytes are the drive's: a request goes out in one segment at once.
    socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    socket_.setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    TuneKeepAlive(socket_.socketDescriptor());
    reader_.reset();
    said_.clear();
    portControlRefused_ = false;
    control_ = ComPortControl{};
    if (!telnet()) return;
    QByteArray offer;
    for (char option : {telnet::kComPortOption, telnet::kBinary, telnet::kSuppressGoAhead}) {
        offer += telnet::Negotiation(telnet::kWill, option);
        said_.insert({telnet::kWill, option});
        if (option == telnet::kComPortOption) continue;
        offer += telnet::Negotiation(telnet::kDo, option);
        said_.insert({telnet::kDo, option});
    }
    sendRaw(offer);
}

bool TcpLine::setRemotePort() {
    sendRaw(control_.request(settings_));
    const QDeadlineTimer deadline(kConfirmWaitMs);
    while (control_.state() == ComPortControl::State::Waiting && !portControlRefused_ &&
           socket_.state() == QAbstractSocket::ConnectedState && !deadline.hasExpired()) {
        socket_.waitForReadyRead(int(deadline.remainingTime()));
        pull();
    }
    return socket_.state() == QAbstractSocket::ConnectedState && judgeRemotePort();
}

bool TcpLine::judgeRemotePort() {
    if (portControlRefused_) {
        error_ = QCoreApplication::translate("TcpLine",
                                             "%1: the gateway does not let its serial port be set "
                                             "(no RFC 2217 port control); set it on the gateway "
                                             "and connect with tcp://")
                     .arg(address_);
        return false;
    }
    switch (control_.state()) {
        case ComPortControl::State::Confirmed:
            error_.clear();
            return true;
        case ComPortControl::State::Refused:
            error_ = QStringLiteral("%1: %2").arg(address_, control_.refusal());
            return false;
        case ComPortControl::State::Waiting:
            break;
    }
    error_ = QCoreApplication::translate("TcpLine",
                                         "%1: the gateway has not confirmed the port settings "
                                         "yet")
                 .arg(address_);
    return false;
}

void TcpLine::close() {
    outgoing_.clear();
    incoming_.clear();
    if (socket_.state() == QAbstractSocket::ConnectedState && !held_) {
        held_ = true;
        linger_.start();
    } else if (!held_) {
        dropConnection();
    }
}

void TcpLine::dropConnection() {
    closing_ = true;
    socket_.abort();
    closing_ = false;
    held_ = false;
    linger_.stop();
    outgoing_.clear();
    incoming_.clear();
    reader_.reset();
}

bool TcpLine::isOpen() const {
    return !held_ && socket_.state() == QAbstractSocket::ConnectedState &&
           (!telnet() || (control_.state() == ComPortControl::State::Confirmed));
}

void TcpLine::sendRaw(const QByteArray& bytes) {
    socket_.write(bytes);
    socket_.flush();
}

void TcpLine::flush() {
    if (outgoing_.isEmpty() || !isOpen()) return;
    // Inside telnet a data byte 255 goes twice, or the gateway would take it for a command.
    sendRaw(telnet() ? telnet::EscapeData(outgoing_) : outgoing_);
    outgoing_.clear();
}

std::chrono::steady_clock::time_point TcpLine::drain(std::chrono::milliseconds bound) {
    flush();
    if (isOpen() && socket_.bytesToWrite() > 0) socket_.waitForBytesWritten(int(bound.count()));
    return std::chrono::steady_clock::now();
}

int TcpLine::pendingInputCount() {
    pull();
    return int(incoming_.size());
}

QByteArray TcpLine::readPendingInput() {
    pull();
    QByteArray taken;
    taken.swap(incoming_);
    return taken;
}

void TcpLine::pull() {
    const QByteArray bytes = socket_.readAll();
    if (bytes.isEmpty()) return;
    QByteArray data = bytes;
    if (telnet()) {
        data = reader_.feed(bytes);
        answerCommands();
        // Answers that come after the open gave up waiting still open the line, or say why not.
        if (!held_) judgeRemotePort();
    }
    // Bytes while the program has the line closed, or before the gateway's port is set, answer
    // nothing it asked.
    if (isOpen()) incoming_ += data;
}

void TcpLine::answerCommands() {
    QByteArray replies;
    const auto reply = [this, &replies](char verb, char option) {
        if (!said_.insert({verb, option}).second) return;
        // A changed answer is news again: the opposite verb may be said once more.
        const char opposite = verb == telnet::kWill   ? telnet::kWont
                              : verb == telnet::kWont ? telnet::kWill
                              : verb == telnet::kDo   ? telnet::kDont
                                                      : telnet::kDo;
        said_.erase({opposite, option});
        replies += telnet::Negotiation(verb, option);
    };
    for (const telnet::Command& command : reader_.takeCommands()) {
        if (command.verb == telnet::kSb) {
            if (command.option == telnet::kComPortOption) control_.answer(command.payload);
            continue;
        }
        const bool wanted = Wanted(command.option);
        if (command.verb == telnet::kDo) {
            reply(wanted ? telnet::kWill : telnet::kWont, command.option);
        } else if (command.verb == telnet::kWill) {
            // The gateway's echo would send every request back as if the drive had answered.
            reply(wanted ? telnet::kDo : telnet::kDont, command.option);
        } else if (command.verb == telnet::kDont) {
            if (command.option == telnet::kComPortOption) portControlRefused_ = true;
            reply(telnet::kWont, command.option);
        } else if (command.verb == telnet::kWont) {
            reply(telnet::kDont, command.option);
        }
    }
    if (!replies.isEmpty()) sendRaw(replies);
}

void TcpLine::onError(QAbstractSocket::SocketError error) {
    if (closing_ || held_) return;
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
