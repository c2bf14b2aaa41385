// Listens to a line another master runs: takes every byte the port delivers with the time it
// came, and hands on the frames heard, paired and judged. It never writes to the port.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <vector>

#include "listen/bus_pairing.h"
#include "serial/serial_port.h"

namespace listen {

class BusListener : public QObject {
    Q_OBJECT
  public:
    explicit BusListener(serial::SerialPort& port, QObject* parent = nullptr);

    // Starts afresh on the open port: RTS goes to its receive state and stays there.
    void start(const serial::PortSettings& line, frame::Framing framing);
    // What is held becomes frames, and the listener takes nothing more.
    void stop();
    bool listening() const { return listening_; }

    // Called when bytes have arrived: the port's arrival handler, while listening. The bytes are
    // taken a moment later, with what came meanwhile, and then every moment while more keep
    // coming: a wake-up per character at the higher baud rates would cost more than the frames
    // themselves.
    void onArrival();
    // Takes what has arrived now.
    void readNow();

    // The wall-clock time of a moment on the listener's clock, in microseconds since the epoch.
    qint64 epochUs(qint64 us) const { return startEpochMs_ * 1000 + us; }
    qint64 nowUs() const { return clock_.nsecsElapsed() / 1000; }
    const serial::PortSettings& line() const { return line_; }
    frame::Framing framing() const { return framing_; }

  signals:
    void framesHeard(const std::vector<listen::HeardFrame>& frames);

  public:
    // How long bytes gather after the first one's news before they are taken.
    static constexpr int kBatchMs = 4;

  private:
    void take(const QByteArray& bytes);
    void pass(qint64 nowUs);
    void armDeadline();

    serial::SerialPort& port_;
    serial::PortSettings line_;
    frame::Framing framing_ = frame::Framing::Rtu;
    std::unique_ptr<FrameSplitter> splitter_;
    std::unique_ptr<BusPairing> pairing_;
    QElapsedTimer clock_;
    qint64 startEpochMs_ = 0;
    QTimer deadline_;
    qint64 armedDeadlineUs_ = -1;  // the moment deadline_ wakes for
    QTimer batch_;
    bool listening_ = false;
};

}  // namespace listen
