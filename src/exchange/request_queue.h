// The requests that wait for the line, in the order they go out.
#pragma once

#include <QByteArray>
#include <chrono>
#include <deque>
#include <functional>

#include "exchange/exchange_record.h"

namespace exchange {

struct Request {
    QByteArray bytes;
    Origin origin = Origin::Manual;
    // Not before this moment: a press goes out 0.1 s after it was made.
    std::chrono::steady_clock::time_point notBefore{};
    // Ahead of the repeating senders' requests still queued (timed mode's tick): a stop must not
    // wait behind them. Presses keep the order they were made in.
    bool urgent = false;
    // How its reply is read; frames typed by hand may be standard Modbus.
    Judging judging = Judging::Drive;
    // How long the capture waits for the reply's first byte; zero for the reply timeout. A job
    // that probes many drives waits only the turnaround a drive could take.
    std::chrono::milliseconds firstByteWait{0};
};

// Called once with the exchange that carried the request, sent or not.
using ExchangeDone = std::function<void(const Exchange&)>;

struct QueuedRequest {
    quint64 id = 0;
    Request request;
    ExchangeDone done;
};

class RequestQueue {
  public:
    // Queues the request; an urgent one goes before the timed ticks and polls still queued.
    void add(QueuedRequest entry);
    // Timed mode repeats one frame: a tick that finds an earlier tick still queued sends the
    // cells as they stand now, once, under that tick's id. 0 when no tick is queued.
    quint64 replaceTimed(const QByteArray& bytes);

    bool empty() const { return queue_.empty(); }
    const QueuedRequest& front() const { return queue_.front(); }
    QueuedRequest takeFront();
    // Takes a request out that has not gone out yet; false when none has this id.
    bool remove(quint64 id);
    // A request taken from the front that could not go out yet.
    void putBack(QueuedRequest entry) { queue_.push_front(std::move(entry)); }

  private:
    std::deque<QueuedRequest> queue_;
};

}  // namespace exchange
