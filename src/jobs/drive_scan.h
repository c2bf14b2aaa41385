// Finding a drive that does not answer: probes with a harmless read (the fault code) over line
// settings and addresses, in an order that finds the usual cases first, and says for each
// setting what came back and why that setting is silent.
#pragma once

#include <QString>
#include <chrono>
#include <set>
#include <vector>

#include "exchange/exchange_record.h"
#include "jobs/job_runner.h"

namespace jobs {

struct ScanOptions {
    std::vector<int> bauds{0, 1, 2, 3};          // baud-rate button indices
    std::vector<int> formats{0, 1, 2, 3, 4, 5};  // data-format button indices
    int firstAddress = 1;
    int lastAddress = 247;
    int preferredAddress = 1;  // the inverter address box: probed early at every setting
    int currentBaud = 1;       // the user's setting, tried first
    int currentFormat = 0;
    std::chrono::milliseconds budget{30};  // the longest turnaround a drive is given
    bool findAll = false;
};

// The budget a probe may be given: a drive that needs longer needs the window's reply timeout.
constexpr std::chrono::milliseconds kShortestBudget{5};
constexpr std::chrono::milliseconds kLongestBudget{2000};

// What a probe saw, the least telling first.
enum class ProbeOutcome {
    Silent,        // nothing at all
    Garbled,       // bytes that make no frame of this framing, or fail their check
    Echo,          // exactly the request: the line echoes it
    OtherAnswer,   // a frame from the address asked that is not the drive's answer
    OtherAddress,  // a drive's good answer from another address
    Found,         // the drive's good answer
};

// In plain words, with the likely cause and what to try.
QString OutcomeText(ProbeOutcome outcome);

struct ScanRow {
    int address = 0;  // the address asked, or the one that answered for OtherAddress
    int baudIndex = 0;
    int formatIndex = 0;
    ProbeOutcome outcome = ProbeOutcome::Silent;
    exchange::Verdict verdict = exchange::Verdict::NoReply;
    int firstByteMs = -1;
    int probes = 1;  // summary rows: the probes at this setting that saw this
    QString seen;    // the reply's bytes, or the verdict's detail
};

// "17 19200 RTU 8,E,1 12 ms": how --scan prints a drive found.
QString FoundLine(const ScanRow& row);

// The rows as a CSV file: a byte order mark, a header in the user's language, one row each.
QByteArray ScanCsv(const std::vector<ScanRow>& rows);

class DriveScan : public Job {
  public:
    explicit DriveScan(const ScanOptions& options);

    std::optional<JobStep> next() override;
    void take(const exchange::Exchange& exchange) override;
    int stepsDone() const override { return done_; }
    int stepsExpected() const override;

    // The drives found, in the order found.
    const std::vector<ScanRow>& drives() const { return drives_; }
    // The drives found, then a row per setting and outcome seen there, in setting order.
    std::vector<ScanRow> rows() const;
    // The most telling outcome seen at a setting so far.
    ProbeOutcome settingOutcome(int baudIndex, int formatIndex) const;
    // The setting of the probe last given.
    int currentBaud() const { return settings_.empty() ? -1 : settings_[lastSetting_].baud; }
    int currentFormat() const { return settings_.empty() ? -1 : settings_[lastSetting_].format; }

  private:
    struct Setting {
        int baud = 0;
        int format = 0;
        std::set<int> probed;
        std::vector<ScanRow> summary;  // one row per outcome seen, but drives
        ProbeOutcome strongest = ProbeOutcome::Silent;
    };
    enum class Phase { FirstAddresses, LivelySettings, OtherSettings, Done };

    std::optional<JobStep> probe(std::size_t setting, int address);

    ScanOptions options_;
    std::vector<Setting> settings_;
    std::vector<bool> lively_;  // by setting: walked before the silent ones
    std::vector<int> firstAddresses_;
    Phase phase_ = Phase::FirstAddresses;
    std::size_t settingAt_ = 0;
    int addressAt_ = 0;
    std::vector<int> followUps_;  // addresses that answered for another, asked next
    int lastAddress_ = 0;
    std::size_t lastSetting_ = 0;
    int done_ = 0;
    std::vector<ScanRow> drives_;
    bool stopped_ = false;  // a drive was found and one was enough
};

}  // namespace jobs
