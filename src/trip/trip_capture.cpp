#include "trip/trip_capture.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QTemporaryFile>

namespace trip {
TripCapture::TripCapture(const exchange::SampleStore& samples, QObject* parent)
    : QObject(parent), samples_(samples) {
    afterTimer_.setSingleShot(true);
    // A coarse timer may fire 5 % early: half a second of a ten-second span.
    afterTimer_.setTimerType(Qt::PreciseTimer);
    connect(&afterTimer_, &QTimer::timeout, this, &TripCapture::save);
}

bool TripCapture::arm(const CaptureSettings& settings, QString* error) {
    if (!QDir().mkpath(settings.directory)) {
        *error = QCoreApplication::translate("TripCapture", "cannot make the snapshot folder %1")
                     .arg(QDir::toNativeSeparators(settings.directory));
        return false;
    }
    QTemporaryFile probe(QDir(settings.directory).filePath(QStringLiteral(".probe-XXXXXX")));
    if (!probe.open()) {
        *error =
            QCoreApplication::translate("TripCapture", "cannot write in the snapshot folder %1: %2")
                .arg(QDir::toNativeSeparators(settings.directory), probe.errorString());
        return false;
    }
    probe.close();
    RemovePartialSnapshots(settings.directory);
    settings_ = settings;
    watch_.emplace(settings.trigger, settings.mainAddress);
    afterTimer_.stop();
    portClosed_ = false;
    setState(State::Armed);
    return true;
}

void TripCapture::disarm() {
    // A snapshot under way is written with what it has: the moment was caught.
    if (state_ == State::Triggered) save();
    watch_.reset();
    afterTimer_.stop();
    setState(State::Off);
}

std::vector<qint64> TripCapture::moments() const {
    std::vector<qint64> times;
    for (const TripEvent& event : events_)
        if (event.kind == TripEvent::Kind::Trigger) times.push_back(event.timeMs);
    return times;
}

void TripCapture::onSample(const exchange::Sample& sample) {
    if (!watch_) return;
    // The watch follows every sample, also while a snapshot is under way, so a condition that
    // merely goes on holding fires nothing when the capture arms again.
    const bool fired = watch_->sample(sample);
    if (state_ == State::Triggered && sample.timeMs > momentMs_ + settings_.afterMs) {
        save();
    } else if (fired && state_ == State::Armed) {
        fire(sample.timeMs);
    }
}

void TripCapture::onPoll(int address, bool good) {
    if (watch_ && watch_->poll(address, good) && state_ == State::Armed)
        fire(QDateTime::currentMSecsSinceEpoch());
}

void TripCapture::onPortClosed(bool closed) {
    if (state_ == State::Off || closed == portClosed_) return;
    portClosed_ = closed;
    TripEvent event;
    event.kind = closed ? TripEvent::Kind::PortLost : TripEvent::Kind::PortBack;
    event.timeMs = QDateTime::currentMSecsSinceEpoch();
    event.text =
        closed ? QCoreApplication::translate("TripCapture",
                                             "the port is lost; polling goes on when it returns")
               : QCoreApplication::translate("TripCapture", "the port is back; polling goes on");
    addEvent(event);
}

void TripCapture::fire(qint64 momentMs) {
    momentMs_ = momentMs;
    TripEvent event;
    event.timeMs = momentMs;
    event.text = TriggerDescription(settings_.trigger);
    addEvent(event);
    setState(State::Triggered);
    const qint64 left = momentMs + settings_.afterMs - QDateTime::currentMSecsSinceEpoch();
    afterTimer_.start(int(std::clamp<qint64>(left, 0, settings_.afterMs)));
}

void TripCapture::save() {
    afterTimer_.stop();
    if (state_ != State::Triggered) return;
    const SnapshotSpan span = CollectSpan(samples_, momentMs_ - settings_.beforeMs, momentMs_,
                                          momentMs_ + settings_.afterMs);
    SnapshotInfo info;
    info.trigger = TriggerText(settings_.trigger) + QStringLiteral(" (") +
                   TriggerDescription(settings_.trigger) + QLatin1Char(')');
    info.address = watch_ ? watch_->address() : settings_.mainAddress;
    if (settings_.trigger.kind != TriggerKind::NoReply) info.reading = settings_.trigger.reading;
    info.line = settings_.line;
    SnapshotFiles files{{QStringLiteral("samples.csv"), SpanCsv(span)},
                        {QStringLiteral("summary.txt"), SummaryText(span, info).toUtf8()}};
    if (pictureMaker_) files.emplace_back(QStringLiteral("chart.png"), pictureMaker_(span));
    QString error;
    const QString folder =
        WriteSnapshot(settings_.directory, SnapshotFolderName(momentMs_), files, &error);
    for (int i = int(events_.size()) - 1; i >= 0; --i) {
        TripEvent& event = events_[std::size_t(i)];
        if (event.kind != TripEvent::Kind::Trigger || event.timeMs != momentMs_) continue;
        event.folder = folder;
        event.error = error;
        emit eventChanged(i, false);
        break;
    }
    setState(settings_.rearm ? State::Armed : State::Saved);
}

void TripCapture::addEvent(TripEvent event) {
    events_.push_back(std::move(event));
    while (events_.size() > kEventsKept) events_.pop_front();
    emit eventChanged(int(events_.size()) - 1, true);
}

void TripCapture::setState(State state) {
    if (state == state_) return;
    state_ = state;
    emit stateChanged(state);
}

}  // namespace trip
