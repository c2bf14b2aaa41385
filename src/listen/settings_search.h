// Finds a bus's baud rate and data format by listening alone: each setting is listened at in
// turn, and the one at which the traffic makes the most frames whose check holds wins. At a
// wrong baud rate or parity a UART makes garbage of every frame, and garbage almost never
// carries a right CRC or LRC.
#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>
#include <vector>

#include "listen/bus_listener.h"
#include "serial/serial_port.h"

namespace listen {

class SettingsSearch : public QObject {
    Q_OBJECT
  public:
    SettingsSearch(serial::SerialPort& port, BusListener& listener, QObject* parent = nullptr);

    // Listens at every baud-rate and format button's setting for `dwell` at most, the
    // formats of one framing before the other's. A setting at which `enough` whole frames came
    // and nothing else is taken at once.
    void start(std::chrono::milliseconds dwell = std::chrono::milliseconds(1500), int enough = 6);
    void stop();
    bool running() const { return candidate_ >= 0; }

    // The frames the listener hands on while the search runs; the caller passes them here.
    void tally(const std::vector<HeardFrame>& frames);

  signals:
    void trying(int baudIndex, int formatIndex);
    // The setting found, or -1 and -1 when none made two whole frames.
    void finished(int baudIndex, int formatIndex);

  private:
    void listenAt(int candidate);
    void next();
    void finish(int chosen, int whole);

    serial::SerialPort& port_;
    BusListener& listener_;
    QTimer dwell_;
    int enough_ = 6;
    int candidate_ = -1;
    int whole_ = 0;
    int other_ = 0;
    int best_ = -1;
    int bestWhole_ = 0;
};

}  // namespace listen
