#include "exchange/history.h"

#include <algorithm>

namespace exchange {
namespace {

// How far back a new record looks for a frame equal to its own: nine polled readings and their
// replies, twice over.
constexpr std::size_t kSharedLookBack = 36;

}  // namespace

// The ring's room is taken in one piece at the first record, never grown by doubling past the
// capacity; its pages become resident only as records fill them, so memory follows what is
// kept rather than what could be.
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
    // Polls and timed mode repeat the same frames: a frame equal to one of the last few records'
    // shares its bytes, so the ring holds each only once. A reply taken in one go can share a
    // read buffer of kilobytes; the ring keeps its bytes only, or a day of timed mode would hold
    // gigabytes.
    ExchangeRecord kept = record;
    bool shared = false;
    for (std::size_t back = 1; back <= std::min<std::size_t>(count_, kSharedLookBack); ++back) {
        const ExchangeRecord& earlier = ring_[(first_ + count_ - back) % ring_.size()];
        if (earlier.bytes != kept.bytes) continue;
        kept.bytes = earlier.bytes;
        shared = true;
        break;
    }
    if (!shared && kept.bytes.capacity() > kept.bytes.size()) kept.bytes.squeeze();
    if (kept.detail.capacity() > kept.detail.size()) kept.detail.squeeze();
    if (count_ < capacity_) {
        if (ring_.capacity() < capacity_) ring_.reserve(capacity_);
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
