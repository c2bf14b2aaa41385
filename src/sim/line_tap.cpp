// The simulated line's tap: a pseudo-terminal a listener opens to hear the wire.
#include "sim/drive_server.h"
#include "sim/line_open.h"

namespace sim {

bool DriveServer::startTap(bool merging, QString* path, QString* error) {
#ifdef Q_OS_UNIX
    if (tapFd_ >= 0) {
        if (error) *error = QStringLiteral("the tap is open already");
        return false;
    }
    PseudoTerminal pty;
    if (!OpenPseudoTerminal(&pty, error)) return false;
    tapFd_ = pty.master;
    tapSlaveFd_ = pty.slave;
    tapMerging_ = merging;
    if (path) *path = pty.slavePath;
    return true;
#else
    (void)merging;
    (void)path;
    if (error) *error = QStringLiteral("the tap is a pseudo-terminal: Linux only");
    return false;
#endif
}

}  // namespace sim
