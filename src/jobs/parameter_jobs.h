// The parameter jobs: read a range of the drive's parameters, check whether the drive runs, and
// write a set back with a read-back of each parameter written. Each feeds the exchange core one
// request at a time through the job runner; a bad or missing reply is retried and never given a
// value.
#pragma once

#include <optional>
#include <vector>

#include "drive/parameter_set.h"
#include "frame/frame_composer.h"
#include "jobs/job_runner.h"

namespace jobs {

struct ParameterJobOptions {
    int address = 1;
    frame::Framing framing = frame::Framing::Rtu;
    int retries = 2;  // further tries after a bad or missing reply
};

// The drive's request for parameter `number` (address, 01, 01, number) and for a write of
// `value` (address, 02, 03, number, value), as the quick commands compose them.
QByteArray ParameterReadRequest(int address, int number, frame::Framing framing);
QByteArray ParameterWriteRequest(int address, int number, quint16 value, frame::Framing framing);

class ParameterRead : public Job {
  public:
    ParameterRead(const ParameterJobOptions& options, int first, int last);
    std::optional<JobStep> next() override;
    void take(const exchange::Exchange& exchange) override;
    int stepsDone() const override { return next_ - first_; }
    int stepsExpected() const override { return last_ - first_ + 1; }
    // What has been read so far: a cancelled read keeps it.
    const drive::ParameterSet& set() const { return set_; }

  private:
    ParameterJobOptions options_;
    int first_;
    int last_;
    int next_;
    int attempts_ = 0;
    drive::ParameterSet set_;
};

// One reading of the output frequency: a drive that runs is not written to unasked.
class RunningCheck : public Job {
  public:
    explicit RunningCheck(const ParameterJobOptions& options) : options_(options) {}
    std::optional<JobStep> next() override;
    void take(const exchange::Exchange& exchange) override;
    int stepsDone() const override { return done_ ? 1 : 0; }
    int stepsExpected() const override { return 1; }
    // Hundredths of a hertz; nothing when the drive did not answer.
    std::optional<int> outputFrequency() const { return frequency_; }
    QString failure() const { return failure_; }

  private:
    ParameterJobOptions options_;
    int attempts_ = 0;
    bool done_ = false;
    std::optional<int> frequency_;
    QString failure_;
};

enum class WriteOutcome {
    Written,      // the read-back shows the value meant
    Mismatch,     // the read-back shows another value
    NotReadBack,  // no good read-back: whether it arrived is unknown
};

struct WriteResult {
    int number = 0;
    quint16 meant = 0;
    std::optional<quint16> readBack;
    WriteOutcome outcome = WriteOutcome::NotReadBack;
    QString note;  // the verdict of a failed read-back, or why the value could not arrive
};

class ParameterWrite : public Job {
  public:
    struct Item {
        int number;
        quint16 value;
    };
    // Writes `items` in their order, each followed by its read-back; with `stopOnMismatch` the
    // job ends after the first parameter that did not read back as meant.
    ParameterWrite(const ParameterJobOptions& options, std::vector<Item> items,
                   bool stopOnMismatch);
    std::optional<JobStep> next() override;
    void take(const exchange::Exchange& exchange) override;
    int stepsDone() const override { return int(results_.size()); }
    int stepsExpected() const override { return int(items_.size()); }
    const std::vector<WriteResult>& results() const { return results_; }
    // A write that went out and was not read back yet is reported as such.
    void stoppedMidStep() override;
    // Every item written and read back as meant.
    bool allWritten() const;

  private:
    ParameterJobOptions options_;
    std::vector<Item> items_;
    bool stopOnMismatch_;
    std::size_t at_ = 0;
    bool readingBack_ = false;
    int attempts_ = 0;
    bool stopped_ = false;
    std::vector<WriteResult> results_;
};

// What a write's result says in the user's language ("written", "read back 2: ...").
QString WriteResultText(const WriteResult& result);

}  // namespace jobs
