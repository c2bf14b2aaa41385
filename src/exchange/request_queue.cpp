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
    // So it goes right after the last press still queued, ahead of the ticks and polls behind it.
    const auto lastPress = std::find_if(queue_.rbegin(), queue_.rend(), [](const QueuedRequest& q) {
        return q.request.origin == Origin::Manual;
    });
    const auto at = entry.request.urgent ? lastPress.base() : queue_.end();
    queue_.insert(at, std::move(entry));
}

bool RequestQueue::remove(quint64 id) {
    const auto at = std::find_if(queue_.begin(), queue_.end(),
                                 [id](const QueuedRequest& q) { return q.id == id; });
    if (at == queue_.end()) return false;
    queue_.erase(at);
    return true;
}

QueuedRequest RequestQueue::takeFront() {
    QueuedRequest entry = std::move(queue_.front());
    queue_.pop_front();
    return entry;
}

}  // namespace exchange
