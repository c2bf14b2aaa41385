// What the bus carried per slave address: requests, replies, what went wrong, how fast the
// master asks and how fast the slave answers.
#pragma once

#include <deque>
#include <map>

#include "listen/bus_pairing.h"

namespace listen {

struct AddressStatistics {
    int requests = 0;
    int replies = 0;
    int unanswered = 0;
    int checkErrors = 0;
    int exceptions = 0;
    qint64 firstRequestUs = 0;  // of the first request's first byte; set once requests > 0
    qint64 lastRequestUs = 0;
    qint64 fastestUs = -1;
    qint64 slowestUs = -1;
    std::deque<qint64> recentUs;  // the last response times, for the median

    // Requests a second between the first and the last one heard; 0 before the second.
    double requestsPerSecond() const;
    // The median of the last kRecentResponses response times; -1 before any.
    qint64 medianUs() const;
};

constexpr std::size_t kRecentResponses = 1000;

class BusStatistics {
  public:
    void add(const HeardFrame& frame);
    void clear() { *this = BusStatistics(); }
    const std::map<int, AddressStatistics>& perAddress() const { return perAddress_; }
    int noise() const { return noise_; }

  private:
    std::map<int, AddressStatistics> perAddress_;
    int noise_ = 0;
};

}  // namespace listen
