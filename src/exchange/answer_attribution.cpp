// Whose answer bytes are: this request's, an earlier request's still owed one (late, on its
// own exchange), or the rest of an earlier reply; and when a request must wait for an earlier
// twin's answer first.
#include <algorithm>

#include "exchange/exchange_core.h"
#include "exchange/request_identity.h"

namespace exchange {
namespace {

using std::chrono::milliseconds;

// The bytes of a request that, come back during its send, tell its echo from an earlier answer of
// the same drive: address and command are shared, the length byte is not (three ASCII pairs and
// the colon).
constexpr int kTellingEchoBytes = 3;
constexpr int kTellingEchoChars = 7;

// Devices answer up to 150 ms after a request. A request whose answer would pass for that of an
// unanswered one before it waits at least this long, of silence, after that one's capture, so
// that a slow drive's answer is filed as late on its own exchange rather than taken as good.
constexpr milliseconds kSlowestAnswer{150};

}  // namespace

std::optional<Clock::time_point> ExchangeCore::heldUntil(const QByteArray& request) const {
    // A port faster than its baud rate answers at once or not at all.
    if (fastLine_) return std::nullopt;
    for (auto owed = unanswered_.rbegin(); owed != unanswered_.rend(); ++owed) {
        if (!AnswersAlike(owed->request, request, framing_)) continue;
        // Silence after its capture, restarted by any byte since; never past the longest time
        // a drive that answers at all takes.
        const milliseconds silence = std::max(owed->wait, kSlowestAnswer);
        const Clock::time_point quietFrom = std::max(owed->windowClosed, lastArrival_);
        return std::min(quietFrom + silence, owed->requestEnd + kLongestReplyTimeout);
    }
    return std::nullopt;
}

// Late bytes belong to the exchange before, unless they answer an earlier request still owed
// its answer: a drive that answers late may be more than one request behind.
void ExchangeCore::emitLateBytes() {
    if (late_.isEmpty()) return;
    if (state_ == State::Idle) captureTimer_.stop();
    int counter = lastCounter_;
    std::optional<Clock::time_point> requestEnd = lastRequestEnd_;
    for (auto owed = unanswered_.begin(); owed != unanswered_.end(); ++owed) {
        if (LeadingAnswerLength(owed->request, late_.bytes().bytes, framing_) == 0) continue;
        counter = owed->counter;
        requestEnd = owed->requestEnd;
        unanswered_.erase(unanswered_.begin(), owed + 1);
        break;
    }
    if (!requestEnd) counter = counter_;  // nothing went out yet: filed with the first request
    report(late_.takeRecord(counter, requestEnd));
}

// No drive answers a request before it has heard all of it: on a wire, bytes that came while it
// went out are the rest of an earlier reply, and so are those that follow them without a pause.
// On a line that echoes what is sent the request itself comes back meanwhile: kept apart as the
// echo, it is neither a late reply nor this one's. Its first few bytes alone could be an earlier
// answer from the same drive (address and command), so a part counts only beyond. A port faster
// than its baud rate (a USB service port, a virtual port pair, a simulator) has the answer in
// before the request's wire time is up: it is this request's own when it begins like one and
// answers no other request still owed one.
void ExchangeCore::takeBytesOfTheSend(const QByteArray& request, Clock::time_point now) {
    const QByteArray during = port_.readPendingInput();
    if (during.isEmpty()) return;
    const int telling = framing_ == frame::Framing::Ascii ? kTellingEchoChars : kTellingEchoBytes;
    if (late_.isEmpty() &&
        (during.startsWith(request) || (during.size() >= telling && request.startsWith(during)))) {
        capture_.echo = during.left(request.size());
        replyBytes_.add(during.mid(capture_.echo.size()), now);
        return;
    }
    // A twin's answer is waited out before the request goes (heldUntil), so what answers a twin
    // now answers this request.
    const bool answersOwed =
        std::any_of(unanswered_.begin(), unanswered_.end(), [&](const Unanswered& owed) {
            return !AnswersAlike(owed.request, request, framing_) &&
                   LeadingAnswerLength(owed.request, during, framing_) > 0;
        });
    if (late_.isEmpty() && BeginsAnswer(request, during, framing_) && !answersOwed) {
        replyBytes_.add(during, now);
        capture_.answeredEarly = true;
        return;
    }
    late_.bytes().add(during, now);
}

// The rest of an earlier reply that was arriving while this request went out: bytes go on
// counting as late until its frame ends, and what comes after that is this request's reply. An
// RTU answer to a request still owed one says by its length byte where it ends, however the
// reads fell; other bytes end with an ASCII line end or a frame gap of silence.
QByteArray ExchangeCore::continueLateFrame(QByteArray bytes, Clock::time_point now) {
    Arrivals& late = late_.bytes();
    const bool ascii = framing_ == frame::Framing::Ascii;
    const int owedLength = ascii ? 0 : owedFrameLength(late.bytes);
    bool ended = owedLength > 0 ? late.bytes.size() >= owedLength
                                : FrameEnded(late, now, settings_, framing_) ||
                                      (ascii && late.bytes.contains('\n'));
    if (!ended && !bytes.isEmpty()) {
        qsizetype taken = bytes.size();
        const qsizetype lineEnd = ascii ? bytes.indexOf('\n') : -1;
        if (owedLength > 0) {
            taken = std::min<qsizetype>(taken, owedLength - late.bytes.size());
            ended = late.bytes.size() + taken >= owedLength;
        } else if (lineEnd >= 0) {
            taken = lineEnd + 1;
            ended = true;
        }
        late.add(bytes.left(taken), now);
        bytes.remove(0, taken);
    }
    if (!ended) return bytes;
    lateFrameOpen_ = false;
    emitLateBytes();
    return bytes;
}

// The length of the RTU frame that `bytes` begin, when they begin an answer to a request whose
// answer is still owed: its address, command and length byte; 0 otherwise.
int ExchangeCore::owedFrameLength(const QByteArray& bytes) const {
    if (bytes.size() < 3) return 0;
    for (const Unanswered& owed : unanswered_)
        if (owed.request.size() >= 2 && bytes.startsWith(owed.request.left(2)))
            return 3 + quint8(bytes.at(2)) + 2;
    return 0;
}

// A drive answers its requests in turn: a whole frame at the start of the reply that answers a
// recent request whose answer was missing, and not this one, is that request's late answer; the
// requests before it are not answered any more. The same request as this one cannot be told
// from it, and is left alone.
void ExchangeCore::splitPreviousAnswer() {
    const QByteArray& request = capture_.exchange.request;
    while (!replyBytes_.isEmpty() && !unanswered_.empty()) {
        if (LeadingAnswerLength(request, replyBytes_.bytes, framing_) > 0) return;
        auto owed = unanswered_.begin();
        int length = 0;
        for (; owed != unanswered_.end(); ++owed) {
            if (owed->request == request) continue;
            length = LeadingAnswerLength(owed->request, replyBytes_.bytes, framing_);
            if (length > 0) break;
        }
        if (length == 0) return;
        Arrivals& late = late_.bytes();
        late.add(replyBytes_.bytes.left(length), replyBytes_.last);
        late.first = replyBytes_.first;
        replyBytes_.bytes.remove(0, length);
        if (replyBytes_.isEmpty()) {
            replyBytes_ = Arrivals{};
            replyStart_.reset();
            pacedLast_.reset();
        }
        report(late_.takeRecord(owed->counter, owed->requestEnd));
        unanswered_.erase(unanswered_.begin(), owed + 1);
    }
}

}  // namespace exchange
