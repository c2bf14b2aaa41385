// Faults of the port and the line over real pseudo-terminals: the device vanishes and comes
// back, the port is absent or held by another program, the exchange counter wraps.
#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "serial/qt_serial_port.h"
#include "sim/drive_server.h"
#include "window/cell_edit.h"
#include "window/form1.h"

namespace {

serial::PortMap MapTo(const QString& device) {
    serial::PortMap map;
    map.devices[0] = device;
    return map;
}

// The simulated drive behind a fixed link, so the port name survives the drive going away.
struct Line {
    QTemporaryDir dir;
    sim::DriveServer drive{1};
    QString link = dir.filePath(QStringLiteral("COM1"));
    Line() {
        drive.setLinkPath(link);
        QString path, error;
        if (!drive.startPseudoTerminal(&path, &error)) qFatal("%s", qPrintable(error));
    }
};

struct Window {
    serial::QtSerialPort port;
    Form1 form;
    explicit Window(const QString& device) : port(MapTo(device)), form(port, {device, "", "", ""}) {
        form.Form_Load();
    }
    bool labelRed() const {
        return form.portLabels[0]->styleSheet().contains(QLatin1String("red"));
    }
    QString readFrequency() {
        form.MonitorButton_Click(1);
        return form.resultBoxes[1]->text();
    }
};

int warnings = 0;
void CountWarnings(QtMsgType type, const QMessageLogContext&, const QString&) {
    if (type != QtDebugMsg && type != QtInfoMsg) ++warnings;
}

}  // namespace

class TestPortFaults : public QObject {
    Q_OBJECT
  private slots:
    void deviceVanishesAndComesBack() {
        Line line;
        Window window(line.link);
        QVERIFY(window.port.isOpen());
        QCOMPARE(window.readFrequency(), QStringLiteral("000.00 Hz"));

        warnings = 0;
        const QtMessageHandler previous = qInstallMessageHandler(CountWarnings);
        line.drive.stop();
        QCOMPARE(window.readFrequency(), QStringLiteral("无回应"));
        QCOMPARE(window.readFrequency(), QStringLiteral("无回应"));
        QTRY_VERIFY(window.labelRed());
        QVERIFY(!window.port.isOpen());
        QVERIFY(!window.form.portLabels[0]->toolTip().isEmpty());
        QTest::qWait(100);
        qInstallMessageHandler(previous);
        QVERIFY2(warnings < 5, qPrintable(QString::number(warnings)));  // no flood of errors

        QString path, error;
        QVERIFY2(line.drive.reopen(&path, &error), qPrintable(error));
        window.form.Option3->button(0)->click();  // the user retries the port
        QVERIFY(window.port.isOpen());
        QVERIFY(!window.labelRed());
        QCOMPARE(window.readFrequency(), QStringLiteral("000.00 Hz"));
    }

    void deviceVanishesDuringTheReplyWait() {
        Line line;
        Window window(line.link);
        line.drive.setInjection(sim::Injection::LateReply);  // nothing arrives within the wait
        // The request goes out after the 0.1 s pause; the drive vanishes while the reading
        // waits for its receive timer.
        QTimer::singleShot(125, [&] { line.drive.stop(); });
        QCOMPARE(window.readFrequency(), QStringLiteral("无回应"));
        QTRY_VERIFY(window.labelRed());
        QCOMPARE(window.readFrequency(), QStringLiteral("无回应"));
    }

    void deviceVanishesInTimedMode() {
        Line line;
        Window window(line.link);
        window.form.TX[0]->setText(QStringLiteral("01"));
        window.form.Text9->setText(QStringLiteral("50"));
        window.form.Check3->click();
        QTest::qWait(200);
        line.drive.stop();
        QTRY_VERIFY(window.labelRed());
        const int counter = window.form.Cnt;
        QTest::qWait(300);
        // Timed mode goes on logging empty replies; nothing crashes or floods.
        QVERIFY(window.form.Cnt > counter);
        QVERIFY(window.form.Text13->text().contains(QLatin1String("XD:  (")));
        window.form.Check3->click();
        QTRY_VERIFY(!window.form.Timer1->isActive());
        QCOMPARE(window.readFrequency(), QStringLiteral("无回应"));
    }

    void absentAtStartUp() {
        Window window(QStringLiteral("/dev/no-such-serial-device"));
        QVERIFY(!window.port.isOpen());
        QVERIFY(window.labelRed());
        QVERIFY(window.form.portLabels[0]->toolTip().contains(QLatin1String("no-such")));
        QCOMPARE(window.readFrequency(), QStringLiteral("无回应"));
        window.form.Command48_Click();
        QCOMPARE(window.form.resultBoxes[8]->text(), QStringLiteral("无回应"));
    }

    void heldByAnotherProgram() {
        Line line;
        serial::QtSerialPort other(MapTo(line.link));
        QVERIFY(other.open());
        Window window(line.link);
        QVERIFY(window.labelRed());
        QCOMPARE(window.readFrequency(), QStringLiteral("无回应"));
        other.close();
        window.form.Option3->button(0)->click();
        QVERIFY(!window.labelRed());
        QCOMPARE(window.readFrequency(), QStringLiteral("000.00 Hz"));
    }

    void counterWrapsWithCorrectLogLines() {
        Line line;
        Window window(line.link);
        window.form.Cnt = 32766;
        window.readFrequency();
        QVERIFY(window.form.Text13->text().startsWith(QLatin1String("[32766] RXD:  ( ")));
        window.readFrequency();
        QVERIFY(window.form.Text11->text().startsWith(QLatin1String("[32767] TXD:  ( ")));
        QVERIFY(window.form.Text13->text().startsWith(QLatin1String("[32767] RXD:  ( ")));
        window.readFrequency();
        QVERIFY(window.form.Text11->text().startsWith(QLatin1String("[00000] TXD:  ( ")));
        QCOMPARE(window.form.Cnt, 1);
    }
};

QTEST_MAIN(TestPortFaults)
#include "tst_port_faults.moc"
