// Debian's ser2net as the serial device server in tests: started on a loopback TCP port between
// the network and a serial device (the simulated drive's pseudo-terminal), in raw TCP or in
// RFC 2217 mode, and stopped with the object.
#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

class Ser2netGateway {
  public:
    enum class Mode { Raw, Rfc2217 };

    Ser2netGateway() = default;
    ~Ser2netGateway();
    Ser2netGateway(const Ser2netGateway&) = delete;
    Ser2netGateway& operator=(const Ser2netGateway&) = delete;

    // Serves `device` at `serialSettings` ("19200o81": the port's settings until a client sets
    // them) on 127.0.0.1, at `port` or at a free one when 0. False with the reason when ser2net
    // is missing or does not come up listening.
    bool start(Mode mode, const QString& device, const QString& serialSettings, QString* error,
               quint16 port = 0);
    // Ends ser2net and with it every connection through it.
    void stop();
    quint16 port() const { return port_; }
    // "tcp://127.0.0.1:N" or "rfc2217://127.0.0.1:N".
    QString address() const;

  private:
    QTemporaryDir dir_;
    QProcess process_;
    Mode mode_ = Mode::Raw;
    quint16 port_ = 0;
};
