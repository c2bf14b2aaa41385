#include "cli/demo_drive.h"

#include <QCoreApplication>

QString InProcessDemoName() {
    return QStringLiteral("simulated-drive");
}

bool DemoDrive::start(QString* device, QString* error) {
#ifdef Q_OS_UNIX
    if (drive_.startPseudoTerminal(device, error)) return true;
        // Without pseudo-terminals (a container without /dev/pts) the drive lives in the program.
#else
    (void)error;
#endif
    inProcess_ = true;
    *device = InProcessDemoName();
    return true;
}

void DemoDrive::attach(serial::LineSelector& line) {
    if (!inProcess_) return;
    line.addOwnLine(InProcessDemoName(),
                    new sim::InProcessLine(drive_, QCoreApplication::instance()));
}
