// Why a device path cannot be a port's serial line, in words a field engineer can act on.
#pragma once

#include <QString>
#include <optional>

namespace serial {

// What the path is, when that alone rules it out: missing, a folder, a file, a pipe or socket.
// Nothing when it may be a serial device.
std::optional<QString> NotASerialDevice(const QString& path);

// For a device that failed to open as a serial port: that it is no terminal (/dev/null), when
// so. It opens the device (without waiting for a carrier) and closes it at once.
std::optional<QString> NotATerminal(const QString& path);

// The program that holds `path` open, as "minicom (process 1234)", found among the processes
// the system lets this user see or in the device's lock file; empty when none is found.
QString HolderOf(const QString& path);

// Why an open refused for lack of permission: the group that may open it, and how to join it.
QString PermissionText(const QString& path);

// A port in use by another program, naming it where the system says.
QString BusyText(const QString& path);

}  // namespace serial
