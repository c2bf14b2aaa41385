// The trend poller: asks one or several drives for the chosen readings in turn, as fast as the line
// allows, through the same one-exchange-at-a-time path as the buttons, and keeps each judged
// sample.
#pragma once

#include <QObject>
#include <array>
#include <deque>
#include <map>
#include <set>
#include <vector>

#include "exchange/exchange_core.h"
#include "exchange/samples.h"

namespace exchange {

class Poller : public QObject {
    Q_OBJECT
  public:
    explicit Poller(ExchangeCore& core, QObject* parent = nullptr);
    ~Poller() override;

    // Polls these readings (drive::ReadingAt indices) of the drive at `address`, and the other
    // drives' channels, round robin: each drive's readings in turn, one drive after the other.
    void start(const std::vector<int>& readings, int address,
               const std::vector<Channel>& others = {});
    void stop();
    bool running() const { return running_; }
    // The drive the main window's inverter address names; `readings()` follow it. Another one
    // starts its samples afresh, so that no curve joins two drives; the answer of a poll still
    // on the line to the drive before is no sample.
    int address() const { return address_; }
    void setAddress(int address);
    const std::vector<int>& readings() const { return readings_; }
    const std::vector<Channel>& otherChannels() const { return others_; }
    // Every channel of one poll cycle, in order.
    const std::vector<Channel>& cycle() const { return cycle_; }

    const SampleStore& samples() const { return samples_; }
    SampleStore& samples() { return samples_; }

    // Good samples a second of one channel over the last few seconds.
    double rate(const Channel& channel) const;
    double rate(int reading) const { return rate(Channel{address_, reading}); }
    // Samples of one channel with this verdict since polling started.
    int count(const Channel& channel, Verdict verdict) const;
    int count(int reading, Verdict verdict) const {
        return count(Channel{address_, reading}, verdict);
    }
    // Polls of one channel that found the port closed and did not go out.
    int notSentCount(const Channel& channel) const;
    int notSentCount(int reading) const { return notSentCount(Channel{address_, reading}); }
    // The last poll found the port closed.
    bool portClosed() const { return portClosed_; }
    // The drive's last poll went unanswered: until it answers again it is asked once a cycle,
    // so that it holds the others up by one reply timeout, not one for each of its readings.
    bool silent(int address) const { return silent_.count(address) > 0; }
    // Good samples a second the answering channels could reach: each exchange's wire time, its
    // drive's turnaround as measured and the frame gap before the next request, plus a reply
    // timeout for each silent drive; 0 until every drive has answered once. Over a network, the
    // delays as measured from the request's hand-over and the frame gap.
    double lineLimit() const;

  signals:
    void sampleAdded(const exchange::Sample& sample);
    // A poll of this reading found the port closed; it is no sample.
    void notSent(int reading);
    // One poll of a drive was judged, good or not (the samples a silent drive's other readings
    // get are no polls).
    void polled(int address, bool good);
    // The polls began finding the port closed, or found it open again.
    void portClosedChanged(bool closed);
    void runningChanged(bool running);
    void addressChanged(int address);

  private:
    struct Figures {
        std::deque<qint64> recent;  // good sample times of the last few seconds
        std::array<int, kVerdictCount> counts{};
        int notSent = 0;
    };
    struct DriveTiming {
        double turnaroundMs = -1;   // smoothed, from the first reply byte's delay
        double replySpreadMs = -1;  // smoothed, from the first to the last reply byte
        int replyLength = 0;
    };

    std::optional<Request> nextRequest();
    void buildCycle();
    void resetFigures();
    void onExchange(const Exchange& exchange);
    void noteTiming(int address, const Exchange& exchange);

    ExchangeCore& core_;
    std::vector<int> readings_;
    std::vector<Channel> others_;
    std::vector<Channel> cycle_;
    int address_ = 1;
    std::size_t next_ = 0;
    bool running_ = false;
    std::optional<Channel> pending_;  // the poll on the line
    std::map<Channel, QByteArray> requests_;
    frame::Framing requestFraming_ = frame::Framing::Rtu;
    SampleStore samples_;
    std::map<Channel, Figures> figures_;
    std::map<int, DriveTiming> timing_;
    std::set<int> silent_;
    std::set<int> askedThisCycle_;
    bool portClosed_ = false;
};

}  // namespace exchange
