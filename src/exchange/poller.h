// The trend poller: asks the drive for the chosen readings in turn, as fast as the line allows,
// through the same one-exchange-at-a-time path as the buttons, and keeps each judged sample.
#pragma once

#include <QObject>
#include <array>
#include <deque>
#include <vector>

#include "exchange/exchange_core.h"
#include "exchange/samples.h"

namespace exchange {

class Poller : public QObject {
    Q_OBJECT
  public:
    explicit Poller(ExchangeCore& core, QObject* parent = nullptr);
    ~Poller() override;

    // Polls these readings (drive::ReadingAt indices) of the drive at `address`, round robin.
    void start(const std::vector<int>& readings, int address);
    void stop();
    bool running() const { return running_; }
    // The drive polled. Another one starts the samples afresh, so that no curve joins two
    // drives; the answer of a poll still on the line to the drive before is no sample.
    int address() const { return address_; }
    void setAddress(int address);
    const std::vector<int>& readings() const { return readings_; }

    const SampleStore& samples() const { return samples_; }
    SampleStore& samples() { return samples_; }

    // Good samples a second of one reading over the last few seconds.
    double rate(int reading) const;
    // Samples of one reading with this verdict since polling started.
    int count(int reading, Verdict verdict) const;
    // Polls of one reading that found the port closed and did not go out.
    int notSentCount(int reading) const { return notSent_[std::size_t(reading)]; }
    // The last poll found the port closed.
    bool portClosed() const { return portClosed_; }
    // Exchanges a second the line allows: the request's and the reply's wire time, the drive's
    // turnaround as measured, and the frame gap before the next request; 0 until measured. Over
    // a network, the delays as measured from the request's hand-over and the frame gap.
    double lineLimit() const;

  signals:
    void sampleAdded(const exchange::Sample& sample);
    // A poll of this reading found the port closed; it is no sample.
    void notSent(int reading);
    void runningChanged(bool running);
    void addressChanged(int address);

  private:
    std::optional<Request> nextRequest();
    void resetCounts();
    void onExchange(const Exchange& exchange);

    ExchangeCore& core_;
    std::vector<int> readings_;
    int address_ = 1;
    std::size_t next_ = 0;
    bool running_ = false;
    int pending_ = -1;                  // the reading of the poll on the line
    int pendingAddress_ = -1;           // and the drive it asks
    std::vector<QByteArray> requests_;  // by turn
    frame::Framing requestFraming_ = frame::Framing::Rtu;
    SampleStore samples_;
    std::array<std::deque<qint64>, 9> recent_;  // sample times of the last few seconds
    std::array<std::array<int, kVerdictCount>, 9> counts_{};
    std::array<int, 9> notSent_{};
    bool portClosed_ = false;
    double turnaroundMs_ = -1;   // smoothed, from the first reply byte's delay
    double replySpreadMs_ = -1;  // smoothed, from the first to the last reply byte
    int replyLength_ = 0;
};

}  // namespace exchange
