// Opens the drive's end of a serial line: a fresh pseudo-terminal, or a real serial device.
#pragma once

#include <QString>
#include <optional>

namespace sim {

// A port setting such as "9600,n,8,1": baud rate, parity (n, e or o), data bits (5 to 8) and
// stop bits (1 or 2).
struct LineSettings {
    int baud = 9600;
    char parity = 'n';
    int dataBits = 8;
    int stopBits = 1;
};

std::optional<LineSettings> ParseLineSettings(const QString& text, QString* error);

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
int OpenSerialDevice(const QString& path, const LineSettings& settings, QString* error);

}  // namespace sim
