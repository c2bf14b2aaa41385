// Timed mode at 50 ms against the simulated drive for thousands of ticks: every tick keeps its
// TXD and RXD lines, and nothing grows without bound. INVERTER_SOAK_TICKS sets the length
// (72000 ticks is an hour); resident memory at start and end is printed.
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "serial/qt_serial_port.h"
#include "sim/drive_server.h"
#include "window/cell_edit.h"
#include "window/form1.h"

namespace {

long ResidentKilobytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').first().toLong();
    return 0;
}

}  // namespace

class TestSoak : public QObject {
    Q_OBJECT
private slots:
    void timedModeRunsSteadily() {
        const int ticks = qEnvironmentVariableIsSet("INVERTER_SOAK_TICKS")
                              ? qEnvironmentVariableIntValue("INVERTER_SOAK_TICKS")
                              : 2000;
        sim::DriveServer drive(1);
        QString device, error;
        QVERIFY2(drive.startPseudoTerminal(&device, &error), qPrintable(error));
        drive.updateModel([](sim::DriveModel& model) {
            model.setFrequency(5000);
            model.start();
        });
        serial::PortMap map;
        map.devices[0] = device;
        serial::QtSerialPort port(map);
        Form1 window(port, map.devices);
        window.Form_Load();
        window.MonitorButton_Click(1);  // composes a monitor request into the byte cells

        // Every new log line must alternate TXD n, RXD n, TXD n + 1 ...
        int lines = 0;
        int mismatches = 0;
        QString previous;
        QObject::connect(window.Text13, &QLineEdit::textChanged, [&](const QString& line) {
            if (line.contains(QLatin1String("TXD"))) {
                if (!previous.isEmpty() && !previous.contains(QLatin1String("RXD"))) ++mismatches;
            } else if (!previous.contains(QLatin1String("TXD")) ||
                       previous.left(7) != line.left(7)) {
                ++mismatches;
            }
            previous = line;
            ++lines;
        });

        const int startCount = window.Cnt;
        window.Text9->setText(QStringLiteral("50"));
        window.Check3->click();
        QElapsedTimer clock;
        clock.start();
        long residentAfterWarmUp = 0;
        int answered = 0;
        while (window.Cnt - startCount < ticks) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            if (!residentAfterWarmUp && window.Cnt - startCount >= 200)
                residentAfterWarmUp = ResidentKilobytes();
            if (!window.RX[1]->text().isEmpty()) ++answered;
        }
        window.Check3->click();
        QTRY_VERIFY(!window.Timer1->isActive());
        const long residentAtEnd = ResidentKilobytes();
        qInfo("soak: %d ticks in %.1f s, resident %ld kB after warm-up, %ld kB at end", ticks,
              clock.elapsed() / 1000.0, residentAfterWarmUp, residentAtEnd);

        QCOMPARE(mismatches, 0);
        QVERIFY(lines >= 2 * ticks);
        QVERIFY(answered > 0);
        // The simulated drive answers every tick; nothing is left pending on the line.
        QCOMPARE(port.pendingInputCount(), 0);
        QVERIFY2(residentAtEnd - residentAfterWarmUp < 4096,
                 qPrintable(QStringLiteral("%1 -> %2 kB").arg(residentAfterWarmUp).arg(residentAtEnd)));
    }
};

QTEST_MAIN(TestSoak)
#include "tst_soak.moc"
