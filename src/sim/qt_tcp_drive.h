// The simulated drive behind a TCP port on the loopback address, served from a thread with a Qt
// event loop of its own: one connection at a time, a new one taking over from the old, as a
// serial device server in raw mode lets it. The Windows build serves TCP this way; the Linux
// build has the poll() loop of TcpListener, which paces finer than a millisecond.
#pragma once

#include <QString>
#include <QThread>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>

#include "sim/reply_scheduler.h"

namespace sim {

class QtTcpDrive {
  public:
    // `turnaround` and `echo` are asked for each request, so they may change while serving.
    QtTcpDrive(ReplyScheduler::Handler handler, std::chrono::microseconds wireCharacter,
               std::function<int()> turnaroundMs, std::function<bool()> echo);
    ~QtTcpDrive();
    bool start(quint16 port, quint16* boundPort, QString* error);
    void stop();

  private:
    class Worker;
    ReplyScheduler::Handler handler_;
    std::chrono::microseconds wireCharacter_;
    std::function<int()> turnaroundMs_;
    std::function<bool()> echo_;
    QThread thread_;
    Worker* worker_ = nullptr;
};

}  // namespace sim
