// Reads the parameters of several drives on one line, one drive after the other: the backup of
// every drive the finder found or the command line names. A drive that does not answer its
// first parameter is not asked the rest; that alone would hold the line for half a minute.
#pragma once

#include <memory>
#include <vector>

#include "jobs/parameter_jobs.h"

namespace jobs {

// Each drive's file in a backup folder: drive-001.csv ... drive-247.csv.
QString DriveFileName(int address);

class SeveralDrivesRead : public Job {
  public:
    struct DriveResult {
        int address = 0;
        bool answered = false;  // false: silent at its first parameter, the rest not asked
        drive::ParameterSet set;
    };

    // `baudIndex` and `formatIndex` go with every step (-1: the line as it is); the options'
    // framing must be the format's.
    SeveralDrivesRead(const ParameterJobOptions& options, std::vector<int> addresses, int first,
                      int last, int baudIndex = -1, int formatIndex = -1);
    ~SeveralDrivesRead() override;

    std::optional<JobStep> next() override;
    void take(const exchange::Exchange& exchange) override;
    int stepsDone() const override;
    int stepsExpected() const override;
    // The drives read whole so far, in order; a stopped job leaves out the one it was reading.
    const std::vector<DriveResult>& results() const { return results_; }

  private:
    void finishDrive(bool answered);

    ParameterJobOptions options_;
    std::vector<int> addresses_;
    int first_;
    int last_;
    int baudIndex_;
    int formatIndex_;
    std::size_t current_ = 0;
    std::unique_ptr<ParameterRead> read_;
    std::vector<DriveResult> results_;
};

}  // namespace jobs
