// Shared pieces of the benchmark program: clocks, CPU time, statistics, the summary rows and the
// simulated drive as a child process.
#pragma once

#include <sys/types.h>
#include <QString>
#include <QStringList>
#include <chrono>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d);
double MsBetween(Clock::time_point from, Clock::time_point to);

// CPU time (user + system) of all threads of this process, and of waited-for children.
double ProcessCpuSeconds();
double ChildrenCpuSeconds();

// Nearest-rank percentile (p in 0..100) of the samples; 0 for none.
double Percentile(std::vector<double> samples, double p);
double Median(const std::vector<double>& samples);
double Mean(const std::vector<double>& samples);
double Max(const std::vector<double>& samples);
double Min(const std::vector<double>& samples);

// "--key value" options after the subcommand.
class Args {
  public:
    Args(int argc, char** argv, int first);
    int integer(const char* key, int fallback) const;
    double number(const char* key, double fallback) const;
    QString text(const char* key, const QString& fallback) const;
    bool flag(const char* key) const;

  private:
    QStringList words_;
};

// One line of the summary table: the figure across runs (median, then min–max), checked against
// the target. run.sh collects these lines into the table it prints at the end.
struct Row {
    QString metric;
    QString target;
    QString unit;
    std::vector<double> perRun;
    int decimals = 1;
    // Whether the median across runs meets the target; an empty target is informative only.
    bool meets = true;
};
void PrintRow(const Row& row);
// A row whose figure is a count over all runs (lost bytes, missing lines).
void PrintCountRow(const QString& metric, const QString& target, long long count, bool meets);

// Paths of the built program and simulated drive, next to this program's own build directory.
QString BuildPath(const QString& relative);

// The simulated drive in a process of its own, so its CPU time stays out of this process.
class SimChild {
  public:
    ~SimChild();
    // Starts the drive on a fresh pseudo-terminal and reads the device path it prints; `options`
    // go to the drive (--turnaround 30, --inject oversize).
    bool start(const QString& program, QString* error, const QStringList& options = {});
    void stop();
    QString devicePath() const { return path_; }
    pid_t pid() const { return pid_; }

  private:
    pid_t pid_ = -1;
    QString path_;
};

// Resident memory of a process in KiB (VmRSS), or -1.
long ResidentKiB(pid_t pid);
// User and system CPU seconds of another process so far, from /proc/PID/stat; -1 when gone.
double CpuSecondsOfProcess(qint64 pid);

}  // namespace bench
