// Bytes that belong to an exchange that has ended: a reply that came after its capture, or the
// rest of one that was still arriving while the next request went out. Replies that keep coming
// late name the reply timeout that would have caught them.
#pragma once

#include "exchange/capture_timing.h"
#include "exchange/exchange_record.h"

#include <deque>
#include <optional>

namespace exchange {

class LateReplies {
  public:
    Arrivals& bytes() { return bytes_; }
    bool isEmpty() const { return bytes_.isEmpty(); }

    // The late bytes as a record of exchange `counter`, whose request ended at `requestEnd`;
    // they are forgotten. Without a request (none went out yet) they have no delay to tell.
    ExchangeRecord takeRecord(int counter, std::optional<Clock::time_point> requestEnd);

    // Each exchange as it ends, so that late replies are counted among the recent ones.
    void exchangeEnded(int counter);
    // Once three of the last twelve replies came late, the smallest timeout that would have
    // caught them; 0 while there is nothing to suggest. A slow drive asked by hand answers every
    // request late; a poller that takes turns between readings sees only some answers late, the
    // others taken by the next poll of the same reading or lost.
    int suggestedTimeout() const;

  private:
    struct Ended {
        int counter = 0;
        int lateGapMs = -1;  // the wait for its late reply's first byte; -1 when none came
    };
    int lateCount() const;

    Arrivals bytes_;
    std::deque<Ended> recent_;
    int suggestion_ = 0;
};

}  // namespace exchange
