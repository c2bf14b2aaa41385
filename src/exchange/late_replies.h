// Bytes that belong to an exchange that has ended: a reply that came after its capture, or the
// rest of one that was still arriving while the next request went out. Replies that keep coming
// late name the reply timeout that would have caught them.
#pragma once

#include "exchange/capture_timing.h"
#include "exchange/exchange_record.h"

namespace exchange {

class LateReplies {
  public:
    Arrivals& bytes() { return bytes_; }
    bool isEmpty() const { return bytes_.isEmpty(); }

    // The late bytes as a record of exchange `counter`, whose request ended at `requestEnd`;
    // they are forgotten.
    ExchangeRecord takeRecord(int counter, Clock::time_point requestEnd);

    // A good reply ends a run of late ones.
    void endRun();
    // After three late replies in a row, the smallest timeout that would have caught them; 0
    // while there is nothing to suggest.
    int suggestedTimeout() const;

  private:
    Arrivals bytes_;
    int run_ = 0;           // exchanges in a row whose reply came late
    int runCounter_ = -1;   // the exchange the last late bytes belonged to
    int longestGapMs_ = 0;  // the longest wait for a late reply's first byte in the run
    int suggestion_ = 0;
};

}  // namespace exchange
