// Which device stands behind each of the port buttons COM1..COM4.
#pragma once

#include <QString>
#include <QStringList>
#include <array>

namespace serial {

constexpr int kPortButtons = 4;

struct PortMap {
    // devices[n - 1] is the device of COMn; empty when nothing stands behind the button.
    std::array<QString, kPortButtons> devices;

    QString deviceFor(int portNumber) const;
};

// Detected serial devices in the order the buttons take them: USB and ACM adapters first (the
// usual way a drive is attached), then built-in ports, each group in natural order
// (ttyS2 before ttyS10).
QStringList OrderDetectedDevices(QStringList devices);

// Applies "COMn=PATH" assignments over the detected devices: an assigned button gets its path,
// the other buttons take the detected devices in order. Returns false with a reason for an
// assignment it cannot read.
bool BuildPortMap(const QStringList& assignments, const QStringList& detectedDevices, PortMap* map,
                  QString* error);

// COMn of the first "COMn=PATH" assignment, else 1: the port the command-line jobs use.
int AssignedPortNumber(const QStringList& assignments);

// The devices this machine offers now, as system paths.
QStringList DetectSerialDevices();

// What the system says of a serial device ("USB-SERIAL CH340", "Prolific USB-to-Serial Comm
// Port"), for the port's tooltip; empty when it says nothing.
QString PortDescription(const QString& device);

}  // namespace serial
