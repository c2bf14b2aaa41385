// Writing the reference's values to the drives that differ: one drive after the other, each
// first seen stopped, each write read back, as the single drive's restore does.
#include <QLabel>

#include "window/drives/drive_comparison_window.h"

void DriveComparisonWindow::writeDifferences() {
    if (rows_.empty() || !reference_) return refuse(tr("Compare the drives first"));
    jobContext_ = context_();
    if (!jobContext_.refusal.isEmpty()) return refuse(jobContext_.refusal);
    toWrite_.clear();
    writeResults_.clear();
    writeNotes_.clear();
    int count = 0;
    QStringList ambiguous;
    for (std::size_t d = 0; d < drives_.size(); ++d) {
        std::vector<jobs::ParameterWrite::Item> items;
        for (const drive::ComparedRow& row : rows_) {
            if (row.states[d] != drive::Comparison::Different || !row.reference) continue;
            // A multiple of 256 would arrive as another value: it is left out.
            if (drive::WriteIsAmbiguous(*row.reference)) {
                ambiguous << QStringLiteral("P%1 = %2").arg(row.number).arg(*row.reference);
                continue;
            }
            items.push_back({row.number, *row.reference});
        }
        count += int(items.size());
        if (!items.empty()) toWrite_.emplace_back(drives_[d], std::move(items));
    }
    ambiguous.removeDuplicates();
    if (toWrite_.empty()) return refuse(tr("Nothing differs: nothing to write"));
    QString question = tr("Write %1 parameter(s) to %2 drive(s), each read back? A drive that "
                          "runs is left alone.")
                           .arg(count)
                           .arg(toWrite_.size());
    if (!ambiguous.isEmpty())
        question += QLatin1Char('\n') +
                    tr("Left out: the protocol sends a multiple of 256 as the bytes of its high "
                       "byte alone, so %1 would arrive as another value.")
                        .arg(ambiguous.join(QStringLiteral(", ")));
    if (!confirm_(question)) {
        toWrite_.clear();
        return;
    }
    nextDriveToWrite();
}

void DriveComparisonWindow::nextDriveToWrite() {
    if (toWrite_.empty()) {
        compareSets();
        showTable();
        status->setText(writeNotes_.join(QStringLiteral("; ")));
        return;
    }
    jobs::ParameterJobOptions options;
    options.framing = jobContext_.framing;
    options.address = toWrite_.front().first;
    check_ = std::make_unique<jobs::RunningCheck>(options);
    if (!start(check_.get(), Running::Check)) toWrite_.clear();
}

// Only a drive seen stopped is written to; the output frequency does not tell a stop from a
// run at 0 Hz, so a drive sent 启动 after its last 停止 is left alone as well.
void DriveComparisonWindow::afterCheck() {
    const int address = toWrite_.front().first;
    const std::optional<int> frequency = check_->outputFrequency();
    QString skipped;
    if (!frequency)
        skipped =
            tr("drive %1: nothing written, no answer to the output-frequency reading").arg(address);
    else if (*frequency != 0)
        skipped = tr("drive %1: nothing written, it runs (%2 Hz)")
                      .arg(address)
                      .arg(*frequency / 100.0, 0, 'f', 2);
    else if (jobContext_.startedSinceStop && jobContext_.startedSinceStop(address))
        skipped =
            tr("drive %1: nothing written, 启动 was sent to it after its last 停止").arg(address);
    if (!skipped.isEmpty()) {
        writeNotes_ << skipped;
        toWrite_.erase(toWrite_.begin());
        return nextDriveToWrite();
    }
    jobs::ParameterJobOptions options;
    options.framing = jobContext_.framing;
    options.address = address;
    write_ = std::make_unique<jobs::ParameterWrite>(options, toWrite_.front().second, false);
    if (!start(write_.get(), Running::Write)) toWrite_.clear();
}

// The read-back values go into the drive's column, so the table shows what the drive now holds.
void DriveComparisonWindow::afterWrite() {
    if (toWrite_.empty() || !write_) return;
    const int address = toWrite_.front().first;
    const std::vector<jobs::WriteResult>& results = write_->results();
    writeResults_[address] = results;
    const auto at = std::find(drives_.begin(), drives_.end(), address);
    int good = 0;
    for (const jobs::WriteResult& result : results) {
        good += result.outcome == jobs::WriteOutcome::Written;
        if (at != drives_.end() && result.readBack)
            sets_[std::size_t(at - drives_.begin())].entries[result.number] = {result.readBack, {}};
    }
    writeNotes_ << tr("drive %1: %2 of %3 written and read back as meant")
                       .arg(address)
                       .arg(good)
                       .arg(toWrite_.front().second.size());
    toWrite_.erase(toWrite_.begin());
}
