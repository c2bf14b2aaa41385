// The whole path for end-to-end tests: the window offscreen, its serial port on a real
// pseudo-terminal, and the simulated drive (on a stepped clock) answering at the far end.
#pragma once

#include <QAbstractButton>
#include <QButtonGroup>
#include <QLineEdit>
#include <QtTest>
#include <array>
#include <memory>

#include "serial/qt_serial_port.h"
#include "sim/drive_server.h"
#include "window/cell_edit.h"
#include "window/form1.h"

constexpr int kRtu = 3;    // " RTU  8,N,1"
constexpr int kAscii = 0;  // "ASCII 8,N,1"

// A data table with one row per framing, column "format".
inline void AddFramingRows() {
    QTest::addColumn<int>("format");
    QTest::newRow("RTU") << kRtu;
    QTest::newRow("ASCII") << kAscii;
}

// Members are torn down window first, so the port is closed before the drive's line vanishes.
struct DriveRig {
    sim::DriveServer drive;
    QString path;
    QString error;
    bool started = false;
    std::unique_ptr<serial::QtSerialPort> port;
    std::unique_ptr<Form1> window;

    explicit DriveRig(int format) {
        drive.setSteppedClock(true);
        started = drive.startPseudoTerminal(&path, &error);
        serial::PortMap map;
        map.devices[0] = path;
        port = std::make_unique<serial::QtSerialPort>(map);
        window = std::make_unique<Form1>(*port, std::array<QString, 4>{path, "", "", ""});
        window->Form_Load();
        window->Option1->button(format)->click();
    }
    bool ready() const { return started && port->isOpen(); }

    // The bytes of a grid row, up to its first empty cell.
    template <typename Cell>
    static QByteArray CellBytes(const std::array<Cell*, kCellCount>& cells) {
        QByteArray bytes;
        for (const Cell* cell : cells) {
            if (cell->text().isEmpty()) break;
            bytes += QByteArray::fromHex(cell->text().toLatin1());
        }
        return bytes;
    }
    QByteArray sent() const { return CellBytes(window->TX); }
    QByteArray received() const { return CellBytes(window->RX); }
};
