#include "exchange/exchange_core.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <algorithm>
#include <cmath>

#include "exchange/exchange_text.h"
#include "exchange/pause.h"

namespace exchange {
namespace {

using Clock = ExchangeCore::Clock;
using std::chrono::milliseconds;

// How long the transmitter may take beyond the frame's own wire time before RTS is switched on
// regardless: a drain that does not end must not hang the window.
constexpr milliseconds kDrainMargin{20};
// A capture never outlasts the wire time of a grid's worth of reply after the timeout.
constexpr int kLongestReplyCharacters = 64;
// A poller that finds the port closed tries again after this long.
constexpr milliseconds kClosedPortRetry{1000};
// How early a timer tick may come against the capture it ends.
constexpr milliseconds kTickTolerance{3};
// How late a timer may wake: it runs on whole milliseconds.
constexpr milliseconds kTimerLateness{1};
// The silence that ends a frame whose end cannot be told otherwise: an ASCII frame without its
// line feed, or a poll's answer that is shorter than the same request's answers were.
constexpr std::chrono::microseconds kLongSilence{20000};
// The longest wait that is slept rather than waited for in the event loop: a frame gap before a
// request, or the rest of a poll's answer with the gap after it (3.5 ms at 38400 baud).
constexpr milliseconds kLongestSleptGap{4};

// Late replies in a row after which the core names a reply timeout that would catch them.
constexpr int kLateRunForSuggestion = 3;

// The measured gap from a request's end to its late reply's first byte, with a margin for the
// drive's spread (a fifth, at least 10 ms), rounded up to 10 ms.
int SuggestedTimeout(int gapMs) {
    const int withMargin = gapMs + std::max(10, gapMs / 5);
    return std::clamp((withMargin + 9) / 10 * 10, int(kMinimumCapture.count()),
                      int(kLongestReplyTimeout.count()));
}

int MillisecondsBetween(Clock::time_point from, Clock::time_point to) {
    return static_cast<int>(
        std::lround(std::chrono::duration<double, std::milli>(to - from).count()));
}

// Milliseconds until `at`, rounded up so a timer never wakes just before its moment.
int MillisecondsUntil(Clock::time_point at) {
    const auto left = std::chrono::duration<double, std::milli>(at - Clock::now()).count();
    return left <= 0 ? 0 : static_cast<int>(std::ceil(left));
}

}  // namespace

ExchangeCore::ExchangeCore(serial::SerialPort& port, QObject* parent)
    : QObject(parent), port_(port) {
    captureTimer_.setObjectName(QStringLiteral("Timer1"));
    captureTimer_.setSingleShot(true);
    captureTimer_.setTimerType(Qt::PreciseTimer);
    connect(&captureTimer_, &QTimer::timeout, this, [this] {
        if (state_ == State::Capturing) {
            evaluateCapture();
        } else if (state_ == State::Idle) {
            onArrival();
        }
    });
    nextTimer_.setSingleShot(true);
    nextTimer_.setTimerType(Qt::PreciseTimer);
    connect(&nextTimer_, &QTimer::timeout, this, &ExchangeCore::startNext);
    port_.setArrivalHandler([this] { onArrival(); });
    lastRequestEnd_ = lineFreeAt_ = Clock::now();
}

ExchangeCore::~ExchangeCore() {
    port_.setArrivalHandler(nullptr);
}

void ExchangeCore::setLine(const serial::PortSettings& settings, frame::Framing framing) {
    settings_ = settings;
    framing_ = framing;
}

void ExchangeCore::setReplyTimeout(milliseconds timeout) {
    replyTimeout_ = std::clamp(timeout, kMinimumCapture, kLongestReplyTimeout);
}

milliseconds ExchangeCore::longestCapture() const {
    return std::max(replyTimeout_, kMinimumCapture) +
           std::chrono::ceil<milliseconds>(serial::CharacterTime(settings_) *
                                               kLongestReplyCharacters +
                                           serial::FrameGap(settings_));
}

bool ExchangeCore::idle() const {
    return state_ == State::Idle && queue_.empty();
}

void ExchangeCore::setPollSource(std::function<std::optional<Request>()> source) {
    pollSource_ = std::move(source);
}

void ExchangeCore::wakePolling() {
    if (state_ == State::Idle && !nextTimer_.isActive()) startNext();
}

quint64 ExchangeCore::submit(const Request& request) {
    // Timed mode repeats one frame: a tick that finds its predecessor still waiting sends the
    // cells as they stand now, once.
    if (request.origin == Origin::Timed) {
        for (auto& [id, queued] : queue_) {
            if (queued.origin != Origin::Timed) continue;
            queued.bytes = request.bytes;
            return id;
        }
    }
    const quint64 id = nextId_++;
    if (state_ == State::Capturing) endCaptureForNextSend();
    if (state_ == State::Idle && queue_.empty() && Clock::now() >= lineFreeAt_) {
        transmit(request, id);
        return lastFinished_ && lastFinished_->id == id && !lastFinished_->sent ? 0 : id;
    }
    queue_.emplace_back(id, request);
    if (state_ == State::Idle && !nextTimer_.isActive()) startNext();
    return id;
}

void ExchangeCore::startNext() {
    while (state_ == State::Idle) {
        if (queue_.empty() && pollSource_) {
            if (std::optional<Request> poll = pollSource_()) queue_.emplace_back(nextId_++, *poll);
        }
        if (queue_.empty()) return;
        // Modbus wants the line silent for a frame gap between a reply and the next request. A
        // gap of a few characters is slept off, finer than a timer can wake.
        const Clock::time_point now = Clock::now();
        if (now < lineFreeAt_) {
            if (lineFreeAt_ - now > kLongestSleptGap) {
                nextTimer_.start(MillisecondsUntil(lineFreeAt_));
                return;
            }
            Pause(lineFreeAt_ - now);
        }
        auto [id, request] = queue_.front();
        queue_.pop_front();
        transmit(request, id);
        if (state_ == State::Idle && request.origin == Origin::Poll) {
            nextTimer_.start(kClosedPortRetry);  // the port is closed: do not poll in a loop
            return;
        }
    }
}

void ExchangeCore::transmit(Request request, quint64 id) {
    // Bytes still pending belong to an earlier exchange, not to this one's reply.
    takeArrivedBytes(lateBytes_, Clock::now());
    emitLateBytes();

    if (!port_.isOpen() && port_.open()) emit portReopened();
    if (!port_.isOpen()) {
        emitNotSent(request, id);
        return;
    }

    state_ = State::Sending;
    replyBytes_ = Arrivals{};
    // The window's buttons and the poller switch RTS off for the frame and wait until its last
    // bit has left before switching it on; timed mode leaves RTS as it is.
    const bool switchRts = request.origin != Origin::Timed;
    if (switchRts) port_.setRts(false);
    for (char byte : request.bytes) port_.write(QByteArray(1, byte));
    port_.flush();
    if (switchRts) {
        const auto wireTime = serial::CharacterTime(settings_) * request.bytes.size();
        port_.drain(std::chrono::ceil<milliseconds>(wireTime) + kDrainMargin);
        port_.setRts(true);
    }
    if (!port_.isOpen()) {  // the device went away under the write
        state_ = State::Idle;
        emitNotSent(request, id);
        return;
    }
    notSentShown_ = false;

    const Clock::time_point now = Clock::now();
    const auto gap = serial::FrameGap(settings_);
    capture_ = Capture{};
    capture_.exchange.id = id;
    capture_.exchange.origin = request.origin;
    capture_.exchange.counter = counter_;
    capture_.exchange.request = request.bytes;
    capture_.requestEnd = lastRequestEnd_ = now;
    // A character whose start bit left the drive just before the timeout is seen one frame gap
    // later; it still opens the reply.
    capture_.firstByteDeadline = now + replyTimeout_ + gap;
    // The window's sends keep the 50 ms capture they have always had; a poll ends with its frame.
    capture_.earliestEnd = request.origin == Origin::Poll ? now : now + kMinimumCapture;
    capture_.latestEnd = now + longestCapture();
    state_ = State::Capturing;
    replyStart_.reset();
    pacedLast_.reset();
    // A capture that lasts its 50 ms anyway takes the reply in one go at its end. A poll ends
    // with its frame: where the same request was answered before, it takes the reply in one go
    // when that many characters have had their wire time, otherwise byte by byte.
    const int expected = request.origin == Origin::Poll ? replyLengths_.value(request.bytes, 0) : 0;
    quiet_ = request.origin != Origin::Poll || expected > 0;
    expectedReply_ = expected;
    quietUntil_ = request.origin == Origin::Poll ? Clock::time_point::max() : capture_.earliestEnd;
    if (quiet_) port_.setQuietArrival(true);
    report(recordFor(capture_.exchange, Direction::Sent));
    // Judged from the event loop, never inside the send, so a finished capture cannot start the
    // next request from within this one. A quiet capture has nothing to judge before its reply
    // begins or its time is up.
    if (state_ == State::Capturing) armCaptureTimer(quiet_ ? capture_.firstByteDeadline : now);
}

void ExchangeCore::onArrival() {
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
                quietUntil_ = now + serial::FrameGap(settings_) +
                              std::chrono::duration_cast<Clock::duration>(
                                  serial::CharacterTime(settings_) * (expectedReply_ - 1));
        }
        if (quiet_ && now < quietUntil_) {
            // A short reply's remaining wire time is slept off, finer than a timer wakes.
            if (quietUntil_ - now > kLongestSleptGap) {
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
    takeArrivedBytes(lateBytes_, now);
    if (lateBytes_.bytes.isEmpty()) return;
    if (frameEnded(lateBytes_, now)) {
        emitLateBytes();
    } else {
        armCaptureTimer(lateBytes_.last + silenceEndingFrame());
    }
}

void ExchangeCore::takeArrivedBytes(Arrivals& into, Clock::time_point now) {
    const QByteArray bytes = port_.readPendingInput();
    if (bytes.isEmpty()) return;
    if (into.bytes.isEmpty()) into.first = now;
    into.bytes += bytes;
    into.last = now;
}

void ExchangeCore::takeReplyBytes(Clock::time_point now) {
    const bool wasEmpty = replyBytes_.bytes.isEmpty();
    const qsizetype had = replyBytes_.bytes.size();
    takeArrivedBytes(replyBytes_, now);
    if (!wasEmpty && replyBytes_.bytes.size() > had) pacedLast_.reset();  // measured from here on
    if (wasEmpty && replyStart_ && !replyBytes_.bytes.isEmpty()) {
        // Taken in one go after a quiet wait: the first byte's time is known. The last one may
        // have come just now, so the silence that ends the frame counts from now; its time as
        // reported is where the line's pace puts it.
        replyBytes_.first = *replyStart_;
        const Clock::time_point paced =
            *replyStart_ + std::chrono::duration_cast<Clock::duration>(
                               serial::CharacterTime(settings_) * (replyBytes_.bytes.size() - 1));
        pacedLast_ = std::min(now, paced);
    }
}

// An RTU frame ends with a frame gap of silence. An ASCII frame ends with its line feed; Modbus
// ASCII lets its characters come up to a second apart, and a PC's scheduler or a USB adapter
// pauses for milliseconds, so silence ends one only after kLongSilence. So does it end a poll's
// answer that has begun and is still short of its length: a request sent into its rest would
// collide with it on the line, and the rest would open the next capture.
std::chrono::microseconds ExchangeCore::silenceEndingFrame(bool answerUnderway) const {
    const std::chrono::microseconds gap = serial::FrameGap(settings_);
    return framing_ == frame::Framing::Ascii || answerUnderway
               ? std::max<std::chrono::microseconds>(gap, kLongSilence)
               : gap;
}

// RTU frames end with a frame gap of silence; ASCII frames end with the line feed after the
// colon, or with silence when the line feed never comes.
bool ExchangeCore::frameEnded(const Arrivals& arrivals, Clock::time_point now,
                              bool answerUnderway) const {
    if (arrivals.bytes.isEmpty()) return false;
    if (framing_ == frame::Framing::Ascii) {
        const auto colon = arrivals.bytes.indexOf(':');
        if (colon >= 0 && arrivals.bytes.indexOf('\n', colon) >= 0) return true;
    }
    return now - arrivals.last >= silenceEndingFrame(answerUnderway);
}

// A poll's reply that so far is the start of its answer: from the polled drive, with the
// request's command, and shorter than the answers to the same request were.
bool ExchangeCore::pollAnswerUnderway() const {
    const QByteArray& bytes = replyBytes_.bytes;
    return capture_.exchange.origin == Origin::Poll && framing_ == frame::Framing::Rtu &&
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
    if (replyBytes_.bytes.isEmpty()) {
        if (now >= capture_.firstByteDeadline) {
            finishCapture();
        } else {
            armCaptureTimer(capture_.firstByteDeadline);
        }
        return;
    }
    // A poll does not wait for the silence after a reply whose length says it is whole: the
    // silence is kept before the next request instead. Nor does a whole frame that does not
    // answer it end a poll before its timeout: that is the rest of an earlier reply or an
    // earlier request's late answer, and the drive answers this request after it.
    const bool poll = capture_.exchange.origin == Origin::Poll;
    const bool answered =
        poll && HoldsWholeReply(capture_.exchange.request, replyBytes_.bytes, framing_);
    const bool underway = pollAnswerUnderway();
    const bool silent = frameEnded(replyBytes_, now, underway);
    const bool waitForAnswer = poll && !answered && now < capture_.firstByteDeadline;
    const bool ended = answered || (silent && !waitForAnswer);
    if ((ended && now >= capture_.earliestEnd) || now >= capture_.latestEnd) {
        finishCapture();
        return;
    }
    const Clock::time_point next = ended    ? capture_.earliestEnd
                                   : silent ? capture_.firstByteDeadline
                                            : replyBytes_.last + silenceEndingFrame(underway);
    armCaptureTimer(std::min(next, capture_.latestEnd));
}

// A send that comes while a capture runs ends it at once when there is nothing more to wait for:
// the reply has ended, or nothing came and the capture has run its course (a timed tick comes
// on the dot of the 50 ms, a hair before the capture's own timer). A reply still arriving is
// never cut: the send then waits for its end.
void ExchangeCore::endCaptureForNextSend() {
    const Clock::time_point now = Clock::now();
    takeReplyBytes(now);
    const bool nothing = replyBytes_.bytes.isEmpty();
    const bool waited =
        now + kTickTolerance >= capture_.requestEnd + std::max(replyTimeout_, kMinimumCapture);
    const bool whole = frameEnded(replyBytes_, now) ||
                       HoldsWholeReply(capture_.exchange.request, replyBytes_.bytes, framing_);
    if ((!nothing && whole) || (nothing && waited)) finishCapture();
}

void ExchangeCore::finishCapture() {
    captureTimer_.stop();
    if (quiet_) {
        quiet_ = false;
        port_.setQuietArrival(false);
    }
    replyStart_.reset();
    const Clock::time_point now = Clock::now();
    Exchange exchange = capture_.exchange;
    exchange.reply = replyBytes_.bytes;
    exchange.judgement = JudgeReply(exchange.request, exchange.reply, framing_);
    if (!replyBytes_.bytes.isEmpty()) {
        const Clock::time_point lastByte =
            pacedLast_ ? std::max(*pacedLast_, replyBytes_.first) : replyBytes_.last;
        exchange.firstByteMs = MillisecondsBetween(capture_.requestEnd, replyBytes_.first);
        exchange.lastByteMs = MillisecondsBetween(capture_.requestEnd, lastByte);
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
    counter_ = NextCounter(counter_);
    if (exchange.origin == Origin::Poll && exchange.judgement.verdict == Verdict::Good)
        replyLengths_.insert(exchange.request, int(exchange.reply.size()));
    if (exchange.judgement.verdict == Verdict::Good) {
        lateRun_ = 0;
        lateRunGapMs_ = 0;
    }
    lastFinished_ = exchange;
    report(recordFor(exchange, Direction::Received));
    emit exchangeFinished(exchange);
    if (state_ == State::Idle && !nextTimer_.isActive()) startNext();
}

void ExchangeCore::emitLateBytes() {
    if (lateBytes_.bytes.isEmpty()) return;
    ExchangeRecord record;
    record.timeMs = QDateTime::currentMSecsSinceEpoch();
    record.counter = lastCounter_;
    record.direction = Direction::LateReceived;
    record.bytes = lateBytes_.bytes;
    record.verdict = Verdict::Late;
    record.firstByteMs = MillisecondsBetween(lastRequestEnd_, lateBytes_.first);
    record.lastByteMs = MillisecondsBetween(lastRequestEnd_, lateBytes_.last);
    record.detail = QStringLiteral(
                        "arrived %1 ms after the request of exchange %2, after its "
                        "capture had ended")
                        .arg(record.firstByteMs)
                        .arg(lastCounter_);
    // Replies that keep coming late call for a longer reply timeout: name the one that would
    // have caught them all.
    if (lastCounter_ != lateCounter_) {
        lateCounter_ = lastCounter_;
        ++lateRun_;
        lateRunGapMs_ = std::max(lateRunGapMs_, record.firstByteMs);
    }
    if (lateRun_ >= kLateRunForSuggestion) {
        suggestedTimeout_ = SuggestedTimeout(lateRunGapMs_);
        record.detail += QStringLiteral(
                             "; %1 late replies in a row: a reply timeout of %2 ms "
                             "would catch them (回应超时)")
                             .arg(lateRun_)
                             .arg(suggestedTimeout_);
    }
    lateBytes_ = Arrivals{};
    if (state_ == State::Idle) captureTimer_.stop();
    report(record);
}

void ExchangeCore::emitNotSent(const Request& request, quint64 id) {
    // A repeating sender (timed mode, the poller) says so once until the port works again.
    const bool repeating = request.origin != Origin::Manual;
    if (!repeating || !notSentShown_) {
        ExchangeRecord record;
        record.exchangeId = id;
        record.timeMs = QDateTime::currentMSecsSinceEpoch();
        record.counter = counter_;
        record.direction = Direction::NotSent;
        record.origin = request.origin;
        record.bytes = request.bytes;
        record.detail = port_.errorText();
        report(record);
    }
    if (repeating) notSentShown_ = true;
    Exchange exchange;
    exchange.id = id;
    exchange.sent = false;
    exchange.origin = request.origin;
    exchange.counter = counter_;
    exchange.request = request.bytes;
    exchange.judgement.verdict = Verdict::NoReply;
    exchange.judgement.detail = QStringLiteral("not sent: the port is not open");
    lastFinished_ = exchange;
    emit exchangeFinished(exchange);
}

// Bytes arrive one by one on a slow line; rather than restart the timer for each, a timer due
// earlier is left to fire and look again.
void ExchangeCore::armCaptureTimer(Clock::time_point at) {
    if (captureTimer_.isActive() && captureDue_ <= at) return;
    captureDue_ = at;
    captureTimer_.start(MillisecondsUntil(at));
}

void ExchangeCore::report(const ExchangeRecord& record) {
    history_.append(record);
    emit recordAdded(record);
}

ExchangeRecord ExchangeCore::recordFor(const Exchange& exchange, Direction direction) const {
    ExchangeRecord record;
    record.exchangeId = exchange.id;
    record.timeMs = QDateTime::currentMSecsSinceEpoch();
    record.counter = exchange.counter;
    record.direction = direction;
    record.origin = exchange.origin;
    if (direction == Direction::Sent) {
        record.bytes = exchange.request;
    } else {
        record.bytes = exchange.reply;
        record.verdict = exchange.judgement.verdict;
        record.detail = exchange.judgement.detail;
        record.firstByteMs = exchange.firstByteMs;
        record.lastByteMs = exchange.lastByteMs;
    }
    return record;
}

std::optional<Exchange> ExchangeCore::waitForExchange(
    const std::function<bool(const Exchange&)>& match, milliseconds bound) {
    std::optional<Exchange> found;
    const QMetaObject::Connection connection =
        connect(this, &ExchangeCore::exchangeFinished, this, [&](const Exchange& exchange) {
            if (!found && match(exchange)) found = exchange;
        });
    // Wakes the loop at the bound should nothing else happen. A timer may fire a little before
    // its moment, so it is set again for what is left: woken early and left unset, the loop
    // would sleep until the next event, which may be a capture's end far away.
    QTimer bell;
    bell.setSingleShot(true);
    bell.setTimerType(Qt::PreciseTimer);
    const Clock::time_point deadline = Clock::now() + bound;
    while (!found && Clock::now() < deadline) {
        bell.start(std::max(1, MillisecondsUntil(deadline)));
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    disconnect(connection);
    return found;
}

std::optional<Exchange> ExchangeCore::waitForExchange(quint64 id, milliseconds bound) {
    if (lastFinished_ && lastFinished_->id == id) return lastFinished_;
    return waitForExchange([id](const Exchange& exchange) { return exchange.id == id; }, bound);
}

}  // namespace exchange
