// One end of a serial line for tests, played with plain POSIX calls: a fresh pseudo-terminal
// from the simulated drive's own opener (the program opens its other end), or a device path
// opened as a master program would.
#pragma once

#include <QByteArray>
#include <QString>

#include "serial/port_map.h"

class TestLine {
  public:
    // A fresh pseudo-terminal: this end is its master, slavePath() the device for the program.
    TestLine();
    // The device at `path`, opened as the program would open it.
    explicit TestLine(const QString& path);
    ~TestLine();
    TestLine(const TestLine&) = delete;
    TestLine& operator=(const TestLine&) = delete;

    bool isValid() const { return fd_ >= 0; }
    QString slavePath() const { return slavePath_; }
    int descriptor() const { return fd_; }

    bool write(const QByteArray& bytes);
    // What arrives until `count` bytes are in or `timeoutMs` passed.
    QByteArray read(int count, int timeoutMs);

  private:
    int fd_ = -1;
    int slaveKeeper_ = -1;
    QString slavePath_;
};

// A port map with `device` behind COM1, as --port COM1=DEVICE makes it.
inline serial::PortMap MapTo(const QString& device) {
    serial::PortMap map;
    map.devices[0] = device;
    return map;
}
