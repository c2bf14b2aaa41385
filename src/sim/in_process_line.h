// The simulated drive on a line inside the program: --demo where no pseudo-terminal can be made
// (Windows), so a new user can try every button with no port at all. A request reaches the
// drive once its wire time is up; the answer arrives character by character at the line's
// pace, from the event loop, as from a serial port.
#pragma once

#include <QObject>
#include <chrono>

#include "serial/port_settings.h"
#include "serial/serial_port.h"
#include "sim/reply_scheduler.h"

namespace sim {

class DriveServer;

class InProcessLine : public QObject, public serial::SerialPort {
    Q_OBJECT
  public:
    explicit InProcessLine(DriveServer& drive, QObject* parent = nullptr);

    void setPortNumber(int number) override { portNumber_ = number; }
    void setSettings(const QString& settingsText) override;
    bool open() override;
    void close() override;
    bool isOpen() const override { return open_; }
    QString errorText() const override { return error_; }
    void write(const QByteArray& bytes) override;
    std::chrono::steady_clock::time_point drain(std::chrono::milliseconds bound) override;
    int pendingInputCount() override { return int(input_.size()); }
    QByteArray readPendingInput() override;
    void setRts(bool) override {}
    void setQuietArrival(bool quiet) override { quiet_ = quiet; }

  private:
    void arrive(const QByteArray& bytes);

    DriveServer& drive_;
    ReplyScheduler scheduler_;
    serial::PortSettings settings_;
    int portNumber_ = 1;
    bool open_ = false;
    bool quiet_ = false;
    QString error_;
    QByteArray outgoing_;
    QByteArray input_;
};

}  // namespace sim
