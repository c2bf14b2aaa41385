#include "jobs/several_drives_read.h"

#include "exchange/reply_judge.h"

namespace jobs {

QString DriveFileName(int address) {
    return QStringLiteral("drive-%1.csv").arg(address, 3, 10, QLatin1Char('0'));
}

SeveralDrivesRead::SeveralDrivesRead(const ParameterJobOptions& options, std::vector<int> addresses,
                                     int first, int last, int baudIndex, int formatIndex)
    : options_(options),
      addresses_(std::move(addresses)),
      first_(first),
      last_(std::max(first, last)),
      baudIndex_(baudIndex),
      formatIndex_(formatIndex) {}

SeveralDrivesRead::~SeveralDrivesRead() = default;

std::optional<JobStep> SeveralDrivesRead::next() {
    while (current_ < addresses_.size()) {
        if (!read_) {
            ParameterJobOptions one = options_;
            one.address = addresses_[current_];
            read_ = std::make_unique<ParameterRead>(one, first_, last_);
        }
        if (std::optional<JobStep> step = read_->next()) {
            step->baudIndex = baudIndex_;
            step->formatIndex = formatIndex_;
            return step;
        }
        finishDrive(true);
    }
    return std::nullopt;
}

void SeveralDrivesRead::take(const exchange::Exchange& exchange) {
    if (!read_) return;
    read_->take(exchange);
    // Silent at the first parameter, retries included: no drive at that address.
    if (read_->stepsDone() == 1) {
        const drive::ParameterEntry& entry = read_->set().entries.at(first_);
        if (!entry.value && entry.verdict == exchange::VerdictFileWord(exchange::Verdict::NoReply))
            finishDrive(false);
    }
}

void SeveralDrivesRead::finishDrive(bool answered) {
    DriveResult result;
    result.address = addresses_[current_];
    result.answered = answered;
    result.set = read_->set();
    results_.push_back(std::move(result));
    read_.reset();
    ++current_;
}

int SeveralDrivesRead::stepsDone() const {
    const int each = last_ - first_ + 1;
    return int(results_.size()) * each + (read_ ? read_->stepsDone() : 0);
}

int SeveralDrivesRead::stepsExpected() const {
    return int(addresses_.size()) * (last_ - first_ + 1);
}

}  // namespace jobs
