// A line through a serial device server in raw TCP mode: the gateway passes bytes both ways and
// keeps its own serial settings, so the baud-rate and format buttons choose only the framing and
// the capture's timing here.
#pragma once

#include <QObject>
#include <QTcpSocket>

#include "serial/serial_port.h"

namespace serial {

// "tcp://HOST:PORT": the host and port of a raw TCP line; false for any other text.
bool ParseTcpAddress(const QString& text, QString* host, quint16* port);

class TcpLine : public QObject, public SerialPort {
    Q_OBJECT
  public:
    explicit TcpLine(QObject* parent = nullptr);
    ~TcpLine() override;

    // The address "tcp://HOST:PORT" for the next open.
    void setAddress(const QString& address);
    void setPortNumber(int) override {}
    void setSettings(const QString&) override {}
    // Connects, waiting a moment for a gateway nearby; a gateway further away is reached by a
    // later open (the window tries once a second and at every send).
    bool open() override;
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
    void onError(QAbstractSocket::SocketError error);

    QTcpSocket socket_;
    QString address_;
    QString host_;
    quint16 port_ = 0;
    QString error_;
    QByteArray outgoing_;
    bool closing_ = false;
};

}  // namespace serial
