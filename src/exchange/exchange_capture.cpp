// The capture of a reply: from the moment the request has left the port to the end of its
// frame, with the rest of an earlier reply told apart from it, and the verdict.
#include <QCoreApplication>
#include <algorithm>

#include "exchange/exchange_core.h"
#include "exchange/exchange_text.h"
#include "exchange/pause.h"
#include "exchange/request_identity.h"

namespace exchange {
namespace {

using std::chrono::milliseconds;

QString EchoNote(const Judgement& judgement) {
    const QString echo = QCoreApplication::translate(
        "ExchangeCore",
        "the request came back while it was sent: the adapter echoes, or a two-wire bus keeps "
        "its receiver on");
    if (judgement.verdict == Verdict::NoReply)
        return echo + QStringLiteral("; ") +
               QCoreApplication::translate("ExchangeCore", "no drive answered");
    return judgement.detail.isEmpty() ? echo : judgement.detail + QStringLiteral("; ") + echo;
}

// How early a timer tick may come against the capture it ends.
constexpr milliseconds kTickTolerance{3};
// How late a timer may wake: it runs on whole milliseconds.
constexpr milliseconds kTimerLateness{1};
// The longest wait that is slept rather than waited for in the event loop: the rest of a poll's
// answer with the gap after it (3.5 ms at 38400 baud).
constexpr milliseconds kLongestSleptWait{4};
// The requests whose missing answers may still turn up at the start of a later reply.
constexpr std::size_t kOwedAnswers = 8;
// Good answers in a row that came before their request's wire time was up, after which the port
// counts as faster than its baud rate.
constexpr int kEarlyAnswersOfAFastLine = 3;

}  // namespace

void ExchangeCore::startCapture(QueuedRequest& entry, Clock::time_point requestEnd) {
    const Clock::time_point now = Clock::now();
    const Request& request = entry.request;
    const auto gap = serial::FrameGap(settings_);
    capture_ = Capture{};
    capture_.done = std::move(entry.done);
    capture_.exchange.id = entry.id;
    capture_.exchange.origin = request.origin;
    capture_.exchange.judging = request.judging;
    capture_.exchange.counter = counter_;
    capture_.exchange.request = request.bytes;
    capture_.exchange.requestEnd = requestEnd;
    // A character whose start bit left the drive just before the timeout is seen one frame gap
    // later; it still opens the reply.
    const milliseconds wait =
        request.firstByteWait.count() > 0 ? request.firstByteWait : replyTimeout_;
    capture_.wait = wait;
    capture_.firstByteDeadline = requestEnd + wait + gap;
    // The window's sends keep the 50 ms capture they have always had; a poll or a job's request
    // ends with its frame.
    const bool endsWithFrame = EndsWithFrame(request.origin);
    capture_.earliestEnd = endsWithFrame ? requestEnd : requestEnd + kMinimumCapture;
    capture_.latestEnd = requestEnd + longestCapture(wait);
    state_ = State::Capturing;
    replyStart_.reset();
    pacedLast_.reset();

    takeBytesOfTheSend(request.bytes, now);
    const bool echo = !capture_.echo.isEmpty();
    lateFrameOpen_ = !late_.isEmpty();

    // A capture that lasts its 50 ms anyway takes the reply in one go at its end. A poll ends
    // with its frame: where the same request was answered before, it takes the reply in one go
    // when that many characters have had their wire time, otherwise byte by byte. Behind the
    // rest of an earlier reply every byte is taken as it comes, to tell where that reply ends.
    const int expected = endsWithFrame ? replyLengths_.value(request.bytes, 0) : 0;
    // A network delivers the bursts its gateway collected, not characters at the wire's pace:
    // each burst is taken as it comes (a network socket holds nothing back for a later read).
    const bool network = settings_.linkSilence.count() > 0;
    quiet_ = !network && !lateFrameOpen_ && !echo && (!endsWithFrame || expected > 0);
    if (!replyBytes_.isEmpty()) quiet_ = false;
    expectedReply_ = expected;
    quietUntil_ = endsWithFrame ? Clock::time_point::max() : capture_.earliestEnd;
    if (quiet_) port_.setQuietArrival(true);
    report(recordFor(capture_.exchange, Direction::Sent));
    if (lateFrameOpen_) takeReplyBytes(now);  // an ASCII frame that has ended is reported now
    // Judged from the event loop, never inside the send, so a finished capture cannot start the
    // next request from within this one. A quiet capture has nothing to judge before its reply
    // begins or its time is up.
    if (state_ == State::Capturing) armCaptureTimer(quiet_ ? capture_.firstByteDeadline : now);
}

void ExchangeCore::onArrival() {
    if (listener_) {
        listener_();
        return;
    }
    // During the send the bytes wait in the port; the capture takes them once the frame is out.
    if (state_ == State::Sending) return;
    if (state_ == State::Capturing) {
        const Clock::time_point now = Clock::now();
        if (quiet_ && !replyStart_) {
            // The reply has begun; the rest stays with the port until the capture's 50 ms are
            // up, or a poll's answer has had its wire time and the frame gap after it: the next
            // poll may then go out as soon as this one is judged, with no second wait.
            replyStart_ = now;
            if (expectedReply_ > 0)
                quietUntil_ =
                    now + serial::FrameGap(settings_) + WireTime(settings_, expectedReply_ - 1);
        }
        if (quiet_ && now < quietUntil_) {
            // A short reply's remaining wire time is slept off, finer than a timer wakes.
            if (quietUntil_ - now > kLongestSleptWait) {
                // A timer wakes up to a millisecond late, which every poll would add to the
                // line's cycle: a poll's timer is set a millisecond early, when its answer is in
                // already, and the rest of the gap is slept before the next request.
                armCaptureTimer(expectedReply_ > 0 ? quietUntil_ - kTimerLateness : quietUntil_);
                return;
            }
            Pause(quietUntil_ - now);
        }
        evaluateCapture();
        return;
    }
    const Clock::time_point now = Clock::now();
    const QByteArray bytes = port_.readPendingInput();
    if (!bytes.isEmpty()) lastArrival_ = now;
    late_.bytes().add(bytes, now);
    if (late_.isEmpty()) return;
    // A request sent into a reply still arriving would collide with it on the line: the line is
    // free a frame gap after the last byte.
    lineFreeAt_ = std::max(lineFreeAt_, now + serial::FrameGap(settings_));
    if (FrameEnded(late_.bytes(), now, settings_, framing_)) {
        emitLateBytes();
        // A request held back for an unanswered twin may go once that one's answer is in.
        if (!queue_.empty()) {
            nextTimer_.stop();
            startNext();
        }
    } else {
        armCaptureTimer(late_.bytes().last + SilenceEndingFrame(settings_, framing_));
    }
}

void ExchangeCore::takeReplyBytes(Clock::time_point now) {
    QByteArray bytes = port_.readPendingInput();
    if (lateFrameOpen_) bytes = continueLateFrame(std::move(bytes), now);
    // The rest of an echo that had begun during the send.
    const QByteArray& request = capture_.exchange.request;
    while (!capture_.echo.isEmpty() && capture_.echo.size() < request.size() && !bytes.isEmpty() &&
           replyBytes_.isEmpty() && bytes.front() == request.at(capture_.echo.size())) {
        capture_.echo.append(bytes.front());
        bytes.remove(0, 1);
    }
    const bool wasEmpty = replyBytes_.isEmpty();
    const qsizetype had = replyBytes_.bytes.size();
    replyBytes_.add(bytes, now);
    if (!wasEmpty && replyBytes_.bytes.size() > had) pacedLast_.reset();  // measured from here on
    if (wasEmpty && replyStart_ && !replyBytes_.isEmpty()) {
        // Taken in one go after a quiet wait: the first byte's time is known. The last one may
        // have come just now, so the silence that ends the frame counts from now; its time as
        // reported is where the line's pace puts it.
        replyBytes_.first = *replyStart_;
        const Clock::time_point paced =
            *replyStart_ + WireTime(settings_, replyBytes_.bytes.size() - 1);
        pacedLast_ = std::min(now, paced);
    }
    splitPreviousAnswer();
}

// A poll's reply that so far is the start of its answer: from the polled drive, with the
// request's command, and shorter than the answers to the same request were.
bool ExchangeCore::pollAnswerUnderway() const {
    const QByteArray& bytes = replyBytes_.bytes;
    return EndsWithFrame(capture_.exchange.origin) && framing_ == frame::Framing::Rtu &&
           bytes.size() < expectedReply_ && bytes.startsWith(capture_.exchange.request.left(2));
}

void ExchangeCore::evaluateCapture() {
    const Clock::time_point now = Clock::now();
    if (quiet_ && now >= quietUntil_) {
        // From here on every byte counts: whether the reply goes on decides when it ends.
        quiet_ = false;
        port_.setQuietArrival(false);
    }
    takeReplyBytes(now);
    if (replyBytes_.isEmpty()) {
        if (now >= capture_.firstByteDeadline) {
            finishCapture();
            return;
        }
        Clock::time_point next = capture_.firstByteDeadline;
        if (lateFrameOpen_)
            next = std::min(next, late_.bytes().last + SilenceEndingFrame(settings_, framing_));
        armCaptureTimer(next);
        return;
    }
    // A poll does not wait for the silence after a reply whose length says it is whole: the
    // silence is kept before the next request instead. Nor does a whole frame that does not
    // answer it end a poll before its timeout: that is the rest of an earlier reply or an
    // earlier request's late answer, and the drive answers this request after it.
    const bool poll = EndsWithFrame(capture_.exchange.origin);
    const bool answered =
        poll && HoldsWholeReply(capture_.exchange.request, replyBytes_.bytes, framing_);
    // An answer whose own length says more is to come is not cut at a frame gap: a USB adapter
    // or a busy PC pauses inside frames. A gateway's bursts may lie far apart on a busy network
    // or host: there such a frame is waited for to the capture's end.
    const bool network = settings_.linkSilence.count() > 0;
    const bool shortOfItsLength =
        replyBytes_.bytes.size() <
        AnswerLengthFromStart(capture_.exchange.request, replyBytes_.bytes, framing_);
    const bool underway = pollAnswerUnderway() || shortOfItsLength;
    const bool owed = network && shortOfItsLength;
    const bool silent = !owed && FrameEnded(replyBytes_, now, settings_, framing_, underway);
    const bool waitForAnswer = poll && !answered && now < capture_.firstByteDeadline;
    const bool ended = answered || (silent && !waitForAnswer);
    if ((ended && now >= capture_.earliestEnd) || now >= capture_.latestEnd) {
        finishCapture();
        return;
    }
    const Clock::time_point next =
        ended    ? capture_.earliestEnd
        : silent ? capture_.firstByteDeadline
        : owed   ? capture_.latestEnd  // the rest wakes the capture when it comes
                 : replyBytes_.last + SilenceEndingFrame(settings_, framing_, underway);
    armCaptureTimer(std::min(next, capture_.latestEnd));
}

// A send that comes while a capture runs ends it at once when there is nothing more to wait for:
// the reply has ended, or nothing came and the capture has run its course (a timed tick comes
// on the dot of the 50 ms, a hair before the capture's own timer). A reply still arriving is
// never cut: the send then waits for its end.
void ExchangeCore::endCaptureForNextSend() {
    const Clock::time_point now = Clock::now();
    takeReplyBytes(now);
    const bool nothing = replyBytes_.isEmpty();
    const bool waited = now + kTickTolerance >=
                        capture_.exchange.requestEnd + std::max(replyTimeout_, kMinimumCapture);
    const bool whole = FrameEnded(replyBytes_, now, settings_, framing_) ||
                       HoldsWholeReply(capture_.exchange.request, replyBytes_.bytes, framing_);
    if ((!nothing && whole) || (nothing && waited)) finishCapture();
}

void ExchangeCore::finishCapture() {
    captureTimer_.stop();
    if (quiet_) {
        quiet_ = false;
        port_.setQuietArrival(false);
    }
    if (lateFrameOpen_) {
        lateFrameOpen_ = false;
        emitLateBytes();
    }
    replyStart_.reset();
    const Clock::time_point now = Clock::now();
    Exchange exchange = capture_.exchange;
    const ExchangeDone done = std::move(capture_.done);
    exchange.reply = replyBytes_.bytes;
    exchange.echo = capture_.echo;
    exchange.judgement = JudgeReplyAs(exchange.request, exchange.reply, framing_, exchange.judging);
    if (!exchange.echo.isEmpty()) exchange.judgement.detail = EchoNote(exchange.judgement);
    if (!replyBytes_.isEmpty()) {
        const Clock::time_point lastByte =
            pacedLast_ ? std::max(*pacedLast_, replyBytes_.first) : replyBytes_.last;
        exchange.firstByteMs = MillisecondsBetween(exchange.requestEnd, replyBytes_.first);
        exchange.lastByteMs = MillisecondsBetween(exchange.requestEnd, lastByte);
        exchange.firstByteDelay = std::chrono::duration_cast<std::chrono::microseconds>(
            replyBytes_.first - exchange.requestEnd);
        exchange.lastByteDelay =
            std::chrono::duration_cast<std::chrono::microseconds>(lastByte - exchange.requestEnd);
        // The next request keeps a frame gap after the reply's last byte. A whole frame taken in
        // one go after a quiet wait ended where the line's pace puts it, usually long before now;
        // anything less than a whole frame may still have been arriving a moment ago.
        const bool whole = exchange.judgement.verdict != Verdict::Incomplete;
        lineFreeAt_ =
            std::max(now, (whole ? lastByte : replyBytes_.last) + serial::FrameGap(settings_));
    } else {
        lineFreeAt_ = now;
    }
    replyBytes_ = Arrivals{};
    state_ = State::Idle;
    lastCounter_ = exchange.counter;
    lastRequestEnd_ = exchange.requestEnd;
    counter_ = NextCounter(counter_);
    const bool good = exchange.judgement.verdict == Verdict::Good;
    if (EndsWithFrame(exchange.origin) && good)
        replyLengths_.insert(exchange.request, int(exchange.reply.size()));
    late_.exchangeEnded(exchange.counter);
    // Answers that keep coming before their request's wire time is up tell a port faster than
    // its baud rate.
    if (good) {
        earlyAnswers_ = capture_.answeredEarly ? earlyAnswers_ + 1 : 0;
        if (earlyAnswers_ >= kEarlyAnswersOfAFastLine && !fastLine_) {
            fastLine_ = true;
            emit lineFasterThanBaudFound();
        }
    }
    // Answers come in turn: once one is good, none owed before it is still to come. A drive
    // that answers at all does so within the longest reply timeout. A broadcast is owed none.
    if (good) {
        unanswered_.clear();
    } else if (exchange.judgement.verdict != Verdict::Broadcast) {
        unanswered_.push_back(
            {exchange.request, exchange.counter, exchange.requestEnd, now, capture_.wait});
    }
    while (!unanswered_.empty() && (unanswered_.size() > kOwedAnswers ||
                                    now - unanswered_.front().requestEnd > kLongestReplyTimeout))
        unanswered_.pop_front();
    report(recordFor(exchange, Direction::Received));
    finished(exchange, done);
    if (state_ == State::Idle && !nextTimer_.isActive()) startNext();
}

// Bytes arrive one by one on a slow line; rather than restart the timer for each, a timer due
// earlier is left to fire and look again.
void ExchangeCore::armCaptureTimer(Clock::time_point at) {
    if (captureTimer_.isActive() && captureDue_ <= at) return;
    captureDue_ = at;
    captureTimer_.start(MillisecondsUntil(at));
}

}  // namespace exchange
