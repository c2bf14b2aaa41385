#include "exchange/exchange_core.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <algorithm>

#include "exchange/exchange_text.h"
#include "exchange/pause.h"
#include "exchange/request_identity.h"

namespace exchange {
namespace {

using std::chrono::milliseconds;

// How long the transmitter may take beyond the frame's own wire time before RTS is switched on
// regardless: a drain that does not end must not hang the window.
constexpr milliseconds kDrainMargin{20};
// A capture never outlasts the wire time of a grid's worth of reply after the timeout.
constexpr int kLongestReplyCharacters = 64;
// A poller that finds the port closed tries again after this long.
constexpr milliseconds kClosedPortRetry{1000};
// The longest wait that is slept rather than waited for in the event loop: a frame gap before a
// request (3.5 ms at 38400 baud).
constexpr milliseconds kLongestSleptGap{4};
// The longest a request waits for a line that keeps receiving to fall silent.
constexpr milliseconds kLongestWaitForSilence{250};
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
    lastArrival_ = lineFreeAt_ = Clock::now();
}

ExchangeCore::~ExchangeCore() {
    port_.setArrivalHandler(nullptr);
}

void ExchangeCore::setListener(std::function<void()> arrival, const QString& reason) {
    listener_ = std::move(arrival);
    listeningReason_ = reason;
    notSentShown_ = false;
}

void ExchangeCore::clearListener() {
    listener_ = nullptr;
    late_.bytes() = Arrivals{};  // what the bus carried is no reply of this program's
    lastArrival_ = lineFreeAt_ = Clock::now();
}

void ExchangeCore::setLine(const serial::PortSettings& settings, frame::Framing framing) {
    // An answer sent at other settings reaches this one garbled, never as a twin's answer.
    const bool changed = settings.baudRate != settings_.baudRate ||
                         settings.parity != settings_.parity ||
                         settings.dataBits != settings_.dataBits ||
                         settings.stopBits != settings_.stopBits || framing != framing_;
    if (changed) unanswered_.clear();
    settings_ = settings;
    settings_.linkSilence = port_.burstSilence();
    framing_ = framing;
}

void ExchangeCore::resetLineKnowledge() {
    fastLine_ = false;
    earlyAnswers_ = 0;
    replyLengths_.clear();
}

void ExchangeCore::setReplyTimeout(milliseconds timeout) {
    replyTimeout_ = std::clamp(timeout, kMinimumCapture, kLongestReplyTimeout);
}

milliseconds ExchangeCore::longestCapture(milliseconds wait) const {
    return std::max(wait, kMinimumCapture) +
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

quint64 ExchangeCore::submit(const Request& request, ExchangeDone done) {
    if (request.origin == Origin::Timed) {
        if (const quint64 id = queue_.replaceTimed(request.bytes)) return id;
    }
    const quint64 id = nextId_++;
    if (state_ == State::Capturing) endCaptureForNextSend();
    const Clock::time_point now = Clock::now();
    const Clock::time_point held = heldUntil(request.bytes).value_or(now);
    if (state_ == State::Idle && queue_.empty() && now >= lineFreeAt_ && now >= request.notBefore &&
        now >= held) {
        transmit({id, request, std::move(done)});
        return lastFinished_ && lastFinished_->id == id && !lastFinished_->sent ? 0 : id;
    }
    queue_.add({id, request, std::move(done)});
    if (state_ == State::Idle) {
        // The new request may be due sooner than the one the timer waits for.
        nextTimer_.stop();
        startNext();
    }
    return id;
}

void ExchangeCore::startNext() {
    while (state_ == State::Idle) {
        if (queue_.empty() && pollSource_) {
            if (std::optional<Request> poll = pollSource_()) queue_.add({nextId_++, *poll, {}});
        }
        if (queue_.empty()) return;
        // Modbus wants the line silent for a frame gap between a reply and the next request, and
        // a press waits out its pause. A wait of a few characters is slept off, finer than a
        // timer can wake.
        const Clock::time_point now = Clock::now();
        const Request& front = queue_.front().request;
        const Clock::time_point due =
            std::max({lineFreeAt_, front.notBefore, heldUntil(front.bytes).value_or(lineFreeAt_)});
        if (now < due) {
            if (due - now > kLongestSleptGap) {
                nextTimer_.start(MillisecondsUntil(due));
                return;
            }
            Pause(due - now);
        }
        QueuedRequest entry = queue_.takeFront();
        const Origin origin = entry.request.origin;
        if (!transmit(std::move(entry))) return;  // the line is not silent yet
        if (state_ == State::Idle && origin == Origin::Poll) {
            nextTimer_.start(kClosedPortRetry);  // the port is closed: do not poll in a loop
            return;
        }
    }
}

bool ExchangeCore::transmit(QueuedRequest entry) {
    // Listening, the line is another master's: a second master would collide with it.
    if (listener_) {
        emitNotSent(entry, listeningReason_);
        return true;
    }
    // Bytes still pending belong to an earlier exchange, not to this one's reply. A request sent
    // into a reply still arriving would collide with it on the line: it waits for the frame gap
    // after the last byte, though not for ever on a line that never falls silent.
    const Clock::time_point now = Clock::now();
    const QByteArray pending = port_.readPendingInput();
    if (!pending.isEmpty()) lastArrival_ = now;
    late_.bytes().add(pending, now);
    if (!late_.isEmpty() && port_.isOpen() &&
        !FrameEnded(late_.bytes(), now, settings_, framing_)) {
        if (!busyLineSince_) busyLineSince_ = now;
        if (now - *busyLineSince_ < kLongestWaitForSilence) {
            lineFreeAt_ = std::max(lineFreeAt_, late_.bytes().last + serial::FrameGap(settings_));
            queue_.putBack(std::move(entry));
            armCaptureTimer(late_.bytes().last + SilenceEndingFrame(settings_, framing_));
            nextTimer_.start(std::max(1, MillisecondsUntil(lineFreeAt_)));
            return false;
        }
    }
    busyLineSince_.reset();

    if (!port_.isOpen() && port_.open()) emit portReopened();
    if (!port_.isOpen()) {
        emitNotSent(entry, port_.errorText());
        return true;
    }

    state_ = State::Sending;
    replyBytes_ = Arrivals{};
    // The window's buttons and the poller switch RTS off for the frame and on again once its
    // last bit has left; timed mode leaves RTS as it is. Every request waits for its frame to
    // leave, so that its reply window and delays count from the same moment in every mode.
    const QByteArray& bytes = entry.request.bytes;
    const bool switchRts = entry.request.origin != Origin::Timed;
    if (switchRts) port_.setRts(false);
    for (char byte : bytes) port_.write(QByteArray(1, byte));
    const Clock::time_point left = port_.drain(
        std::chrono::ceil<milliseconds>(WireTime(settings_, bytes.size())) + kDrainMargin);
    if (switchRts) port_.setRts(true);
    if (!port_.isOpen()) {  // the device went away under the write
        state_ = State::Idle;
        emitNotSent(entry, port_.errorText());
        return true;
    }
    notSentShown_ = false;
    startCapture(entry, left);
    return true;
}

void ExchangeCore::emitNotSent(QueuedRequest& entry, const QString& reason) {
    emitLateBytes();  // what was pending before the send, with no capture to end it
    const Request& request = entry.request;
    // A repeating sender (timed mode, the poller) says so once until the port works again.
    const bool repeating = request.origin != Origin::Manual;
    if (!repeating || !notSentShown_) {
        ExchangeRecord record;
        record.exchangeId = entry.id;
        record.timeMs = QDateTime::currentMSecsSinceEpoch();
        record.counter = counter_;
        record.direction = Direction::NotSent;
        record.origin = request.origin;
        record.bytes = request.bytes;
        record.detail = reason;
        report(record);
    }
    if (repeating) notSentShown_ = true;
    Exchange exchange;
    exchange.id = entry.id;
    exchange.sent = false;
    exchange.origin = request.origin;
    exchange.counter = counter_;
    exchange.request = request.bytes;
    exchange.judgement.verdict = Verdict::NoReply;
    exchange.judgement.detail =
        listener_ ? QCoreApplication::translate("ExchangeCore", "not sent: %1").arg(reason)
                  : QCoreApplication::translate("ExchangeCore", "not sent: the port is not open");
    finished(exchange, entry.done);
}

void ExchangeCore::finished(const Exchange& exchange, const ExchangeDone& done) {
    lastFinished_ = exchange;
    emit exchangeFinished(exchange);
    if (done) done(exchange);
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
    QEventLoop loop;
    const QMetaObject::Connection connection =
        connect(this, &ExchangeCore::exchangeFinished, this, [&](const Exchange& exchange) {
            if (found || !match(exchange)) return;
            found = exchange;
            loop.quit();
        });
    // Ends the loop at the bound. A timer may fire a little before its moment, so it is set
    // again for what is left rather than taken as the bound.
    QTimer bell;
    bell.setSingleShot(true);
    bell.setTimerType(Qt::PreciseTimer);
    const Clock::time_point deadline = Clock::now() + bound;
    connect(&bell, &QTimer::timeout, &loop, [&] {
        if (Clock::now() >= deadline)
            loop.quit();
        else
            bell.start(std::max(1, MillisecondsUntil(deadline)));
    });
    if (Clock::now() < deadline) {
        bell.start(std::max(1, MillisecondsUntil(deadline)));
        loop.exec();
    }
    disconnect(connection);
    return found;
}

std::optional<Exchange> ExchangeCore::waitForExchange(quint64 id, milliseconds bound) {
    if (lastFinished_ && lastFinished_->id == id) return lastFinished_;
    return waitForExchange([id](const Exchange& exchange) { return exchange.id == id; }, bound);
}

}  // namespace exchange
