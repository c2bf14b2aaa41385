// A master of its own on the simulated drive's line: polls the drives' readings over the line
// as a PLC would, so a listener on the tap has another master's traffic to hear.
#pragma once

#include <QStringList>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "frame/frame_composer.h"
#include "serial/port_settings.h"

namespace sim {

class SimulatedMaster {
  public:
    struct Options {
        QString path;  // the line's device, as a program would open it
        serial::PortSettings line;
        frame::Framing framing = frame::Framing::Rtu;
        std::vector<int> addresses{1};  // polled in turn, each for every reading
        int intervalMs = 100;           // from one request to the next
    };
    explicit SimulatedMaster(Options options);
    ~SimulatedMaster();
    SimulatedMaster(const SimulatedMaster&) = delete;
    SimulatedMaster& operator=(const SimulatedMaster&) = delete;

    bool start(QString* error);
    void stop();

    // What went over the line so far, in order: "-> 010401018049" for each request sent,
    // "<- 0104030112C56D7D" for the bytes that came back before the next one.
    QStringList log() const;

  private:
    void run();
    void note(const char* arrow, const QByteArray& bytes);

    Options options_;
    int fd_ = -1;
    int wake_[2] = {-1, -1};
    std::atomic<bool> stopping_{false};
    std::thread thread_;
    mutable std::mutex mutex_;
    QStringList log_;
};

}  // namespace sim
