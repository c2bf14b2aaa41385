// The program's one line: the serial device behind the chosen port button, or, where the port
// map names "tcp://HOST:PORT" or "rfc2217://HOST:PORT" for that button, a serial device server
// reached over the network, or a line the program runs itself (the simulated drive of --demo
// where no pseudo-terminal can be made), by the name it was put in the map under.
#pragma once

#include <memory>
#include <utility>

#include "serial/port_map.h"
#include "serial/qt_serial_port.h"
#include "serial/tcp_line.h"

namespace serial {

class LineSelector : public SerialPort {
  public:
    explicit LineSelector(PortMap map);
    ~LineSelector() override;

    void setPortNumber(int number) override;
    void setSettings(const QString& settingsText) override;
    bool open() override;
    void close() override;
    bool isOpen() const override { return current().isOpen(); }
    QString errorText() const override { return current().errorText(); }
    void write(const QByteArray& bytes) override { current().write(bytes); }
    void flush() override { current().flush(); }
    std::chrono::steady_clock::time_point drain(std::chrono::milliseconds bound) override {
        return current().drain(bound);
    }
    int pendingInputCount() override { return current().pendingInputCount(); }
    QByteArray readPendingInput() override { return current().readPendingInput(); }
    QByteArray readPendingInputWithoutNews() override {
        return current().readPendingInputWithoutNews();
    }
    void setRts(bool on) override { current().setRts(on); }
    void setQuietArrival(bool quiet) override { current().setQuietArrival(quiet); }
    std::chrono::microseconds burstSilence() const override { return current().burstSilence(); }

    // The chosen button stands for a network line.
    bool networked() const { return kind_ == Kind::Network; }
    // `line` serves the buttons whose device is `name`; it stays the caller's.
    void addOwnLine(const QString& name, SerialPort* line);

  private:
    enum class Kind { Serial, Network, Own };
    SerialPort& current() { return const_cast<SerialPort&>(std::as_const(*this).current()); }
    const SerialPort& current() const;

    PortMap map_;
    QtSerialPort serial_;
    TcpLine tcp_;
    QString ownName_;
    SerialPort* own_ = nullptr;
    Kind kind_ = Kind::Serial;
};

}  // namespace serial
