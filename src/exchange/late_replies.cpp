#include "exchange/late_replies.h"

#include <QCoreApplication>
#include <QDateTime>
#include <algorithm>

#include "exchange/exchange_core.h"

namespace exchange {
namespace {

// Late replies among the recent exchanges after which a reply timeout that would catch them is
// named.
constexpr int kLateForSuggestion = 3;
constexpr std::size_t kRecentExchanges = 12;

// The measured gap from a request's end to its late reply's first byte, with a margin for the
// drive's spread (a fifth, at least 10 ms), rounded up to 10 ms.
int SuggestedTimeout(int gapMs) {
    const int withMargin = gapMs + std::max(10, gapMs / 5);
    return std::clamp((withMargin + 9) / 10 * 10, int(kMinimumCapture.count()),
                      int(kLongestReplyTimeout.count()));
}

}  // namespace

ExchangeRecord LateReplies::takeRecord(int counter, std::optional<Clock::time_point> requestEnd) {
    ExchangeRecord record;
    record.timeMs = QDateTime::currentMSecsSinceEpoch();
    record.counter = counter;
    record.direction = Direction::LateReceived;
    record.bytes = bytes_.bytes;
    record.verdict = Verdict::Late;
    if (!requestEnd) {
        record.detail = QCoreApplication::translate(
            "LateReplies",
            "arrived before this program sent any request: another master on the line, or a "
            "device that talks on its own");
        bytes_ = Arrivals{};
        return record;
    }
    record.firstByteMs = MillisecondsBetween(*requestEnd, bytes_.first);
    record.lastByteMs = MillisecondsBetween(*requestEnd, bytes_.last);
    record.detail = QCoreApplication::translate(
                        "LateReplies",
                        "arrived %1 ms after the request of exchange %2, after its capture "
                        "had ended: the drive answers later than the capture waits")
                        .arg(record.firstByteMs)
                        .arg(counter);
    for (Ended& ended : recent_)
        if (ended.counter == counter)
            ended.lateGapMs = std::max(ended.lateGapMs, record.firstByteMs);
    if (lateCount() >= kLateForSuggestion) {
        int longestGapMs = 0;
        for (const Ended& ended : recent_) longestGapMs = std::max(longestGapMs, ended.lateGapMs);
        suggestion_ = SuggestedTimeout(longestGapMs);
        record.detail += QCoreApplication::translate(
                             "LateReplies",
                             "; %1 of the last %2 replies came late: a reply timeout (回应超时) "
                             "of %3 ms would catch them")
                             .arg(lateCount())
                             .arg(recent_.size())
                             .arg(suggestion_);
    }
    bytes_ = Arrivals{};
    return record;
}

void LateReplies::exchangeEnded(int counter) {
    recent_.push_back({counter, -1});
    if (recent_.size() > kRecentExchanges) recent_.pop_front();
}

int LateReplies::lateCount() const {
    return int(std::count_if(recent_.begin(), recent_.end(),
                             [](const Ended& ended) { return ended.lateGapMs >= 0; }));
}

int LateReplies::suggestedTimeout() const {
    return lateCount() >= kLateForSuggestion ? suggestion_ : 0;
}

}  // namespace exchange
