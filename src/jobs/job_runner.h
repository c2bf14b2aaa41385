// Jobs that walk many requests (the drive finder, the parameter jobs): one runner feeds their
// requests to the exchange core one at a time, never past it to the port, and reports progress,
// pauses while the port is gone, and ends on a stop within the exchange on the line.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>
#include <optional>

#include "exchange/exchange_core.h"

namespace jobs {

// One request of a job and the line setting it goes out at (button indices; -1 leaves the line
// as it is).
struct JobStep {
    exchange::Request request;
    int baudIndex = -1;
    int formatIndex = -1;
};

class Job {
  public:
    virtual ~Job();
    // The next request, or nothing when the job is done.
    virtual std::optional<JobStep> next() = 0;
    // The exchange that carried the step last given (sent: a closed port pauses the runner).
    virtual void take(const exchange::Exchange& exchange) = 0;
    virtual int stepsDone() const = 0;
    // What the job expects to need in all, for the progress bar; it may change as it learns.
    virtual int stepsExpected() const = 0;
    // The job was stopped before the step last given was answered, or before the next step
    // that belongs with it (a write's read-back) went out: it says so in its results.
    virtual void stoppedMidStep() {}
};

// Puts the line at a job's setting, and back at the user's when the job ends.
class LineSwitch {
  public:
    virtual ~LineSwitch();
    // False when the port did not open at that setting; errorText() says why.
    virtual bool apply(int baudIndex, int formatIndex) = 0;
    virtual void restore() = 0;
    virtual QString errorText() const = 0;
};

// The program's own port: a setting is the baud-rate and data-format buttons' settings text.
class PortLineSwitch : public LineSwitch {
  public:
    PortLineSwitch(serial::SerialPort& port, exchange::ExchangeCore& core,
                   std::function<void()> restore);
    bool apply(int baudIndex, int formatIndex) override;
    void restore() override;
    QString errorText() const override;

  private:
    serial::SerialPort& port_;
    exchange::ExchangeCore& core_;
    std::function<void()> restore_;
};

class JobRunner : public QObject {
    Q_OBJECT
  public:
    // `line` may be null for jobs that stay at the user's setting.
    explicit JobRunner(exchange::ExchangeCore& core, LineSwitch* line = nullptr,
                       QObject* parent = nullptr);
    ~JobRunner() override;

    // Runs `job` (kept by the caller until finished); false while another job runs.
    bool start(Job* job);
    // Ends the job once the exchange on the line has finished (a request still queued is taken
    // back), and puts the line back.
    void stop();
    // Ends the job at once without waiting for the exchange on the line, and puts the line
    // back; for an owner about to go. Its late answer reaches no job.
    void abandon();
    bool running() const { return job_ != nullptr; }
    bool paused() const { return paused_; }

    int stepsDone() const;
    int stepsExpected() const;
    // From the pace so far; nothing before the first step has finished.
    std::optional<std::chrono::milliseconds> timeLeft() const;
    std::chrono::milliseconds elapsed() const;

  signals:
    void progress(int done, int expected);
    // The port failed; the step is tried again every second until it goes out or the job stops.
    void pausedChanged(bool paused, const QString& reason);
    void finished(bool stopped);

  private:
    void step();
    void onExchange(const exchange::Exchange& exchange);
    void pause(const QString& reason);
    void finish(bool stopped);

    exchange::ExchangeCore& core_;
    LineSwitch* line_;
    Job* job_ = nullptr;
    std::optional<JobStep> pending_;  // taken from the job, not yet answered
    quint64 pendingId_ = 0;           // its exchange in the core
    quint64 generation_ = 0;  // of the job running: a late answer of an earlier one is dropped
    bool inFlight_ = false;
    bool stopAsked_ = false;
    bool paused_ = false;
    bool lineSwitched_ = false;
    int baudIndex_ = -1;
    int formatIndex_ = -1;
    QElapsedTimer clock_;
    qint64 stepsTimeMs_ = 0;  // time spent on finished steps, pauses left out
    qint64 stepStartMs_ = 0;
    QTimer retry_;
};

}  // namespace jobs
