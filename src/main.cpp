// MODBUS debugging program for frequency inverters: the window on one serial line.
#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>

#include "serial/port_map.h"
#include "serial/qt_serial_port.h"
#include "sim/drive_server.h"
#include "window/main_window.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("modbus-debugger"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "MODBUS debugging program for frequency inverters.\n\n"
        "The port buttons COM1..COM4 stand for serial devices. On Windows they are the ports of\n"
        "those names. Elsewhere COMn is the n-th detected serial device, USB and ACM adapters\n"
        "before built-in ttyS ports, unless --port assigns a device to it. The device behind\n"
        "each button shows as its tooltip."));
    parser.addHelpOption();
    const QCommandLineOption portOption(
        QStringLiteral("port"),
        QStringLiteral("Put device PATH behind port button COMn (n = 1..4). Repeatable, e.g. "
                       "--port COM1=/dev/ttyUSB0."),
        QStringLiteral("COMn=PATH"));
    parser.addOption(portOption);
    const QCommandLineOption demoOption(
        QStringLiteral("demo"),
        QStringLiteral("Start a simulated inverter (address 1) on a fresh pseudo-terminal and put "
                       "it behind COM1, so every button can be tried without a drive."));
    parser.addOption(demoOption);
    parser.process(app);

    QStringList assignments = parser.values(portOption);
    QString error;
    // The simulated drive serves its line on a thread of its own, never the window's.
    sim::DriveServer demoDrive(1);
    if (parser.isSet(demoOption)) {
        QString device;
        if (!demoDrive.startPseudoTerminal(&device, &error)) {
            std::fprintf(stderr, "cannot start the simulated drive: %s\n", qPrintable(error));
            return 1;
        }
        assignments.prepend(QStringLiteral("COM1=") + device);
        std::fprintf(stderr, "simulated drive on %s (COM1)\n", qPrintable(device));
    }

    serial::PortMap map;
    if (!serial::BuildPortMap(assignments, serial::DetectSerialDevices(), &map, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 2;
    }

    serial::QtSerialPort port(map);
    MainWindow window(port, map.devices);
    window.show();
    window.load();
    return app.exec();
}
