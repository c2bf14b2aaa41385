#include "jobs/parameter_jobs.h"

#include <QCoreApplication>

#include "drive/drive_requests.h"
#include "drive/reply_decoder.h"

namespace jobs {
namespace {

using exchange::Verdict;

// The output frequency's monitor item.
constexpr int kOutputFrequencyItem = 1;

frame::RequestFields Fields(int address, int command, int length, int function,
                            const QString& data = QString()) {
    frame::RequestFields fields{QString::number(address),
                                QString::number(command),
                                QString::number(length),
                                QString::number(function),
                                {}};
    fields.data[0] = data;
    return fields;
}

JobStep Step(const QByteArray& bytes) {
    JobStep step;
    step.request.bytes = bytes;
    step.request.origin = exchange::Origin::Job;
    return step;
}

// A good reply's parameter value as its two data bytes carry it, high first (one byte when its
// length says so); nothing for any other reply.
std::optional<quint16> ParameterOf(const exchange::Exchange& exchange) {
    if (exchange.judgement.verdict != Verdict::Good) return std::nullopt;
    const std::optional<int> value = drive::ParameterValue(exchange.judgement.body);
    if (!value) return std::nullopt;
    return quint16(*value & 0xFFFF);
}

QString FailureWord(const exchange::Exchange& exchange) {
    // A whole frame too short for the value is no answer either.
    return exchange.judgement.verdict == Verdict::Good
               ? exchange::VerdictFileWord(Verdict::OtherAnswer)
               : exchange::VerdictFileWord(exchange.judgement.verdict);
}

}  // namespace

QByteArray ParameterReadRequest(int address, int number, frame::Framing framing) {
    return frame::ComposeFrame(Fields(address, drive::kReadParameter, 1, number), framing);
}

QByteArray ParameterWriteRequest(int address, int number, quint16 value, frame::Framing framing) {
    return frame::ComposeFrame(
        Fields(address, drive::kWriteParameter, 3, number, QString::number(value)), framing);
}

ParameterRead::ParameterRead(const ParameterJobOptions& options, int first, int last)
    : options_(options), first_(first), last_(std::max(first, last)), next_(first) {
    set_.address = options.address;
}

std::optional<JobStep> ParameterRead::next() {
    if (next_ > last_) return std::nullopt;
    return Step(ParameterReadRequest(options_.address, next_, options_.framing));
}

void ParameterRead::take(const exchange::Exchange& exchange) {
    const std::optional<quint16> value = ParameterOf(exchange);
    if (!value && attempts_ < options_.retries) {
        ++attempts_;
        return;  // the same parameter again
    }
    drive::ParameterEntry& entry = set_.entries[next_];
    entry.value = value;
    if (!value) entry.verdict = FailureWord(exchange);
    attempts_ = 0;
    ++next_;
}

std::optional<JobStep> RunningCheck::next() {
    if (done_) return std::nullopt;
    frame::RequestFields fields =
        Fields(options_.address, drive::kReadMonitor, 1, kOutputFrequencyItem);
    return Step(frame::ComposeFrame(fields, options_.framing));
}

void RunningCheck::take(const exchange::Exchange& exchange) {
    const std::optional<int> value = exchange.judgement.verdict == Verdict::Good
                                         ? drive::MonitorValue(exchange.judgement.body)
                                         : std::nullopt;
    if (!value && attempts_ < options_.retries) {
        ++attempts_;
        return;
    }
    frequency_ = value;
    if (!value) failure_ = exchange.judgement.detail;
    done_ = true;
}

ParameterWrite::ParameterWrite(const ParameterJobOptions& options, std::vector<Item> items,
                               bool stopOnMismatch)
    : options_(options), items_(std::move(items)), stopOnMismatch_(stopOnMismatch) {}

std::optional<JobStep> ParameterWrite::next() {
    if (stopped_ || at_ >= items_.size()) return std::nullopt;
    const Item& item = items_[at_];
    // A write goes out once; only its read-back is tried again.
    return Step(readingBack_ ? ParameterReadRequest(options_.address, item.number, options_.framing)
                             : ParameterWriteRequest(options_.address, item.number, item.value,
                                                     options_.framing));
}

void ParameterWrite::take(const exchange::Exchange& exchange) {
    if (!readingBack_) {
        readingBack_ = true;  // whatever the write's reply, the read-back decides
        return;
    }
    const Item& item = items_[at_];
    const std::optional<quint16> value = ParameterOf(exchange);
    if (!value && attempts_ < options_.retries) {
        ++attempts_;
        return;
    }
    WriteResult result;
    result.number = item.number;
    result.meant = item.value;
    result.readBack = value;
    if (!value) {
        result.outcome = WriteOutcome::NotReadBack;
        result.note = FailureWord(exchange);
    } else if (*value == item.value) {
        result.outcome = WriteOutcome::Written;
    } else {
        result.outcome = WriteOutcome::Mismatch;
    }
    results_.push_back(result);
    if (result.outcome != WriteOutcome::Written && stopOnMismatch_) stopped_ = true;
    readingBack_ = false;
    attempts_ = 0;
    ++at_;
}

void ParameterWrite::stoppedMidStep() {
    if (!readingBack_ || at_ >= items_.size()) return;
    WriteResult result;
    result.number = items_[at_].number;
    result.meant = items_[at_].value;
    result.outcome = WriteOutcome::NotReadBack;
    result.note = QCoreApplication::translate("ParameterJobs", "stopped before its read-back");
    results_.push_back(result);
    readingBack_ = false;
    ++at_;
}

bool ParameterWrite::allWritten() const {
    if (results_.size() != items_.size()) return false;
    for (const WriteResult& result : results_)
        if (result.outcome != WriteOutcome::Written) return false;
    return true;
}

QString WriteResultText(const WriteResult& result) {
    switch (result.outcome) {
        case WriteOutcome::Written:
            return QCoreApplication::translate("ParameterJobs", "written, read back as meant");
        case WriteOutcome::NotReadBack:
            return QCoreApplication::translate("ParameterJobs",
                                               "written, but not read back (%1): whether it "
                                               "arrived is unknown")
                .arg(result.note);
        case WriteOutcome::Mismatch:
            break;
    }
    if (drive::WriteIsAmbiguous(result.meant))
        return QCoreApplication::translate(
                   "ParameterJobs",
                   "read back %1, not %2: the protocol sends %2 as the bytes %3 00, the same as "
                   "%4, so this value cannot be written")
            .arg(*result.readBack)
            .arg(result.meant)
            .arg(result.meant >> 8, 2, 16, QLatin1Char('0'))
            .arg(result.meant >> 8);
    return QCoreApplication::translate("ParameterJobs",
                                       "read back %1, not %2: the drive did not take it (a "
                                       "read-only parameter, or one that changes only while "
                                       "stopped)")
        .arg(*result.readBack)
        .arg(result.meant);
}

}  // namespace jobs
