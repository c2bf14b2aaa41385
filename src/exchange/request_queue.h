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
    // Ahead of everything still queued: a stop must not wait behind readings.
    bool urgent = false;
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
    // Queues the request. An urgent one goes before all others that are not urgent.
    void add(QueuedRequest entry);
    // Timed mode repeats one frame: a tick that finds an earlier tick still queued sends the
    // cells as they stand now, once, under that tick's id. 0 when no tick is queued.
    quint64 replaceTimed(const QByteArray& bytes);

    bool empty() const { return queue_.empty(); }
    const QueuedRequest& front() const { return queue_.front(); }
    QueuedRequest takeFront();

  private:
    std::deque<QueuedRequest> queue_;
};

}  // namespace exchange
