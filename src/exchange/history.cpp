#include "exchange/history.h"

#include <algorithm>

namespace exchange {

// The ring grows as records come, so memory follows what is kept rather than what could be.
History::History(std::size_t capacity, QObject* parent)
    : QObject(parent), capacity_(std::max<std::size_t>(capacity, 1)) {}

const ExchangeRecord& History::at(std::size_t row) const {
    return ring_[(first_ + row) % ring_.size()];
}

void History::append(const ExchangeRecord& record) {
    if (record.direction == Direction::Received) {
        // The request is one of the last few records: its own TXD line comes right before the
        // reply, a late line or two at most between them.
        for (std::size_t back = 1; back <= std::min<std::size_t>(count_, 4); ++back) {
            ExchangeRecord& earlier = ring_[(first_ + count_ - back) % ring_.size()];
            if (earlier.exchangeId != record.exchangeId || earlier.direction != Direction::Sent)
                continue;
            earlier.verdict = record.verdict;
            break;
        }
    }
    // A reply taken in one go can share a read buffer of kilobytes; the ring keeps its bytes only,
    // or a day of timed mode would hold gigabytes.
    ExchangeRecord kept = record;
    kept.bytes.squeeze();
    kept.detail.squeeze();
    if (count_ < capacity_) {
        ring_.push_back(std::move(kept));
        ++count_;
    } else {
        ring_[first_] = std::move(kept);
        first_ = (first_ + 1) % ring_.size();
    }
    ++appended_;
    emit grown();
}

}  // namespace exchange
