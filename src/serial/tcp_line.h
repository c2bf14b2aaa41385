// A line through a serial device server. In raw TCP mode ("tcp://HOST:PORT") the gateway passes
// bytes both ways and keeps its own serial settings, so the baud-rate and format buttons choose
// only the framing and the capture's timing. With RFC 2217 ("rfc2217://HOST:PORT") the bytes
// travel inside telnet and the buttons set the gateway's port; the line counts as open once the
// gateway has confirmed every setting.
#pragma once

#include <QObject>
#include <QTcpSocket>
#include <QTimer>
#include <set>

#include "serial/com_port_control.h"
#include "serial/port_settings.h"
#include "serial/serial_port.h"
#include "serial/telnet_stream.h"

namespace serial {

enum class NetworkProtocol { Raw, Rfc2217 };

// "tcp://HOST:PORT" or "rfc2217://HOST:PORT": the host, port and protocol; false otherwise.
bool ParseNetworkAddress(const QString& text, QString* host, quint16* port,
                         NetworkProtocol* protocol);
// Whether a device text names a network line at all, well formed or not.
bool IsNetworkAddress(const QString& text);

class TcpLine : public QObject, public SerialPort {
    Q_OBJECT
  public:
    explicit TcpLine(QObject* parent = nullptr);
    ~TcpLine() override;

    // The address for the next open; a connection to another address ends.
    void setAddress(const QString& address);
    void setPortNumber(int) override {}
    // The serial settings the gateway's port is set to at the next open (RFC 2217 only).
    void setSettings(const QString& settingsText) override;
    // Connects, waiting a moment for a gateway nearby (and for its answers to the settings); a
    // gateway further away is reached by a later open (the window tries once a second and at
    // every send).
    bool open() override;
    // Closed for the program at once; the connection itself is kept a moment, so that the
    // reopen that follows a change of settings does not make the gateway reopen its port.
    void close() override;
    bool isOpen() const override;
    QString errorText() const override { return error_; }
    void write(const QByteArray& bytes) override { outgoing_ += bytes; }
    void flush() override;
    // The request has left once the socket has handed it to the network.
    std::chrono::steady_clock::time_point drain(std::chrono::milliseconds bound) override;
    int pendingInputCount() override;
    QByteArray readPendingInput() override;
    void setRts(bool) override {}
    // A gateway forwards what its serial side collected, in pieces with network delay between.
    std::chrono::microseconds burstSilence() const override {
        return std::chrono::milliseconds(30);
    }

  private:
    bool telnet() const { return protocol_ == NetworkProtocol::Rfc2217; }
    void onConnected();
    void onError(QAbstractSocket::SocketError error);
    // Moves what the socket holds into `incoming_`, answering the telnet commands among it.
    void pull();
    void answerCommands();
    void sendRaw(const QByteArray& bytes);
    // Asks the gateway for the settings and waits a moment for its answers.
    bool setRemotePort();
    // Says in errorText() what the gateway made of the settings; true once it confirmed them.
    bool judgeRemotePort();
    void dropConnection();

    QTcpSocket socket_;
    QTimer linger_;
    QString address_;
    QString host_;
    quint16 port_ = 0;
    NetworkProtocol protocol_ = NetworkProtocol::Raw;
    PortSettings settings_;
    QString error_;
    QByteArray outgoing_;
    QByteArray incoming_;
    telnet::TelnetReader reader_;
    ComPortControl control_;
    // The telnet verbs already sent per option, so that a negotiation is answered once.
    std::set<std::pair<char, char>> said_;
    bool closing_ = false;
    bool held_ = false;
    bool portControlRefused_ = false;
};

}  // namespace serial
