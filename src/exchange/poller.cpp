#include "exchange/poller.h"

#include <QDateTime>
#include <utility>

#include "drive/drive_requests.h"
#include "drive/readings.h"
#include "drive/reply_decoder.h"
#include "frame/frame_composer.h"

namespace exchange {
namespace {

// The achieved rate counts the samples of this window.
constexpr qint64 kRateWindowMs = 5000;

}  // namespace

Poller::Poller(ExchangeCore& core, QObject* parent) : QObject(parent), core_(core) {
    connect(&core_, &ExchangeCore::exchangeFinished, this, &Poller::onExchange);
}

Poller::~Poller() {
    if (running_) core_.setPollSource(nullptr);
}

void Poller::start(const std::vector<int>& readings, int address) {
    readings_ = readings;
    address_ = address;
    requests_.clear();
    next_ = 0;
    pending_ = -1;
    resetCounts();
    running_ = !readings_.empty();
    if (!running_) return;
    core_.setPollSource([this] { return nextRequest(); });
    core_.wakePolling();
    emit runningChanged(true);
}

void Poller::resetCounts() {
    for (auto& times : recent_) times.clear();
    for (auto& counts : counts_) counts.fill(0);
    notSent_.fill(0);
    portClosed_ = false;
    turnaroundMs_ = -1;
    replySpreadMs_ = -1;
}

void Poller::setAddress(int address) {
    if (address == address_) return;
    address_ = address;
    requests_.clear();
    samples_.clear();
    resetCounts();
    emit addressChanged(address);
}

void Poller::stop() {
    if (!running_) return;
    running_ = false;
    core_.setPollSource(nullptr);
    emit runningChanged(false);
}

std::optional<Request> Poller::nextRequest() {
    if (!running_ || readings_.empty()) return std::nullopt;
    const std::size_t turn = next_ % readings_.size();
    const int reading = readings_[turn];
    ++next_;
    pending_ = reading;
    pendingAddress_ = address_;
    // Composed once per reading and framing, not for every poll.
    if (requests_.size() != readings_.size() || requestFraming_ != core_.framing()) {
        requestFraming_ = core_.framing();
        requests_.clear();
        for (int r : readings_) {
            frame::RequestFields fields;
            fields.address = QString::number(address_);
            fields.command = QString::number(drive::kReadMonitor);
            fields.length = QStringLiteral("1");
            fields.function = QString::number(drive::ReadingAt(r).item);
            requests_.push_back(frame::ComposeFrame(fields, requestFraming_));
        }
    }
    return Request{requests_[turn], Origin::Poll};
}

void Poller::onExchange(const Exchange& exchange) {
    if (exchange.origin != Origin::Poll || pending_ < 0) return;
    if (!exchange.sent) {
        const int reading = std::exchange(pending_, -1);
        ++notSent_[std::size_t(reading)];
        portClosed_ = true;
        emit notSent(reading);
        return;
    }
    portClosed_ = false;
    Sample sample;
    sample.timeMs = QDateTime::currentMSecsSinceEpoch();
    sample.reading = quint8(pending_);
    sample.address = quint8(pendingAddress_);
    sample.verdict = exchange.judgement.verdict;
    pending_ = -1;
    if (pendingAddress_ != address_) return;  // the drive polled before
    if (sample.good()) {
        const std::optional<int> raw = sample.reading == drive::kFaultCodeReadingIndex
                                           ? drive::FaultCode(exchange.judgement.body)
                                           : drive::MonitorValue(exchange.judgement.body);
        if (raw) {
            sample.raw = qint16(*raw);
        } else {
            sample.verdict = Verdict::OtherAnswer;  // whole, but too short for the value
        }
    }
    if (sample.good()) {
        std::deque<qint64>& times = recent_[sample.reading];
        times.push_back(sample.timeMs);
        while (times.front() < sample.timeMs - kRateWindowMs) times.pop_front();
        if (exchange.firstByteDelay.count() >= 0) {
            const double delayMs = exchange.firstByteDelay.count() / 1000.0;
            turnaroundMs_ = turnaroundMs_ < 0 ? delayMs : 0.9 * turnaroundMs_ + 0.1 * delayMs;
            const double spreadMs =
                std::max<double>(0, (exchange.lastByteDelay - exchange.firstByteDelay).count()) /
                1000.0;
            replySpreadMs_ = replySpreadMs_ < 0 ? spreadMs : 0.9 * replySpreadMs_ + 0.1 * spreadMs;
            replyLength_ = int(exchange.reply.size());
        }
    }
    ++counts_[sample.reading][std::size_t(sample.verdict)];
    samples_.append(sample);
    emit sampleAdded(sample);
}

double Poller::rate(int reading) const {
    const std::deque<qint64>& times = recent_[std::size_t(reading)];
    if (portClosed_ || times.size() < 2) return 0;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (now - times.back() > kRateWindowMs) return 0;
    return 1000.0 * double(times.size() - 1) /
           double(std::max<qint64>(times.back() - times.front(), 1));
}

int Poller::count(int reading, Verdict verdict) const {
    return counts_[std::size_t(reading)][std::size_t(verdict)];
}

double Poller::lineLimit() const {
    if (turnaroundMs_ < 0 || readings_.empty()) return 0;
    const serial::PortSettings& line = core_.lineSettings();
    const double characterMs = serial::CharacterTime(line).count() / 1000.0;
    const double gapMs = serial::FrameGap(line).count() / 1000.0;
    const int requestLength = core_.framing() == frame::Framing::Rtu ? 6 : 13;
    // The first byte's delay runs from the request's end to the first reply character's end.
    double exchangeMs = requestLength * characterMs + turnaroundMs_ +
                        std::max(replyLength_ - 1, 0) * characterMs + gapMs;
    // Over a network the request has left once the gateway has it: the delay holds its wire
    // time there, and the reply comes in the gateway's bursts, as far apart as measured.
    if (line.linkSilence.count() > 0) exchangeMs = turnaroundMs_ + replySpreadMs_ + gapMs;
    return 1000.0 / exchangeMs;
}

}  // namespace exchange
