// Catches trips while the trend polls: armed with a trigger, it waits for the trigger to fire,
// keeps polling for the seconds after, and writes the snapshot of the seconds before and after
// into a folder of its own; then it stops (single shot) or waits for the next one. The port's
// loss and return are events of their own. Memory stays bounded however long it runs: the
// samples are the poller's bounded store, and only the newest events are kept.
#pragma once

#include <QObject>
#include <QTimer>
#include <deque>
#include <functional>
#include <optional>

#include "trip/snapshot.h"
#include "trip/trigger.h"

namespace trip {

struct CaptureSettings {
    Trigger trigger = FaultTrigger();
    int mainAddress = 1;  // the drive a trigger without an address watches
    qint64 beforeMs = 30000;
    qint64 afterMs = 10000;
    QString directory;  // where the snapshot folders go
    bool rearm = true;  // after each snapshot; else one snapshot and done
    QString line;       // the port and its settings, for the summary
};

struct TripEvent {
    enum class Kind { Trigger, PortLost, PortBack };
    Kind kind = Kind::Trigger;
    qint64 timeMs = 0;
    QString text;    // what happened, in the user's words
    QString folder;  // the snapshot's folder once written
    QString error;   // why it was not written
};

class TripCapture : public QObject {
    Q_OBJECT
  public:
    enum class State { Off, Armed, Triggered, Saved };

    explicit TripCapture(const exchange::SampleStore& samples, QObject* parent = nullptr);

    // The chart's picture of a span as PNG bytes; without one the snapshot has no picture.
    void setPictureMaker(std::function<QByteArray(const SnapshotSpan&)> maker) {
        pictureMaker_ = std::move(maker);
    }
    // Checks that the folder can be written (and clears what a killed capture left there).
    bool arm(const CaptureSettings& settings, QString* error);
    void disarm();
    State state() const { return state_; }
    const CaptureSettings& settings() const { return settings_; }
    // The newest events, oldest first.
    const std::deque<TripEvent>& events() const { return events_; }
    // The moments the trigger fired, for the chart's marks.
    std::vector<qint64> moments() const;

    // The poller's news.
    void onSample(const exchange::Sample& sample);
    void onPoll(int address, bool good);
    void onPortClosed(bool closed);

    static constexpr std::size_t kEventsKept = 1000;

  signals:
    void stateChanged(trip::TripCapture::State state);
    // A new event, or an event whose snapshot was written (or failed): its place in events().
    void eventChanged(int index, bool added);

  private:
    void fire(qint64 momentMs);
    void save();
    void addEvent(TripEvent event);
    void setState(State state);

    const exchange::SampleStore& samples_;
    CaptureSettings settings_;
    std::optional<TriggerWatch> watch_;
    std::function<QByteArray(const SnapshotSpan&)> pictureMaker_;
    State state_ = State::Off;
    qint64 momentMs_ = 0;
    QTimer afterTimer_;
    std::deque<TripEvent> events_;
    bool portClosed_ = false;
};

}  // namespace trip
