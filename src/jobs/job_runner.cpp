#include "jobs/job_runner.h"

#include <QPointer>

#include "serial/port_settings.h"

namespace jobs {
namespace {

// A job that finds the port gone tries again after this long, as the window's port does.
constexpr int kRetryMs = 1000;
// How often a job that must switch the line looks whether the exchanges before it have ended.
constexpr int kIdleCheckMs = 10;

}  // namespace

Job::~Job() = default;
LineSwitch::~LineSwitch() = default;

PortLineSwitch::PortLineSwitch(serial::SerialPort& port, exchange::ExchangeCore& core,
                               std::function<void()> restore)
    : port_(port), core_(core), restore_(std::move(restore)) {}

bool PortLineSwitch::apply(int baudIndex, int formatIndex) {
    const QString text = serial::SettingsText(baudIndex, formatIndex);
    port_.close();
    port_.setSettings(text);
    const bool opened = port_.open();
    core_.setLine(serial::ParseSettings(text).value_or(serial::PortSettings{}),
                  serial::IsAsciiFormat(formatIndex) ? frame::Framing::Ascii : frame::Framing::Rtu);
    return opened;
}

void PortLineSwitch::restore() {
    if (restore_) restore_();
}

QString PortLineSwitch::errorText() const {
    return port_.errorText();
}

JobRunner::JobRunner(exchange::ExchangeCore& core, LineSwitch* line, QObject* parent)
    : QObject(parent), core_(core), line_(line) {
    retry_.setSingleShot(true);
    retry_.setInterval(kRetryMs);
    connect(&retry_, &QTimer::timeout, this, &JobRunner::step);
}

// The owner ends a job still running with abandon() while the line it restores to is there.
JobRunner::~JobRunner() = default;

bool JobRunner::start(Job* job) {
    if (job_ || !job) return false;
    job_ = job;
    ++generation_;
    pending_.reset();
    inFlight_ = stopAsked_ = paused_ = lineSwitched_ = false;
    baudIndex_ = formatIndex_ = -1;
    stepsTimeMs_ = 0;
    clock_.start();
    emit progress(0, job_->stepsExpected());
    // From the event loop: the caller may still be setting up around the start.
    QTimer::singleShot(0, this, &JobRunner::step);
    return true;
}

void JobRunner::stop() {
    if (!job_) return;
    stopAsked_ = true;
    if (inFlight_ && core_.withdraw(pendingId_)) inFlight_ = false;  // it never went out
    if (!inFlight_) finish(true);
}

void JobRunner::abandon() {
    if (!job_) return;
    stopAsked_ = true;
    inFlight_ = false;
    finish(true);
}

int JobRunner::stepsDone() const {
    return job_ ? job_->stepsDone() : 0;
}

int JobRunner::stepsExpected() const {
    return job_ ? job_->stepsExpected() : 0;
}

std::optional<std::chrono::milliseconds> JobRunner::timeLeft() const {
    const int done = stepsDone();
    if (!job_ || done == 0) return std::nullopt;
    const qint64 left = std::max(0, stepsExpected() - done);
    return std::chrono::milliseconds(stepsTimeMs_ * left / done);
}

std::chrono::milliseconds JobRunner::elapsed() const {
    return std::chrono::milliseconds(clock_.isValid() ? clock_.elapsed() : 0);
}

void JobRunner::step() {
    if (!job_ || inFlight_) return;
    if (stopAsked_) {
        finish(true);
        return;
    }
    if (!pending_) pending_ = job_->next();
    if (!pending_) {
        finish(false);
        return;
    }
    const int baud = pending_->baudIndex;
    const int format = pending_->formatIndex;
    const bool switching =
        line_ && baud >= 0 && format >= 0 && (baud != baudIndex_ || format != formatIndex_);
    // The port is closed for another setting only between exchanges: a reply still being
    // captured, or a press still queued, belongs to the setting it was sent at.
    if (switching && !core_.idle()) {
        QTimer::singleShot(kIdleCheckMs, this, &JobRunner::step);
        return;
    }
    if (switching) {
        lineSwitched_ = true;
        if (!line_->apply(baud, format)) {
            baudIndex_ = formatIndex_ = -1;  // opened again at the next try
            pause(line_->errorText());
            return;
        }
        baudIndex_ = baud;
        formatIndex_ = format;
    }
    exchange::Request request = pending_->request;
    request.origin = exchange::Origin::Job;
    inFlight_ = true;
    stepStartMs_ = clock_.elapsed();
    pendingId_ = core_.submit(request, [self = QPointer<JobRunner>(this), generation = generation_](
                                           const exchange::Exchange& exchange) {
        if (self && self->generation_ == generation) self->onExchange(exchange);
    });
}

void JobRunner::onExchange(const exchange::Exchange& exchange) {
    inFlight_ = false;
    if (!job_) return;
    if (!exchange.sent) {
        if (stopAsked_) {
            finish(true);
            return;
        }
        pause(line_ ? line_->errorText() : exchange.judgement.detail);
        return;
    }
    if (paused_) {
        paused_ = false;
        emit pausedChanged(false, QString());
        if (!job_) return;  // stopped from the signal
    }
    job_->take(exchange);
    pending_.reset();
    stepsTimeMs_ += clock_.elapsed() - stepStartMs_;
    emit progress(job_->stepsDone(), job_->stepsExpected());
    if (!job_) return;
    if (stopAsked_) {
        finish(true);
        return;
    }
    // From the event loop, not from inside the capture that has just ended: the next step may
    // close and open the port at another setting.
    QTimer::singleShot(0, this, &JobRunner::step);
}

void JobRunner::pause(const QString& reason) {
    if (!paused_) {
        paused_ = true;
        emit pausedChanged(true, reason);
    }
    retry_.start();
}

void JobRunner::finish(bool stopped) {
    retry_.stop();
    if (stopped && job_) job_->stoppedMidStep();
    job_ = nullptr;
    pending_.reset();
    inFlight_ = paused_ = false;
    if (lineSwitched_ && line_) line_->restore();
    lineSwitched_ = false;
    baudIndex_ = formatIndex_ = -1;
    emit finished(stopped);
}

}  // namespace jobs
