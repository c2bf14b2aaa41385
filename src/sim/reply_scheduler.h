// The simulated drive's side of a line run from a Qt event loop: requests are picked out of
// the bytes heard, and each answer's characters are handed on when they would arrive on a wire
// (the turnaround, then one character time each). The in-process line of --demo and the TCP
// side on Windows use it; the Linux pseudo-terminals have a thread of their own (LinePump).
#pragma once

#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <deque>
#include <functional>

#include "sim/injection.h"
#include "sim/request_parser.h"

namespace sim {

class ReplyScheduler : public QObject {
    Q_OBJECT
  public:
    using Clock = std::chrono::steady_clock;
    using Handler = std::function<std::vector<Piece>(const Request&)>;
    // `deliver` receives each piece of the answer when it is due.
    ReplyScheduler(Handler handler, std::function<void(const QByteArray&)> deliver,
                   QObject* parent = nullptr);

    void setTurnaround(std::chrono::milliseconds turnaround) { turnaround_ = turnaround; }
    // The wire time of one character; zero delivers each piece whole at its moment.
    void setCharacterTime(std::chrono::microseconds time) { characterTime_ = time; }
    void setEcho(bool echo) { echo_ = echo; }

    // Bytes the drive heard, the last of them at `end`.
    void hear(const QByteArray& bytes, Clock::time_point end);
    // Answers not yet handed on are dropped.
    void clear();

  private:
    struct Outgoing {
        Clock::time_point due;
        QByteArray bytes;
    };
    void schedule(Clock::time_point due, QByteArray bytes);
    void answer(const std::vector<Request>& requests, Clock::time_point heardEnd);
    void deliverDue();
    void arm();

    Handler handler_;
    std::function<void(const QByteArray&)> deliver_;
    RequestParser parser_;
    std::deque<Outgoing> outgoing_;  // ordered by due time
    Clock::time_point outboundEnd_ = Clock::now();
    std::chrono::milliseconds turnaround_{0};
    std::chrono::microseconds characterTime_{0};
    bool echo_ = false;
    QTimer timer_;       // the next piece falls due
    QTimer flushTimer_;  // a partial frame followed by silence is searched once more
};

}  // namespace sim
