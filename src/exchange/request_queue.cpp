#include "exchange/request_queue.h"

#include <algorithm>

namespace exchange {

quint64 RequestQueue::replaceTimed(const QByteArray& bytes) {
    for (QueuedRequest& queued : queue_) {
        if (queued.request.origin != Origin::Timed) continue;
        queued.request.bytes = bytes;
        return queued.id;
    }
    return 0;
}

void RequestQueue::add(QueuedRequest entry) {
    // An urgent request goes before the repeating senders' requests, never before a press made
    // earlier: a start and a stop pressed together must leave the drive as the last press says.
    const auto at = entry.request.urgent
                        ? std::find_if(queue_.begin(), queue_.end(),
                                       [](const QueuedRequest& q) {
                                           return q.request.origin != Origin::Manual;
                                       })
                        : queue_.end();
    queue_.insert(at, std::move(entry));
}

QueuedRequest RequestQueue::takeFront() {
    QueuedRequest entry = std::move(queue_.front());
    queue_.pop_front();
    return entry;
}

}  // namespace exchange
