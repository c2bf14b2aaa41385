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
    // Urgent requests keep their own order among themselves, ahead of the rest.
    const auto at = entry.request.urgent
                        ? std::find_if(queue_.begin(), queue_.end(),
                                       [](const QueuedRequest& q) { return !q.request.urgent; })
                        : queue_.end();
    queue_.insert(at, std::move(entry));
}

QueuedRequest RequestQueue::takeFront() {
    QueuedRequest entry = std::move(queue_.front());
    queue_.pop_front();
    return entry;
}

}  // namespace exchange
