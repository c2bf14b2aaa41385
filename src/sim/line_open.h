// Opens the drive's end of a serial line: a fresh pseudo-terminal, or a real serial device.
#pragma once

#include <QString>
#include <optional>

#include "serial/port_settings.h"

namespace sim {

// The settings a descriptor's line is set to now. On a pseudo-terminal this is what the program
// at the other end has set, as far as Linux keeps it: the baud rate, the stop bits and the odd
// parity flag survive, while the data bits stay 8 and the parity enable flag is dropped, so
// even parity cannot be told from none there.
std::optional<serial::PortSettings> ReadLineSettings(int fd);

// Whether a serial device can be set to this baud rate.
bool SupportedBaud(int baud);

// The two ends of a pseudo-terminal. The drive reads and writes `master`; the program opens
// `slavePath`. `slave` is a descriptor on the slave end that the drive keeps open, so the
// master end never reads a hang-up when the program closes and reopens its port.
struct PseudoTerminal {
    int master = -1;
    int slave = -1;
    QString slavePath;
};

// The slave end is put in raw mode: no echo, no line editing, no character translation, so
// every byte passes unchanged both ways. The master end does not block.
bool OpenPseudoTerminal(PseudoTerminal* pty, QString* error);

// Opens a serial device in raw mode with the given settings, without becoming its controlling
// terminal and without waiting for a carrier; returns the descriptor, or -1 with `error` set.
int OpenSerialDevice(const QString& path, const serial::PortSettings& settings, QString* error);

}  // namespace sim
