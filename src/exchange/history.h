// Every exchange record since the program started, in a bounded ring: the oldest records drop
// out first once it is full, and the ring counts them.
#pragma once

#include <QObject>
#include <vector>

#include "exchange/exchange_record.h"

namespace exchange {

constexpr std::size_t kDefaultHistoryCapacity = 100000;

class History : public QObject {
    Q_OBJECT
  public:
    explicit History(std::size_t capacity = kDefaultHistoryCapacity, QObject* parent = nullptr);

    // Keeps a record. A reply's verdict is also given to the request it answers, so that the
    // request's row shows how its exchange went.
    void append(const ExchangeRecord& record);

    std::size_t size() const { return count_; }
    std::size_t capacity() const { return capacity_; }
    // Row 0 is the oldest record kept.
    const ExchangeRecord& at(std::size_t row) const;
    // Records appended since start, and how many of them have dropped out.
    quint64 appendedCount() const { return appended_; }
    quint64 droppedCount() const { return appended_ - count_; }

  signals:
    // One record more; listeners that show the ring gather these and catch up in batches.
    void grown();

  private:
    std::vector<ExchangeRecord> ring_;  // grows to capacity_, then wraps
    std::size_t capacity_;
    std::size_t first_ = 0;  // slot of row 0
    std::size_t count_ = 0;
    quint64 appended_ = 0;
};

}  // namespace exchange
