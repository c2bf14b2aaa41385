#include "exchange/samples.h"

#include <QCoreApplication>
#include <QSaveFile>
#include <algorithm>

#include "drive/readings.h"
#include "exchange/history_file.h"

namespace exchange {

SampleStore::SampleStore(std::size_t capacity) : capacity_(std::max<std::size_t>(capacity, 1)) {}

void SampleStore::append(const Sample& sample) {
    ++appended_;
    if (count_ == capacity_) {
        // Full: the oldest sample goes; a block it empties becomes the next one to fill.
        --count_;
        if (++first_ == kBlockSamples) {
            first_ = 0;
            blocks_.push_back(std::move(blocks_.front()));
            blocks_.pop_front();
        }
    }
    const std::size_t index = first_ + count_;
    if (index / kBlockSamples >= blocks_.size())
        blocks_.push_back(std::make_unique<Sample[]>(kBlockSamples));
    blocks_[index / kBlockSamples][index % kBlockSamples] = sample;
    ++count_;
}

void SampleStore::clear() {
    blocks_.clear();
    first_ = count_ = 0;
    appended_ = 0;
}

bool SaveSamples(const QString& path, const SampleStore& samples, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = WriteFailureReason(path, file.error(), file.errorString());
        return false;
    }
    file.write(SampleCsvHeader().toUtf8());
    for (std::size_t i = 0; i < samples.size(); ++i)
        file.write(SampleCsvRow(samples.at(i)).toUtf8());
    if (!file.commit()) {
        *error = WriteFailureReason(path, file.error(), file.errorString());
        return false;
    }
    return true;
}

std::size_t SampleStore::firstAtOrAfter(qint64 timeMs) const {
    std::size_t low = 0;
    std::size_t high = count_;
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if (at(middle).timeMs < timeMs)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

QString SampleCsvHeader() {
    return QCoreApplication::translate("Samples", "time_ms,address,reading,raw,value,verdict") +
           QStringLiteral("\r\n");
}

QString SampleCsvRow(const Sample& sample) {
    const bool good = sample.good();
    return QStringLiteral("%1,%2,%3,%4,%5,%6\r\n")
        .arg(sample.timeMs)
        .arg(sample.address)
        .arg(drive::ReadingFileName(sample.reading))
        .arg(good ? QString::number(sample.raw) : QString())
        .arg(good ? QString::number(drive::ScaledValue(sample.reading, sample.raw), 'g', 10)
                  : QString())
        .arg(VerdictFileWord(sample.verdict));
}

void Trace::reset(qint64 bucketMs) {
    bucketMs_ = std::max<qint64>(bucketMs, 1);
    lastTime_ = 0;
    lines_.clear();
}

const std::deque<TracePoint>& Trace::points(const Channel& channel) const {
    static const std::deque<TracePoint> none;
    const auto found = lines_.find(channel);
    return found == lines_.end() ? none : found->second.points;
}

void Trace::add(const Sample& sample) {
    lastTime_ = sample.timeMs;
    if (sample.reading >= drive::kReadings) return;
    Line& line = lines_[Channel{sample.address, sample.reading}];
    if (!sample.good()) {
        line.broken = true;
        return;
    }
    const double value = drive::ScaledValue(sample.reading, sample.raw);
    // Columns are aligned to multiples of their width, so they stay valid as the window slides.
    const qint64 bucket = sample.timeMs - ((sample.timeMs % bucketMs_) + bucketMs_) % bucketMs_;
    std::deque<TracePoint>& points = line.points;
    if (!line.broken && !points.empty() && points.back().bucket == bucket) {
        points.back().low = std::min(points.back().low, value);
        points.back().high = std::max(points.back().high, value);
        return;
    }
    points.push_back({bucket, value, value, line.broken});
    line.broken = false;
}

void Trace::dropBefore(qint64 timeMs) {
    for (auto& [channel, line] : lines_)
        while (!line.points.empty() && line.points.front().bucket + bucketMs_ <= timeMs)
            line.points.pop_front();
}

}  // namespace exchange
