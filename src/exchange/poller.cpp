#include "exchange/poller.h"

#include <QDateTime>
#include <algorithm>
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

void Poller::start(const std::vector<int>& readings, int address,
                   const std::vector<Channel>& others) {
    readings_ = readings;
    others_ = others;
    address_ = address;
    pending_.reset();
    resetFigures();
    buildCycle();
    running_ = !cycle_.empty();
    if (!running_) return;
    core_.setPollSource([this] { return nextRequest(); });
    core_.wakePolling();
    emit runningChanged(true);
}

// The main drive's readings first, then the other drives', each drive's together; a channel
// named twice is polled once.
void Poller::buildCycle() {
    cycle_.clear();
    const auto add = [this](const Channel& channel) {
        if (std::find(cycle_.begin(), cycle_.end(), channel) == cycle_.end())
            cycle_.push_back(channel);
    };
    for (int reading : readings_) add(Channel{address_, reading});
    std::vector<int> drives;
    for (const Channel& channel : others_)
        if (std::find(drives.begin(), drives.end(), channel.address) == drives.end())
            drives.push_back(channel.address);
    for (int drive : drives)
        for (const Channel& channel : others_)
            if (channel.address == drive) add(channel);
    next_ = 0;
    askedThisCycle_.clear();
}

void Poller::resetFigures() {
    figures_.clear();
    timing_.clear();
    silent_.clear();
    portClosed_ = false;
}

void Poller::setAddress(int address) {
    if (address == address_) return;
    const int before = std::exchange(address_, address);
    buildCycle();
    if (others_.empty()) {
        samples_.clear();
        resetFigures();
    } else {
        // The other drives' samples stay; only the drive left behind is forgotten.
        const bool stillPolled = std::any_of(cycle_.begin(), cycle_.end(),
                                             [before](auto& c) { return c.address == before; });
        if (!stillPolled) {
            for (auto it = figures_.begin(); it != figures_.end();)
                it = it->first.address == before ? figures_.erase(it) : std::next(it);
            timing_.erase(before);
            silent_.erase(before);
        }
    }
    emit addressChanged(address);
}

void Poller::stop() {
    if (!running_) return;
    running_ = false;
    core_.setPollSource(nullptr);
    emit runningChanged(false);
}

std::optional<Request> Poller::nextRequest() {
    if (!running_ || cycle_.empty()) return std::nullopt;
    // Composed once per channel and framing, not for every poll.
    if (requestFraming_ != core_.framing()) {
        requestFraming_ = core_.framing();
        requests_.clear();
    }
    for (std::size_t tries = 0; tries < cycle_.size(); ++tries) {
        const std::size_t turn = next_++ % cycle_.size();
        if (turn == 0) askedThisCycle_.clear();
        const Channel channel = cycle_[turn];
        const bool firstOfDrive = askedThisCycle_.insert(channel.address).second;
        if (silent(channel.address) && !firstOfDrive) continue;
        QByteArray& request = requests_[channel];
        if (request.isEmpty()) {
            frame::RequestFields fields;
            fields.address = QString::number(channel.address);
            fields.command = QString::number(drive::kReadMonitor);
            fields.length = QStringLiteral("1");
            fields.function = QString::number(drive::ReadingAt(channel.reading).item);
            request = frame::ComposeFrame(fields, requestFraming_);
        }
        pending_ = channel;
        return Request{request, Origin::Poll};
    }
    return std::nullopt;
}

void Poller::onExchange(const Exchange& exchange) {
    if (exchange.origin != Origin::Poll || !pending_) return;
    const Channel channel = *std::exchange(pending_, std::nullopt);
    if (!exchange.sent) {
        ++figures_[channel].notSent;
        if (!std::exchange(portClosed_, true)) emit portClosedChanged(true);
        if (channel.address == address_) emit notSent(channel.reading);
        return;
    }
    if (std::exchange(portClosed_, false)) emit portClosedChanged(false);
    // The drive polled before the address changed.
    if (std::find(cycle_.begin(), cycle_.end(), channel) == cycle_.end()) return;
    Sample sample;
    sample.timeMs = QDateTime::currentMSecsSinceEpoch();
    sample.reading = quint8(channel.reading);
    sample.address = quint8(channel.address);
    sample.verdict = exchange.judgement.verdict;
    const bool fellSilent =
        sample.verdict == Verdict::NoReply && silent_.insert(channel.address).second;
    if (sample.verdict != Verdict::NoReply) silent_.erase(channel.address);
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
    Figures& figures = figures_[channel];
    if (sample.good()) {
        figures.recent.push_back(sample.timeMs);
        while (figures.recent.front() < sample.timeMs - kRateWindowMs) figures.recent.pop_front();
        noteTiming(channel.address, exchange);
    }
    ++figures.counts[std::size_t(sample.verdict)];
    samples_.append(sample);
    emit sampleAdded(sample);
    emit polled(channel.address, sample.good());
    // The drive's other readings are not asked while it is silent: their last values must not
    // stand as current, so each gets an unanswered sample now (not counted as a poll), which
    // greys its box and breaks its line.
    if (fellSilent)
        for (const Channel& other : cycle_) {
            if (other.address != channel.address || other == channel) continue;
            Sample silence = sample;
            silence.reading = quint8(other.reading);
            samples_.append(silence);
            emit sampleAdded(silence);
        }
}

void Poller::noteTiming(int address, const Exchange& exchange) {
    if (exchange.firstByteDelay.count() < 0) return;
    DriveTiming& timing = timing_[address];
    const double delayMs = exchange.firstByteDelay.count() / 1000.0;
    timing.turnaroundMs =
        timing.turnaroundMs < 0 ? delayMs : 0.9 * timing.turnaroundMs + 0.1 * delayMs;
    const double spreadMs =
        std::max<double>(0, (exchange.lastByteDelay - exchange.firstByteDelay).count()) / 1000.0;
    timing.replySpreadMs =
        timing.replySpreadMs < 0 ? spreadMs : 0.9 * timing.replySpreadMs + 0.1 * spreadMs;
    timing.replyLength = int(exchange.reply.size());
}

double Poller::rate(const Channel& channel) const {
    const auto found = figures_.find(channel);
    if (portClosed_ || found == figures_.end() || found->second.recent.size() < 2) return 0;
    const std::deque<qint64>& times = found->second.recent;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (now - times.back() > kRateWindowMs) return 0;
    return 1000.0 * double(times.size() - 1) /
           double(std::max<qint64>(times.back() - times.front(), 1));
}

int Poller::count(const Channel& channel, Verdict verdict) const {
    const auto found = figures_.find(channel);
    return found == figures_.end() ? 0 : found->second.counts[std::size_t(verdict)];
}

int Poller::notSentCount(const Channel& channel) const {
    const auto found = figures_.find(channel);
    return found == figures_.end() ? 0 : found->second.notSent;
}

double Poller::lineLimit() const {
    if (cycle_.empty()) return 0;
    const serial::PortSettings& line = core_.lineSettings();
    const double characterMs = serial::CharacterTime(line).count() / 1000.0;
    const double gapMs = serial::FrameGap(line).count() / 1000.0;
    const int requestLength = core_.framing() == frame::Framing::Rtu ? 6 : 13;
    const bool network = line.linkSilence.count() > 0;
    double cycleMs = 0;
    int answering = 0;
    std::set<int> silentCounted;
    for (const Channel& channel : cycle_) {
        if (silent(channel.address)) {
            // Asked once a cycle; the request's wire time and a whole reply timeout.
            if (silentCounted.insert(channel.address).second)
                cycleMs += (network ? 0 : requestLength * characterMs) +
                           double(core_.replyTimeout().count()) + gapMs;
            continue;
        }
        const auto found = timing_.find(channel.address);
        if (found == timing_.end() || found->second.turnaroundMs < 0) return 0;
        const DriveTiming& timing = found->second;
        // The first byte's delay runs from the request's end to the first reply character's end.
        // Over a network the request has left once the gateway has it: the delay holds its wire
        // time there, and the reply comes in the gateway's bursts, as far apart as measured.
        cycleMs += network ? timing.turnaroundMs + timing.replySpreadMs + gapMs
                           : requestLength * characterMs + timing.turnaroundMs +
                                 std::max(timing.replyLength - 1, 0) * characterMs + gapMs;
        ++answering;
    }
    if (answering == 0 || cycleMs <= 0) return 0;
    return 1000.0 * answering / cycleMs;
}

}  // namespace exchange
