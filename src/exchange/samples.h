// The trend poller's samples: a bounded store in time order, and the decimated picture of a time
// window that the chart draws from (the minimum and maximum of each pixel column).
#pragma once

#include <QString>
#include <QtGlobal>
#include <deque>
#include <map>
#include <memory>
#include <vector>

#include "exchange/reply_judge.h"

namespace exchange {

struct Sample {
    qint64 timeMs = 0;  // wall clock, milliseconds since the epoch
    qint16 raw = 0;
    quint8 reading = 0;  // drive::ReadingAt index
    quint8 address = 0;  // the drive asked
    Verdict verdict = Verdict::NoReply;
    bool good() const { return verdict == Verdict::Good; }
};

// One reading of one drive: what the trend polls and draws as one line.
struct Channel {
    int address = 1;
    int reading = 0;  // drive::ReadingAt index
    bool operator==(const Channel& other) const {
        return address == other.address && reading == other.reading;
    }
    bool operator<(const Channel& other) const {
        return address != other.address ? address < other.address : reading < other.reading;
    }
};

// An hour of every reading polled at the line's limit at 38400 baud (about 200 samples a second)
// fits with room to spare: 16 MiB.
constexpr std::size_t kSampleCapacity = std::size_t(1) << 20;

class SampleStore {
  public:
    explicit SampleStore(std::size_t capacity = kSampleCapacity);
    void append(const Sample& sample);
    void clear();
    std::size_t size() const { return count_; }
    // Samples appended since start (or the last clear), dropped ones included.
    quint64 appendedCount() const { return appended_; }
    // Row 0 is the oldest sample kept.
    const Sample& at(std::size_t row) const {
        const std::size_t index = first_ + row;
        return blocks_[index / kBlockSamples][index % kBlockSamples];
    }
    // The first row at or after `timeMs` (size() when none).
    std::size_t firstAtOrAfter(qint64 timeMs) const;
    // Memory the samples take: whole blocks, as many as they fill.
    std::size_t bytesHeld() const { return blocks_.size() * kBlockSamples * sizeof(Sample); }

  private:
    // Blocks of 1 MiB: memory grows with the samples one block at a time, never by copying
    // the whole store into one twice its size, and a full store reuses its oldest block.
    static constexpr std::size_t kBlockSamples = 65536;
    std::deque<std::unique_ptr<Sample[]>> blocks_;
    std::size_t capacity_;
    std::size_t first_ = 0;  // the oldest sample's place in the first block
    std::size_t count_ = 0;
    quint64 appended_ = 0;
};

// Writes the samples through a QSaveFile: all or nothing; false with the reason.
bool SaveSamples(const QString& path, const SampleStore& samples, QString* error);

// CSV of samples: time in ms, the drive's address, reading, raw value, scaled value, verdict.
QString SampleCsvHeader();
QString SampleCsvRow(const Sample& sample);

// One reading's line over a time window, cut into columns `bucketMs` wide. Each point holds the
// minimum and maximum of the good samples in its column; a bad sample breaks the line, so the
// next point starts a new piece (and may share its column with the point before).
struct TracePoint {
    qint64 bucket = 0;  // the column's start time
    double low = 0;
    double high = 0;
    bool startsPiece = true;
};

class Trace {
  public:
    // Forgets everything and starts over with columns of this width.
    void reset(qint64 bucketMs);
    qint64 bucketMs() const { return bucketMs_; }
    // Samples must come in time order.
    void add(const Sample& sample);
    // Drops the columns that end before `timeMs`.
    void dropBefore(qint64 timeMs);
    const std::deque<TracePoint>& points(const Channel& channel) const;
    qint64 lastTime() const { return lastTime_; }

  private:
    struct Line {
        std::deque<TracePoint> points;
        bool broken = true;
    };
    qint64 bucketMs_ = 1;
    qint64 lastTime_ = 0;
    std::map<Channel, Line> lines_;
};

}  // namespace exchange
