// The simulated drive behind a TCP port on the loopback address, as a serial device server in
// raw mode offers a drive: one connection at a time, a new one taking over from the old.
#pragma once

#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "sim/line_pump.h"

namespace sim {

class TcpListener {
  public:
    // Makes the pump that serves one accepted connection's descriptor.
    using PumpMaker = std::function<std::unique_ptr<LinePump>(int fd)>;

    ~TcpListener();
    // Listens on 127.0.0.1:`port` (0: any free port; `boundPort` receives the one taken).
    bool start(quint16 port, PumpMaker makePump, quint16* boundPort, QString* error);
    void stop();

  private:
    void run();

    int listenFd_ = -1;
    int wake_[2] = {-1, -1};
    PumpMaker makePump_;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

}  // namespace sim
