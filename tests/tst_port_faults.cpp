// Faults of the port over real pseudo-terminals, as the window shows them: the device vanishes
// and comes back, the port is held by another program. (Each reason a port cannot open is
// tst_qt_serial_port's.)
#include <QAbstractButton>
#include <QButtonGroup>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "history_dump.h"
#include "pty_pair.h"
#include "serial/qt_serial_port.h"
#include "sim/drive_server.h"
#include "window/main/cell_edit.h"
#include "window/main/main_window.h"

namespace {

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
    MainWindow form;
    explicit Window(const QString& device) : port(MapTo(device)), form(port, {device, "", "", ""}) {
        form.load();
    }
    bool labelRed() const {
        return form.portLabels[0]->styleSheet().contains(QLatin1String("red"));
    }
    // The output frequency once its reply is in; "未发送" when the port was closed.
    QString readFrequency() {
        form.onReadingClicked(1);
        if (!QTest::qWaitFor([this] { return !form.result(1).busy(); }, 5000))
            return QStringLiteral("(still waiting)");
        return form.readingBoxes[1]->text();
    }
    // A good reading of the drive's 0 Hz, or what went over the line instead.
    void expectZeroHertz() {
        const QString shown = readFrequency();
        QVERIFY2(shown == QStringLiteral("000.00 Hz"),
                 qPrintable(shown + HistoryDump(form.exchangeCore().history())));
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
        // Room for a busy machine: the good readings must not come after their window.
        window.form.setReplyTimeout(500);
        QVERIFY(window.port.isOpen());
        window.expectZeroHertz();
        if (QTest::currentTestFailed()) return;

        warnings = 0;
        const QtMessageHandler previous = qInstallMessageHandler(CountWarnings);
        line.drive.stop();
        // The first request may still go out before the port sees the device gone; once it has,
        // nothing goes out, and the box says so rather than blame the drive.
        const QString first = window.readFrequency();
        QVERIFY2(first == QStringLiteral("无回应") || first == QStringLiteral("未发送"),
                 qPrintable(first));
        QTRY_VERIFY(window.labelRed());
        QCOMPARE(window.readFrequency(), QStringLiteral("未发送"));
        QVERIFY(!window.port.isOpen());
        QTest::qWait(1500);  // a retry or two while the device is away
        qInstallMessageHandler(previous);
        QVERIFY2(warnings < 5, qPrintable(QString::number(warnings)));  // no flood of errors
        QVERIFY(window.labelRed());
        QVERIFY2(window.form.portLabels[0]->toolTip().contains(QStringLiteral("device removed")),
                 qPrintable(window.form.portLabels[0]->toolTip()));

        // The device comes back behind the same name; the port follows without a click.
        QString path, error;
        QVERIFY2(line.drive.reopen(&path, &error), qPrintable(error));
        QTRY_VERIFY_WITH_TIMEOUT(!window.labelRed(), 3000);
        QVERIFY(window.port.isOpen());
        QCOMPARE(window.form.portLabels[0]->toolTip(), line.link);
        window.expectZeroHertz();
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
        QCOMPARE(window.readFrequency(), QStringLiteral("未发送"));
    }

    void heldByAnotherProgram() {
        Line line;
        serial::QtSerialPort other(MapTo(line.link));
        QVERIFY(other.open());
        Window window(line.link);
        QVERIFY(window.labelRed());
        QVERIFY(window.form.portLabels[0]->toolTip().contains(QLatin1String("busy")));
        QCOMPARE(window.readFrequency(), QStringLiteral("未发送"));
        QVERIFY(window.form.readingBoxes[1]->toolTip().contains(QLatin1String("busy")));
        other.close();
        QTRY_VERIFY_WITH_TIMEOUT(!window.labelRed(), 3000);
        window.expectZeroHertz();
    }
};

QTEST_MAIN(TestPortFaults)
#include "tst_port_faults.moc"
