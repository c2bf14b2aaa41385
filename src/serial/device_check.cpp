#include "serial/device_check.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace serial {
namespace {

#ifdef Q_OS_UNIX
// The name and number of a running process, or empty when it is gone.
QString ProcessName(qint64 pid) {
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    if (pid <= 0 || !comm.open(QIODevice::ReadOnly)) return QString();
    const QString name = QString::fromLocal8Bit(comm.readAll()).trimmed();
    return QCoreApplication::translate("DeviceCheck", "%1 (process %2)").arg(name).arg(pid);
}

// A UUCP lock file (LCK..ttyUSB0) holds the number of the process that locked the device, as
// text or, from old programs, as a binary int.
qint64 LockFilePid(const QString& deviceName) {
    static const char* const kLockDirectories[] = {"/var/lock", "/run/lock", "/var/spool/locks",
                                                   "/var/spool/uucp", "/tmp"};
    for (const char* directory : kLockDirectories) {
        QFile lock(QString::fromLatin1(directory) + QStringLiteral("/LCK..") + deviceName);
        if (!lock.open(QIODevice::ReadOnly)) continue;
        const QByteArray content = lock.read(64);
        bool ok = false;
        const qint64 pid = content.trimmed().split('\n').value(0).trimmed().toLongLong(&ok);
        if (ok) return pid;
        if (content.size() == int(sizeof(int))) {
            int binary = 0;
            std::memcpy(&binary, content.constData(), sizeof binary);
            return binary;
        }
    }
    return 0;
}
#endif

}  // namespace

std::optional<QString> NotASerialDevice(const QString& path) {
#ifdef Q_OS_UNIX
    const QByteArray local = QFile::encodeName(path);
    struct stat status {};
    if (::stat(local.constData(), &status) != 0) {
        if (errno == EACCES) return std::nullopt;  // the open says why, with the group to join
        return QCoreApplication::translate(
            "DeviceCheck", "no such device: the adapter is not plugged in, or the name is wrong");
    }
    if (S_ISDIR(status.st_mode))
        return QCoreApplication::translate("DeviceCheck", "this is a folder, not a serial device");
    if (S_ISREG(status.st_mode))
        return QCoreApplication::translate("DeviceCheck", "this is a file, not a serial device");
    if (!S_ISCHR(status.st_mode))
        return QCoreApplication::translate("DeviceCheck", "this is not a serial device");
#else
    Q_UNUSED(path);
#endif
    return std::nullopt;
}

std::optional<QString> NotATerminal(const QString& path) {
#ifdef Q_OS_UNIX
    // Non-blocking, so a modem line that waits for its carrier does not hold the window.
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::nullopt;  // busy or forbidden: the open says which
    const bool terminal = ::isatty(fd) == 1;
    ::close(fd);
    if (!terminal)
        return QCoreApplication::translate(
            "DeviceCheck", "this device is not a serial port (it has no line settings)");
#else
    Q_UNUSED(path);
#endif
    return std::nullopt;
}

QString HolderOf(const QString& path) {
#ifdef Q_OS_UNIX
    const QString target = QFileInfo(path).canonicalFilePath();
    if (target.isEmpty()) return QString();
    const QStringList processes = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& entry : processes) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (!number) continue;
        const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
        // Another user's descriptors cannot be read: the lock file may still name the holder.
        for (const QString& fd : fds.entryList(QDir::Files | QDir::System))
            if (QFile::symLinkTarget(fds.filePath(fd)) == target) return ProcessName(pid);
    }
    return ProcessName(LockFilePid(QFileInfo(target).fileName()));
#else
    Q_UNUSED(path);
    return QString();
#endif
}

QString PermissionText(const QString& path) {
#ifdef Q_OS_UNIX
    struct stat status {};
    QString group = QStringLiteral("dialout");
    if (::stat(QFile::encodeName(path).constData(), &status) == 0)
        if (const struct group* owner = ::getgrgid(status.st_gid))
            if (status.st_gid != 0) group = QString::fromLocal8Bit(owner->gr_name);
    return QCoreApplication::translate("DeviceCheck",
                                       "no permission to open it: add the user to the %1 group "
                                       "(sudo usermod -aG %1 $USER) and log in again")
        .arg(group);
#else
    Q_UNUSED(path);
    return QCoreApplication::translate("DeviceCheck", "no permission to open it");
#endif
}

QString BusyText(const QString& path) {
    // The port is tried again every second while it is busy: the processes are looked through
    // once for a while, not at every try.
    static QString cachedPath;
    static QString cachedHolder;
    static QElapsedTimer cachedAge;
    if (path != cachedPath || !cachedAge.isValid() || cachedAge.elapsed() > 10000) {
        cachedPath = path;
        cachedHolder = HolderOf(path);
        cachedAge.start();
    }
    const QString holder = cachedHolder;
    if (holder.isEmpty())
        return QCoreApplication::translate(
            "DeviceCheck", "busy: another program has it open; close that program first");
    return QCoreApplication::translate("DeviceCheck",
                                       "busy: %1 has it open; close that program first")
        .arg(holder);
}

}  // namespace serial
