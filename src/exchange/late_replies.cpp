#include "exchange/late_replies.h"

#include <QDateTime>
#include <algorithm>

#include "exchange/exchange_core.h"

namespace exchange {
namespace {

// Late replies in a row after which a reply timeout that would catch them is named.
constexpr int kRunForSuggestion = 3;

// The measured gap from a request's end to its late reply's first byte, with a margin for the
// drive's spread (a fifth, at least 10 ms), rounded up to 10 ms.
int SuggestedTimeout(int gapMs) {
    const int withMargin = gapMs + std::max(10, gapMs / 5);
    return std::clamp((withMargin + 9) / 10 * 10, int(kMinimumCapture.count()),
                      int(kLongestReplyTimeout.count()));
}

}  // namespace

ExchangeRecord LateReplies::takeRecord(int counter, Clock::time_point requestEnd) {
    ExchangeRecord record;
    record.timeMs = QDateTime::currentMSecsSinceEpoch();
    record.counter = counter;
    record.direction = Direction::LateReceived;
    record.bytes = bytes_.bytes;
    record.verdict = Verdict::Late;
    record.firstByteMs = MillisecondsBetween(requestEnd, bytes_.first);
    record.lastByteMs = MillisecondsBetween(requestEnd, bytes_.last);
    record.detail = QStringLiteral(
                        "arrived %1 ms after the request of exchange %2, after its "
                        "capture had ended")
                        .arg(record.firstByteMs)
                        .arg(counter);
    if (counter != runCounter_) {
        runCounter_ = counter;
        ++run_;
        longestGapMs_ = std::max(longestGapMs_, record.firstByteMs);
    }
    if (run_ >= kRunForSuggestion) {
        suggestion_ = SuggestedTimeout(longestGapMs_);
        record.detail += QStringLiteral(
                             "; %1 late replies in a row: a reply timeout of %2 ms "
                             "would catch them (回应超时)")
                             .arg(run_)
                             .arg(suggestion_);
    }
    bytes_ = Arrivals{};
    return record;
}

void LateReplies::endRun() {
    run_ = 0;
    longestGapMs_ = 0;
}

int LateReplies::suggestedTimeout() const {
    return run_ >= kRunForSuggestion ? suggestion_ : 0;
}

}  // namespace exchange
