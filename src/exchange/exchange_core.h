// The exchange on the line, one at a time: the send (RTS off, one byte per write, drain, RTS
// on), the capture of the reply to the frame's end, the verdict, late bytes, and the counter
// that a request shares with its reply. The window's buttons, timed mode and the trend poller
// all go through it, queued in turn; it reports every frame as a record.
#pragma once

#include <QHash>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <deque>
#include <functional>
#include <optional>

#include "exchange/capture_timing.h"
#include "exchange/exchange_record.h"
#include "exchange/history.h"
#include "exchange/late_replies.h"
#include "exchange/request_queue.h"
#include "frame/frame_composer.h"
#include "serial/port_settings.h"
#include "serial/serial_port.h"

namespace exchange {

// The shortest capture of a reply to the window's sends, and the default reply timeout.
constexpr std::chrono::milliseconds kMinimumCapture{50};
constexpr std::chrono::milliseconds kLongestReplyTimeout{2000};

// The trend poller's and the jobs' captures end with the reply's frame; the window's sends keep
// their 50 ms.
inline bool EndsWithFrame(Origin origin) {
    return origin == Origin::Poll || origin == Origin::Job;
}

class ExchangeCore : public QObject {
    Q_OBJECT
  public:
    explicit ExchangeCore(serial::SerialPort& port, QObject* parent = nullptr);
    ~ExchangeCore() override;

    // The line's settings time the capture; the framing decides how replies end and are judged.
    void setLine(const serial::PortSettings& settings, frame::Framing framing);
    const serial::PortSettings& lineSettings() const { return settings_; }
    frame::Framing framing() const { return framing_; }

    // How long a capture waits for the first byte of a reply, kMinimumCapture up to
    // kLongestReplyTimeout.
    void setReplyTimeout(std::chrono::milliseconds timeout);
    std::chrono::milliseconds replyTimeout() const { return replyTimeout_; }
    // After three late replies in a row, the smallest timeout that would have caught them;
    // 0 while there is nothing to suggest.
    int suggestedTimeout() const { return late_.suggestedTimeout(); }
    // The longest a capture can last at the current settings and timeout, or waiting `wait`
    // for the first byte.
    std::chrono::milliseconds longestCapture() const { return longestCapture(replyTimeout_); }
    std::chrono::milliseconds longestCapture(std::chrono::milliseconds wait) const;

    // Sends at once when the line is free and the request is due, otherwise queues it behind the
    // exchange in flight and those queued before (an urgent one before a timed tick); a
    // timed request replaces a timed one still queued. `done` is called with the exchange that
    // carried the request, also when nothing went out. Returns the exchange's id, or 0 when it
    // was sent at once into a closed port.
    quint64 submit(const Request& request, ExchangeDone done = {});

    // Takes back a request still queued, before it goes out: nothing is sent and its `done` is
    // not called. False when it is on the line already or has finished.
    bool withdraw(quint64 id) { return queue_.remove(id); }

    // Nothing in flight and nothing queued.
    bool idle() const;
    // An exchange is on the line: its request is going out or its reply is being captured.
    bool busy() const { return state_ != State::Idle; }

    // Answers keep arriving sooner than the request's wire time allows: a USB service port, a
    // virtual port pair or a simulator, faster than its baud rate.
    bool lineFasterThanBaud() const { return fastLine_; }
    // Forgets what was learnt of the line: another port or device is behind it now.
    void resetLineKnowledge();

    // While a listener is set the line is another master's: arrivals go to the listener, and
    // every request is refused with `reason` (a "not sent" record), never sent.
    void setListener(std::function<void()> arrival, const QString& reason);
    void clearListener();
    bool listening() const { return bool(listener_); }

    // Every record reported so far (also emitted one by one as recordAdded).
    History& history() { return history_; }
    int counter() const { return counter_; }
    void setCounter(int counter) { counter_ = counter; }

    // Asked for the next request whenever the line is free and nothing is queued; wakePolling()
    // tells the core that the source has one again.
    void setPollSource(std::function<std::optional<Request>()> source);
    void wakePolling();

    // Lets events run until a matching exchange has finished, at most `bound`.
    std::optional<Exchange> waitForExchange(const std::function<bool(const Exchange&)>& match,
                                            std::chrono::milliseconds bound);
    std::optional<Exchange> waitForExchange(quint64 id, std::chrono::milliseconds bound);

  signals:
    void recordAdded(const exchange::ExchangeRecord& record);
    void exchangeFinished(const exchange::Exchange& exchange);
    // A send found the port closed and opened it again.
    void portReopened();
    // The line turned out faster than its baud rate (see lineFasterThanBaud()).
    void lineFasterThanBaudFound();

  private:
    enum class State { Idle, Sending, Capturing };
    void report(const ExchangeRecord& record);
    struct Capture {
        Exchange exchange;
        QByteArray echo;  // the request's own bytes come back during the send
        ExchangeDone done;
        std::chrono::milliseconds wait{};  // for the first byte, from the request's end
        bool answeredEarly = false;        // the answer was in before the request's end
        Clock::time_point firstByteDeadline;
        Clock::time_point earliestEnd;
        Clock::time_point latestEnd;
    };

    void onArrival();
    // The reply's bytes so far; after a quiet wait, with the first byte's time it began at.
    void takeReplyBytes(Clock::time_point now);
    QByteArray continueLateFrame(QByteArray bytes, Clock::time_point now);
    int owedFrameLength(const QByteArray& bytes) const;
    void splitPreviousAnswer();
    bool pollAnswerUnderway() const;
    // False when the request went back to the queue to wait for the line to fall silent.
    bool transmit(QueuedRequest entry);
    void startCapture(QueuedRequest& entry, Clock::time_point requestEnd);
    void evaluateCapture();
    void endCaptureForNextSend();
    void finishCapture();
    void emitLateBytes();
    void startNext();
    void armCaptureTimer(Clock::time_point at);
    void emitNotSent(QueuedRequest& entry, const QString& reason);
    void finished(const Exchange& exchange, const ExchangeDone& done);
    ExchangeRecord recordFor(const Exchange& exchange, Direction direction) const;

    serial::SerialPort& port_;
    History history_;
    serial::PortSettings settings_;
    frame::Framing framing_ = frame::Framing::Ascii;
    std::chrono::milliseconds replyTimeout_ = kMinimumCapture;

    State state_ = State::Idle;
    Capture capture_;
    Arrivals replyBytes_;
    LateReplies late_;
    // The rest of an earlier reply began before this request had left and is still arriving.
    bool lateFrameOpen_ = false;
    // Recent requests whose reply was missing or wrong, oldest first, until a good reply comes:
    // their answers may still turn up at the start of a later reply.
    struct Unanswered {
        QByteArray request;
        int counter = 0;
        Clock::time_point requestEnd;
        Clock::time_point windowClosed;    // its capture ended
        std::chrono::milliseconds wait{};  // how long its capture waited for a first byte
    };
    std::deque<Unanswered> unanswered_;
    // A request whose answer would pass for that of an unanswered one before it waits until
    // that one's answer can no longer come; the moment, or none.
    std::optional<Clock::time_point> heldUntil(const QByteArray& request) const;
    // Classifies bytes that were in when the request had left: its echo, an earlier reply, or on
    // a port faster than its baud rate this request's own answer.
    void takeBytesOfTheSend(const QByteArray& request, Clock::time_point now);
    std::optional<Clock::time_point> lastRequestEnd_;  // none before the first request went out
    Clock::time_point lastArrival_;                    // the last byte read while no capture ran
    int earlyAnswers_ = 0;  // answers in a row that came before their request's end
    bool fastLine_ = false;
    Clock::time_point lineFreeAt_;
    std::optional<Clock::time_point> busyLineSince_;  // a request waits for the line's silence

    RequestQueue queue_;
    std::function<std::optional<Request>()> pollSource_;
    quint64 nextId_ = 1;
    std::optional<Exchange> lastFinished_;
    int counter_ = 0;
    int lastCounter_ = 0;
    std::function<void()> listener_;
    QString listeningReason_;
    bool notSentShown_ = false;  // a repeating sender has been told once that the port is closed

    QTimer captureTimer_;  // the capture's deadlines and the end of late frames
    Clock::time_point captureDue_;
    bool quiet_ = false;  // the port is quiet during this capture, until quietUntil_
    Clock::time_point quietUntil_;
    int expectedReply_ = 0;
    QHash<QByteArray, int> replyLengths_;          // a poll's good reply length, by request
    std::optional<Clock::time_point> replyStart_;  // its first byte's arrival, while quiet
    std::optional<Clock::time_point> pacedLast_;   // its last byte's, as the line's pace puts it
    QTimer nextTimer_;  // the silence before the next queued or polled request
};

}  // namespace exchange
