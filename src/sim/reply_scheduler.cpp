#include "sim/reply_scheduler.h"

#include <algorithm>

#include "sim/line_pump.h"

namespace sim {

ReplyScheduler::ReplyScheduler(Handler handler, std::function<void(const QByteArray&)> deliver,
                               QObject* parent)
    : QObject(parent), handler_(std::move(handler)), deliver_(std::move(deliver)) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &ReplyScheduler::deliverDue);
    flushTimer_.setSingleShot(true);
    flushTimer_.setInterval(kSilenceMs);
    connect(&flushTimer_, &QTimer::timeout, this,
            [this] { answer(parser_.flush(), Clock::now()); });
}

void ReplyScheduler::hear(const QByteArray& bytes, Clock::time_point end) {
    if (bytes.isEmpty()) return;
    if (echo_) {
        // Each character comes back as it is heard; replies wait behind the echo.
        for (qsizetype i = 0; i < bytes.size(); ++i)
            schedule(end - characterTime_ * (bytes.size() - 1 - i), bytes.mid(i, 1));
        outboundEnd_ = std::max(outboundEnd_, end);
    }
    answer(parser_.feed(bytes), end);
    if (parser_.pending()) flushTimer_.start();
}

void ReplyScheduler::clear() {
    outgoing_.clear();
    timer_.stop();
}

void ReplyScheduler::schedule(Clock::time_point due, QByteArray bytes) {
    // After every piece already due no later, so the bytes of one answer keep their order.
    const auto at =
        std::upper_bound(outgoing_.begin(), outgoing_.end(), due,
                         [](Clock::time_point t, const Outgoing& o) { return t < o.due; });
    outgoing_.insert(at, Outgoing{due, std::move(bytes)});
    arm();
}

void ReplyScheduler::answer(const std::vector<Request>& requests, Clock::time_point heardEnd) {
    for (const Request& request : requests) {
        Clock::time_point start = std::max(heardEnd, outboundEnd_) + turnaround_;
        for (Piece& piece : handler_(request)) {
            start += std::chrono::milliseconds(piece.delayMs);
            if (characterTime_.count() == 0) {
                schedule(start, std::move(piece.bytes));
                continue;
            }
            for (qsizetype i = 0; i < piece.bytes.size(); ++i)
                schedule(start + characterTime_ * (i + 1), piece.bytes.mid(i, 1));
            start += characterTime_ * piece.bytes.size();
        }
        outboundEnd_ = std::max(outboundEnd_, start);
    }
}

void ReplyScheduler::deliverDue() {
    const Clock::time_point now = Clock::now();
    QByteArray due;
    while (!outgoing_.empty() && outgoing_.front().due <= now) {
        due += outgoing_.front().bytes;
        outgoing_.pop_front();
    }
    if (!due.isEmpty()) deliver_(due);
    arm();
}

void ReplyScheduler::arm() {
    if (outgoing_.empty()) return;
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(outgoing_.front().due - Clock::now());
    timer_.start(int(std::max<std::chrono::milliseconds::rep>(0, left.count())));
}

}  // namespace sim
