// The serial line on a real device, through QSerialPort.
#pragma once

#include <QObject>
#include <QPointer>
#include <QSerialPort>
#include <QSocketNotifier>

#include "serial/port_map.h"
#include "serial/port_settings.h"
#include "serial/serial_port.h"

namespace serial {

class QtSerialPort : public QObject, public SerialPort {
    Q_OBJECT
  public:
    explicit QtSerialPort(PortMap map, QObject* parent = nullptr);
    ~QtSerialPort() override;

    void setPortNumber(int number) override;
    void setSettings(const QString& settingsText) override;
    bool open() override;
    void close() override;
    bool isOpen() const override;
    QString errorText() const override;
    void write(const QByteArray& bytes) override;
    void flush() override;
    std::chrono::steady_clock::time_point drain(std::chrono::milliseconds bound) override;
    int pendingInputCount() override;
    QByteArray readPendingInput() override;
    QByteArray readPendingInputWithoutNews() override;
    void setRts(bool on) override;
    void setQuietArrival(bool quiet) override;

    QString deviceFor(int portNumber) const { return map_.deviceFor(portNumber); }

  private:
    void onError(QSerialPort::SerialPortError error);
    void deviceRemoved();
    void pullArrivedInput();
    // Appends what waits in the driver to `bytes`.
    void readDriverInput(QByteArray& bytes, bool shortReadEnds);
    enum class Queue { Input, Output };
    // Bytes waiting in the device driver's input or output queue.
    int kernelQueue(Queue queue) const;

    PortMap map_;
    QSerialPort port_;
    int portNumber_ = 1;
    QString settingsText_ = QStringLiteral("9600,n,8,1");
    PortSettings settings_;
    QString error_;
    // Bytes written and not yet handed to the driver.
    QByteArray outgoing_;
    // Bytes handed to the driver since the last drain and when the first of them was.
    qint64 unsentBytes_ = 0;
    // QSerialPort's read notifier, switched off while a reader comes back on its own.
    QPointer<QSocketNotifier> readNotifier_;
    bool pulling_ = false;
    bool quiet_ = false;
    bool rtsWorks_ = true;  // the device took the last RTS switch
    bool removed_ = false;  // the device went away while open, and has not opened since
    std::chrono::steady_clock::time_point unsentSince_;
};

}  // namespace serial
