// The whole path for end-to-end tests: the window offscreen, its serial port on a real
// pseudo-terminal, and the simulated drive (on a stepped clock) answering at the far end with
// its characters paced at the line's wire time.
#pragma once

#include <QAbstractButton>
#include <QButtonGroup>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>
#include <array>
#include <memory>

#include "drive/reply_decoder.h"
#include "exchange/exchange_text.h"
#include "pty_pair.h"
#include "serial/qt_serial_port.h"
#include "sim/drive_server.h"
#include "window/main/cell_edit.h"
#include "window/main/main_window.h"

constexpr int kRtu = 3;    // " RTU  8,N,1"
constexpr int kAscii = 0;  // "ASCII 8,N,1"
constexpr int k4800 = 0;   // the baud-rate buttons
constexpr int k9600 = 1;

// Members are torn down window first, so the port is closed before the drive's line vanishes.
// The window's port names a link of its own to the drive's pseudo-terminal: a port that keeps
// retrying a vanished /dev/pts/N would otherwise open the next pseudo-terminal given that
// number, another test's drive, and poll it.
struct DriveRig {
    QTemporaryDir dir;
    sim::DriveServer drive;
    QString path = dir.filePath(QStringLiteral("COM1"));
    QString error;
    bool started = false;
    std::unique_ptr<serial::QtSerialPort> port;
    std::unique_ptr<MainWindow> window;
    std::vector<exchange::ExchangeRecord> records;

    DriveRig(int format, int baud = k9600, int turnaroundMs = sim::kDefaultTurnaroundMs,
             const std::vector<int>& drives = {1}) {
        drive.setDrives(drives);
        drive.setSteppedClock(true);
        drive.setTurnaround(turnaroundMs);
        drive.setLinkPath(path);
        QString device;
        started = drive.startPseudoTerminal(&device, &error);
        port = std::make_unique<serial::QtSerialPort>(MapTo(path));
        window = std::make_unique<MainWindow>(*port, std::array<QString, 4>{path, "", "", ""});
        window->load();
        window->baudGroup->button(baud)->click();
        window->formatGroup->button(format)->click();
        QObject::connect(&window->exchangeCore(), &exchange::ExchangeCore::recordAdded,
                         [this](const exchange::ExchangeRecord& r) { records.push_back(r); });
    }
    bool ready() const { return started && port->isOpen(); }

    // Presses a reading button (0..7 monitor items, 8 the fault code) and returns its box once
    // the reply is in.
    QString reading(int item) {
        window->readingButtons[std::size_t(item)]->click();
        return result(item);
    }
    // A result box (kParameterResult: the parameter read's) once its reply is in and shown.
    QString result(int index) {
        if (!QTest::qWaitFor([&] { return !window->result(index).busy(); }, 5000))
            return QStringLiteral("(still waiting)");
        return index == kParameterResult ? window->parameterValueBox->text()
                                         : window->readingBoxes[std::size_t(index)]->text();
    }
    // What the drive's own numbers look like in a result box.
    QString modelShows(int item) const {
        const int raw = drive.model().monitor(item);
        return item == sim::kItemFaultCode
                   ? drive::FaultText(raw)
                   : drive::MonitorText(raw, drive::MonitorItems()[std::size_t(item)]);
    }
    bool settle() {
        return QTest::qWaitFor([this] { return window->exchangeCore().idle(); }, 5000);
    }
};
