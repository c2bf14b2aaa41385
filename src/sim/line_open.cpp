#include "sim/line_open.h"

#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

namespace sim {
namespace {

QString SystemError(const char* what) {
    return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                        QString::fromLocal8Bit(strerror(errno)));
}

void SetError(QString* error, const QString& text) {
    if (error) *error = text;
}

std::optional<speed_t> SpeedOf(int baud) {
    switch (baud) {
        case 1200:
            return B1200;
        case 2400:
            return B2400;
        case 4800:
            return B4800;
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        default:
            return std::nullopt;
    }
}

bool MakeRaw(int fd, QString* error) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) {
        SetError(error, SystemError("tcgetattr"));
        return false;
    }
    cfmakeraw(&tio);
    // Reads return whatever is there; the drive waits in poll(), never in read().
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (tcsetattr(fd, TCSANOW, &tio) != 0) {
        SetError(error, SystemError("tcsetattr"));
        return false;
    }
    return true;
}

}  // namespace

std::optional<serial::PortSettings> ReadLineSettings(int fd) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) return std::nullopt;
    serial::PortSettings settings;
    const speed_t speed = cfgetospeed(&tio);
    settings.baudRate = 0;
    for (int baud : {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200})
        if (SpeedOf(baud) == speed) settings.baudRate = baud;
#ifdef __linux__
    // A rate set as a number rather than a code (Qt does so for some rates) is only in the
    // kernel's termios2, whose header cannot sit beside <termios.h>.
    if (settings.baudRate == 0) {
        struct {
            tcflag_t iflag, oflag, cflag, lflag;
            cc_t line;
            cc_t cc[19];
            speed_t ispeed, ospeed;
        } exact{};
        if (ioctl(fd, _IOR('T', 0x2A, decltype(exact)), &exact) == 0)
            settings.baudRate = int(exact.ospeed);
    }
#endif
    if (settings.baudRate <= 0) return std::nullopt;
    const tcflag_t size = tio.c_cflag & CSIZE;
    settings.dataBits = size == CS5 ? 5 : size == CS6 ? 6 : size == CS7 ? 7 : 8;
    settings.parity = (tio.c_cflag & PARODD)   ? serial::Parity::Odd
                      : (tio.c_cflag & PARENB) ? serial::Parity::Even
                                               : serial::Parity::None;
    settings.stopBits = (tio.c_cflag & CSTOPB) ? 2 : 1;
    return settings;
}

bool SupportedBaud(int baud) {
    return SpeedOf(baud).has_value();
}

bool OpenPseudoTerminal(PseudoTerminal* pty, QString* error) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0) {
        SetError(error, SystemError("posix_openpt"));
        return false;
    }
    char name[128] = {};
    if (grantpt(master) != 0 || unlockpt(master) != 0 || ptsname_r(master, name, sizeof name)) {
        SetError(error, SystemError("pseudo-terminal setup"));
        close(master);
        return false;
    }
    const int slave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0) {
        SetError(error, SystemError("open pseudo-terminal slave"));
        close(master);
        return false;
    }
    bool ready = MakeRaw(slave, error);
    if (ready && fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK) != 0) {
        SetError(error, SystemError("fcntl"));
        ready = false;
    }
    if (!ready) {
        close(slave);
        close(master);
        return false;
    }
    pty->master = master;
    pty->slave = slave;
    pty->slavePath = QString::fromLocal8Bit(name);
    return true;
}

int OpenSerialDevice(const QString& path, const serial::PortSettings& settings, QString* error) {
    const int fd = open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        SetError(error, SystemError(path.toLocal8Bit().constData()));
        return -1;
    }
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) {
        SetError(error, SystemError("tcgetattr"));
        close(fd);
        return -1;
    }
    cfmakeraw(&tio);
    const std::optional<speed_t> speed = SpeedOf(settings.baudRate);
    if (!speed) {
        SetError(
            error,
            QStringLiteral("%1 baud is not a rate a serial device takes").arg(settings.baudRate));
        close(fd);
        return -1;
    }
    cfsetispeed(&tio, *speed);
    cfsetospeed(&tio, *speed);
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    const tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
    tio.c_cflag |= sizes[settings.dataBits - 5] | CLOCAL | CREAD;
    if (settings.parity != serial::Parity::None) tio.c_cflag |= PARENB;
    if (settings.parity == serial::Parity::Odd) tio.c_cflag |= PARODD;
    if (settings.stopBits == 2) tio.c_cflag |= CSTOPB;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (tcsetattr(fd, TCSANOW, &tio) != 0) {
        SetError(error, SystemError("tcsetattr"));
        close(fd);
        return -1;
    }
    tcflush(fd, TCIOFLUSH);
    return fd;
}

}  // namespace sim
