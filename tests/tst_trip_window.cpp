// Catching a trip in the trend window: the snapshot's picture, the trigger armed from the
// window against the simulated drive, and its events.
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

#include "drive/readings.h"
#include "drive_rig.h"
#include "program_environment.h"
#include "window/trend/snapshot_picture.h"
#include "window/trend/trend_window.h"
#include "window/trend/trigger_panel.h"

namespace {

// The snapshot folders in `directory`.
QStringList Snapshots(const QString& directory) {
    return QDir(directory).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
}

// The trend window of the output current on the rig's drive, snapshots going to its folder.
TrendWindow* OpenTrendForTrips(DriveRig& rig, int replyTimeoutMs) {
    rig.window->setReplyTimeout(replyTimeoutMs);
    TrendWindow* trend = rig.window->openTrend({2});
    trend->triggerPanel->folderEdit->setText(rig.dir.filePath(QStringLiteral("trips")));
    return trend;
}

}  // namespace

class TestTripWindow : public QObject {
    Q_OBJECT
  private slots:
    // The picture shows the samples' lines and the moment's mark where it belongs.
    void pictureShowsTheLinesAndTheMoment() {
        trip::SnapshotSpan span;
        span.fromMs = 1'000'000'000'000;
        span.momentMs = span.fromMs + 30000;
        span.toMs = span.momentMs + 10000;
        for (qint64 t = span.fromMs; t <= span.toMs; t += 100)
            span.samples.push_back(
                {t, qint16(t < span.momentMs ? 100 : 300), 2, 1, exchange::Verdict::Good});
        span.channels = {exchange::Channel{1, 2}};
        QImage image;
        QVERIFY(image.loadFromData(SnapshotPicture(span), "PNG"));
        QVERIFY(image.width() >= 800 && image.height() >= 400);
        // The mark: a dark red dashed line; the current's line: its own colour (green).
        int markColumn = -1;
        int lineRows = 0;
        for (int x = 0; x < image.width(); ++x)
            for (int y = 0; y < image.height(); ++y) {
                const QColor c = image.pixelColor(x, y);
                if (c == QColor(0xc0, 0x00, 0x00) && markColumn < 0) markColumn = x;
                if (c == QColor(0x2c, 0xa0, 0x2c)) ++lineRows;
            }
        QVERIFY2(lineRows > 100, qPrintable(QString::number(lineRows)));
        // 30 s of the 40 shown: three quarters across the plot, which leaves room for an axis.
        QVERIFY2(markColumn > image.width() * 6 / 10 && markColumn < image.width() * 8 / 10,
                 qPrintable(QString::number(markColumn)));
    }

    // Armed from the window on the fault code: the drive trips while polled, and the event
    // names a snapshot holding the seconds before and after, the moment marked on the chart.
    void armedWindowCatchesTheTrip() {
        DriveRig rig(kRtu);
        QVERIFY2(rig.ready(), qPrintable(rig.error));
        TrendWindow* trend = OpenTrendForTrips(rig, 1000);
        TriggerPanel* panel = trend->triggerPanel;
        QCOMPARE(panel->kindBox->currentIndex(), 0);  // the fault code turning non-zero
        panel->beforeBox->setValue(2);
        panel->afterBox->setValue(1);
        panel->armButton->click();
        QCOMPARE(panel->stateLabel->text(), QStringLiteral("armed"));
        // Arming ticked the fault code and started polling.
        QVERIFY(trend->readingBoxes[drive::kFaultCodeReadingIndex]->isChecked());
        QVERIFY(rig.window->poller().running());
        QTest::qWait(1500);
        rig.drive.updateModel([](sim::DriveModel& model) { model.setFaultCode(6); });
        QTRY_COMPARE_WITH_TIMEOUT(panel->eventsList->count(), 1, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(
            !panel->eventsList->item(0)->data(Qt::UserRole).toString().isEmpty(), 5000);
        const QString folder = panel->eventsList->item(0)->data(Qt::UserRole).toString();
        QCOMPARE(panel->stateLabel->text(), QStringLiteral("armed"));  // armed again
        const std::vector<qint64> moments = rig.window->tripCapture().moments();
        QCOMPARE(moments.size(), std::size_t(1));
        QFile csv(QDir(folder).filePath(QStringLiteral("samples.csv")));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QStringList rows = QString::fromUtf8(csv.readAll()).split(QStringLiteral("\r\n"));
        QVERIFY(rows.filter(QStringLiteral(",fault-code,6,6,good")).size() >= 1);
        QVERIFY(rows.filter(QStringLiteral(",fault-code,0,0,good")).size() >= 1);
        QImage picture;
        QVERIFY(picture.load(QDir(folder).filePath(QStringLiteral("chart.png"))));
        // Disarmed, the drive's next trip is no event.
        panel->armButton->click();
        QCOMPARE(panel->stateLabel->text(), QStringLiteral("not armed"));
    }

    // While armed, the port going away and coming back are events of their own, and polling
    // resumes by itself.
    void portLostAndBackAreEvents() {
        DriveRig rig(kRtu);
        QVERIFY2(rig.ready(), qPrintable(rig.error));
        TriggerPanel* panel = OpenTrendForTrips(rig, 500)->triggerPanel;
        panel->armButton->click();
        exchange::Poller& poller = rig.window->poller();
        QTRY_VERIFY(poller.count(2, exchange::Verdict::Good) >= 2);
        rig.drive.stop();
        QTRY_COMPARE_WITH_TIMEOUT(panel->eventsList->count(), 1, 5000);
        QVERIFY2(panel->eventsList->item(0)->text().contains(QStringLiteral("lost")),
                 qPrintable(panel->eventsList->item(0)->text()));
        QString path, error;
        QVERIFY2(rig.drive.reopen(&path, &error), qPrintable(error));
        QTRY_COMPARE_WITH_TIMEOUT(panel->eventsList->count(), 2, 5000);
        QVERIFY2(panel->eventsList->item(0)->text().contains(QStringLiteral("back")),
                 qPrintable(panel->eventsList->item(0)->text()));
        const int good = poller.count(2, exchange::Verdict::Good);
        QTRY_VERIFY_WITH_TIMEOUT(poller.count(2, exchange::Verdict::Good) > good + 2, 5000);
        QCOMPARE(rig.window->tripCapture().state(), trip::TripCapture::State::Armed);
        poller.stop();
        QVERIFY(rig.settle());
    }

    // Without a window: the simulated drive trips after 4 s while the program polls it; the
    // one snapshot spans 3 s before to 2 s after the trip and holds the fault code, with one
    // line on standard output. --single ends the program after it; without, it goes on.
    void headlessCapture_data() {
        QTest::addColumn<bool>("single");
        QTest::newRow("single shot") << true;
        QTest::newRow("goes on") << false;
    }
    void headlessCapture() {
        QFETCH(bool, single);
        QTemporaryDir dir;
        sim::DriveServer drive(1);
        drive.setLinkPath(dir.filePath(QStringLiteral("COM1")));
        QString device, error;
        QVERIFY2(drive.startPseudoTerminal(&device, &error), qPrintable(error));
        drive.updateEveryModel([](sim::DriveModel& model) {
            model.setFrequency(5000);
            model.start();
            model.scheduleTrip(4000, 6);
        });
        QProcess program;
        QProcessEnvironment environment = WithoutDisplay();
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        program.setProcessEnvironment(environment);
        const QString snapshots = dir.filePath(QStringLiteral("trips"));
        const QStringList arguments{"--port", "COM1=" + dir.filePath(QStringLiteral("COM1")),
                                    "--snapshots", snapshots, single ? "--single" : "--no-window"};
        program.start(
            QStringLiteral(MODBUS_DEBUGGER),
            arguments + QStringLiteral("--baud 9600 --format rtu-8n1 --reply-timeout 1000 "
                                       "--monitor output-current,output-frequency "
                                       "--trigger fault-code!=0 --before 3 --after 2 "
                                       "--language en")
                            .split(' '));
        if (single) {
            QVERIFY(program.waitForFinished(30000));
            QCOMPARE(program.exitCode(), 0);
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(program.canReadLine(), 30000);
            QTest::qWait(1500);
            QCOMPARE(program.state(), QProcess::Running);
            program.terminate();
            QVERIFY(program.waitForFinished(5000));
        }
        const QStringList lines = QString::fromUtf8(program.readAllStandardOutput())
                                      .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 1);
        QCOMPARE(Snapshots(snapshots).size(), 1);
        const QString folder = QDir(snapshots).filePath(Snapshots(snapshots).first());
        QVERIFY2(lines.first().contains(QDir::toNativeSeparators(folder)),
                 qPrintable(lines.first()));
        QFile csv(QDir(folder).filePath(QStringLiteral("samples.csv")));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QStringList rows = QString::fromUtf8(csv.readAll()).split(QStringLiteral("\r\n"));
        rows.removeAll(QString());
        rows.removeFirst();
        qint64 moment = 0;
        double highestCurrent = 0;
        for (const QString& row : rows) {
            const QStringList fields = row.split(QLatin1Char(','));
            if (!moment && fields[2] == QLatin1String("fault-code") && fields[3] == "6")
                moment = fields[0].toLongLong();
            if (fields[2] == QLatin1String("output-current"))
                highestCurrent = std::max(highestCurrent, fields[4].toDouble());
        }
        QVERIFY(moment > 0);
        const qint64 first = rows.first().section(',', 0, 0).toLongLong();
        const qint64 last = rows.last().section(',', 0, 0).toLongLong();
        // Well into both sides of the span (a busy machine may leave half a second between two
        // polls; that the span is waited for in full is tst_trip's to check).
        const QString span = QStringLiteral("moment %1: %2 .. %3").arg(moment).arg(first).arg(last);
        QVERIFY2(first >= moment - 3000 && first < moment - 2000, qPrintable(span));
        QVERIFY2(last <= moment + 2000 && last > moment + 1000, qPrintable(span));
        // The current climbed before the trip (8.5 A steady at 50 Hz, three times that at the
        // trip; a slow machine's last poll before it may come early in the climb).
        QVERIFY2(highestCurrent > 9, qPrintable(QString::number(highestCurrent)));
        QVERIFY(QFileInfo(QDir(folder).filePath(QStringLiteral("chart.png"))).size() > 1000);
    }
};

QTEST_MAIN(TestTripWindow)
#include "tst_trip_window.moc"
