// The window as the program builds it, on the real port, against the simulated drive running in
// a child process: what the latency and timed-mode measurements drive.
#pragma once

#include <QString>
#include <memory>

#include "bench_support.h"
#include "ser2net_gateway.h"
#include "serial/line_selector.h"
#include "window/main/main_window.h"

class QPushButton;

namespace bench {

struct LineSetting {
    int formatIndex = 0;  // data-format button: 0 = ASCII 8,N,1, 3 = RTU 8,N,1
    int baudIndex = 1;    // baud-rate button: 0..3 = 4800, 9600, 19200, 38400
    // How the window reaches the drive: its pseudo-terminal ("serial"), the drive's own TCP
    // listener ("tcp"), or ser2net in front of the pseudo-terminal ("ser2net" raw, "rfc2217").
    QString via = QStringLiteral("serial");
    int baud() const;
    int bitsPerCharacter() const;
    QString name() const;  // "ASCII 9600"
};

// "--format ascii|rtu --baud N --via serial|tcp|ser2net|rfc2217" into the setting; false for
// values the window does not offer.
bool ReadLineSetting(const Args& args, LineSetting* setting, QString* error);

class WindowRig {
  public:
    ~WindowRig();
    // Starts the drive, builds the port and the window as main.cpp does, shows it (unless
    // `hidden`: no painting at all, to tell drawing from the rest), loads it and selects the
    // line setting.
    // `driveOptions` go to the simulated drive.
    bool start(const LineSetting& setting, QString* error, bool hidden = false,
               const QStringList& driveOptions = {});

    MainWindow& window() { return *window_; }
    QPushButton* monitorButton(int item) const;
    // The bytes the byte cells would send now.
    QByteArray requestBytes() const;
    // Lets events run for the given time (paints, timers).
    void runEvents(int milliseconds);
    double simCpuSeconds();

  private:
    SimChild sim_;
    Ser2netGateway gateway_;
    std::unique_ptr<serial::LineSelector> port_;
    std::unique_ptr<MainWindow> window_;
};

// One exchange log line: "[00042] TXD:  ( payload )".
struct LogEntry {
    Clock::time_point at;
    int counter = -1;
    bool sent = false;
    QString payload;
};
bool ParseLogLine(const QString& text, LogEntry* entry);

}  // namespace bench
