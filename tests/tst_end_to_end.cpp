// The whole path: the window offscreen, its serial port on a real pseudo-terminal, and the
// simulated drive answering at the far end. The drive runs on a stepped clock, so every reading
// the window shows can be checked against the drive model's own numbers.
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "drive_rig.h"

namespace {

// How a result box shows a raw monitor reading, written out here rather than taken from the
// program's own formatting: the item's scale, at least three integer digits for the scaled
// quantities, five digits for the plain counts, then the unit.
QString Shown(int item, int raw) {
    switch (item) {
        case sim::kItemSetFrequency:
        case sim::kItemOutputFrequency:
            return QString::asprintf("%06.2f Hz", raw / 100.0);
        case sim::kItemOutputCurrent:
            return QString::asprintf("%05.1f A", raw / 10.0);
        case sim::kItemSpeed:
            return QString::asprintf("%05d r/min", raw);
        case sim::kItemBusVoltage:
            return QString::asprintf("%05.1f DCV", raw / 10.0);
        case sim::kItemOutputVoltage:
            return QString::asprintf("%05.1f ACV", raw / 10.0);
        case sim::kItemCounter:
            return QString::asprintf("%05d P", raw);
        case sim::kItemTemperature:
            return QString::asprintf("%05.1f ", raw / 10.0) + QString::fromUtf8("度");
    }
    return QStringLiteral("no such item");
}

struct Rig : DriveRig {
    using DriveRig::DriveRig;

    // The reading buttons by monitor item; the fault-code button reads item 8.
    std::array<QPushButton*, sim::kMonitorItemCount> readingButtons() const {
        return {window->Command26, window->Command27, window->Command28,
                window->Command20, window->Command29, window->Command41,
                window->Command42, window->Command45, window->Command48};
    }
    QString reading(int item) {
        readingButtons()[static_cast<std::size_t>(item)]->click();
        return window->resultBoxes[static_cast<std::size_t>(item)]->text();
    }
    QString modelShows(int item) const { return Shown(item, drive.model().monitor(item)); }
    QString parameter(const QString& number) {
        window->Text7->setText(number);
        window->Command22->click();
        return window->Text23->text();
    }

    // Presses a control button, which does not wait for its reply, and waits for the receive
    // action; true when the drive took exactly one request and acknowledged it with its echo.
    bool control(QPushButton* button) {
        const int before = drive.requestsSeen();
        button->click();
        if (!QTest::qWaitFor([&] { return !window->Timer1->isActive(); }, 2000)) return false;
        return drive.requestsSeen() == before + 1 && !received().isEmpty() && received() == sent();
    }
};

}  // namespace

class TestEndToEnd : public QObject {
    Q_OBJECT
  private slots:
    void everyReadingShowsWhatTheDriveHolds_data() { AddFramingRows(); }
    // A drive part-way up its ramp: output below set frequency, accelerating current, the
    // counter and the heat sink moving, so no two readings could be mistaken for each other.
    void everyReadingShowsWhatTheDriveHolds() {
        QFETCH(int, format);
        Rig rig(format);
        QVERIFY2(rig.ready(), qPrintable(rig.error + rig.port->errorText()));
        rig.drive.updateModel([](sim::DriveModel& model) {
            model.setFrequency(4805);
            model.start();
            model.setParameter(9, 0xBEEF);
        });
        rig.drive.advance(3337);
        const sim::DriveModel model = rig.drive.model();
        QCOMPARE(model.monitor(sim::kItemOutputFrequency), 3330);
        QVERIFY(model.monitor(sim::kItemCounter) > 0);

        for (int item = 0; item < sim::kItemFaultCode; ++item)
            QCOMPARE(rig.reading(item), Shown(item, model.monitor(item)));
        QCOMPARE(rig.reading(sim::kItemFaultCode), QStringLiteral("NO ERROR"));
        QCOMPARE(rig.parameter("4"), QString::number(model.parameter(4)));
        // Two data bytes read as a signed 16-bit value.
        QCOMPARE(rig.parameter("9"), QString::number(qint16(0xBEEF)));
        // One request per press, nothing else on the line.
        QCOMPARE(rig.drive.requestsSeen(), sim::kMonitorItemCount + 2);
    }

    void startSetFrequencyAndStopMoveTheReadings_data() { AddFramingRows(); }
    void startSetFrequencyAndStopMoveTheReadings() {
        QFETCH(int, format);
        Rig rig(format);
        QVERIFY(rig.ready());
        const int output = sim::kItemOutputFrequency;

        rig.window->Text6->setText(QStringLiteral("30.5"));
        QVERIFY(rig.control(rig.window->Command21));
        QCOMPARE(rig.drive.model().monitor(sim::kItemSetFrequency), 3050);
        QCOMPARE(rig.reading(sim::kItemSetFrequency), Shown(sim::kItemSetFrequency, 3050));
        rig.drive.advance(1000);
        QCOMPARE(rig.reading(output), Shown(output, 0));  // not started yet

        QVERIFY(rig.control(rig.window->Command24));
        QVERIFY(rig.drive.model().running());
        rig.drive.advance(1000);  // 10 Hz a second
        QCOMPARE(rig.drive.model().monitor(output), 1000);
        QCOMPARE(rig.reading(output), rig.modelShows(output));
        QCOMPARE(rig.reading(sim::kItemSpeed), rig.modelShows(sim::kItemSpeed));
        QCOMPARE(rig.reading(sim::kItemOutputVoltage), rig.modelShows(sim::kItemOutputVoltage));
        rig.drive.advance(5000);
        QCOMPARE(rig.reading(output), Shown(output, 3050));

        QVERIFY(rig.control(rig.window->Command25));
        QVERIFY(!rig.drive.model().running());
        rig.drive.advance(1500);
        QCOMPARE(rig.drive.model().monitor(output), 1550);
        QCOMPARE(rig.reading(output), rig.modelShows(output));
        QCOMPARE(rig.reading(sim::kItemBusVoltage), rig.modelShows(sim::kItemBusVoltage));
        rig.drive.advance(2000);
        QCOMPARE(rig.reading(output), Shown(output, 0));
        QCOMPARE(rig.reading(sim::kItemOutputCurrent), Shown(sim::kItemOutputCurrent, 0));
        QCOMPARE(rig.reading(sim::kItemSetFrequency), Shown(sim::kItemSetFrequency, 3050));
    }

    void writtenParameterReadsBack_data() {
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("value");
        // A value up to 255 goes out as one data byte, a larger one as two.
        QTest::newRow("RTU one byte") << kRtu << "12"
                                      << "100";
        QTest::newRow("RTU two bytes") << kRtu << "200"
                                       << "12345";
        QTest::newRow("ASCII one byte") << kAscii << "7"
                                        << "255";
        QTest::newRow("ASCII two bytes") << kAscii << "250"
                                         << "300";
    }
    void writtenParameterReadsBack() {
        QFETCH(int, format);
        QFETCH(QString, number);
        QFETCH(QString, value);
        Rig rig(format);
        QVERIFY(rig.ready());
        QCOMPARE(rig.parameter(number), QStringLiteral("0"));
        rig.window->Text12->setText(number);
        rig.window->Text8->setText(value);
        QVERIFY(rig.control(rig.window->Command23));
        QCOMPARE(rig.drive.model().parameter(number.toInt()), value.toInt());
        QCOMPARE(rig.parameter(number), value);
    }

    void faultCodeReadsAsItsText_data() {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");
        QTest::newRow("RTU 05h") << kRtu << 0x05 << "E.OC.A";
        QTest::newRow("ASCII 16h") << kAscii << 0x16 << "E.OU.n";
        QTest::newRow("RTU 33h") << kRtu << 0x33 << "E.BT.d";
        QTest::newRow("ASCII 2Fh") << kAscii << 0x2F << "E.LU.d";
        QTest::newRow("ASCII C4h, top bits ignored") << kAscii << 0xC4 << "E.OC.S";
    }
    // The fault trips a running drive; clearing it reads as no error again.
    void faultCodeReadsAsItsText() {
        QFETCH(int, format);
        QFETCH(int, code);
        Rig rig(format);
        QVERIFY(rig.ready());
        rig.drive.updateModel([](sim::DriveModel& model) {
            model.setFrequency(2000);
            model.start();
        });
        rig.drive.advance(1000);
        rig.drive.setFaultCode(code);
        QTEST(rig.reading(sim::kItemFaultCode), "text");
        QCOMPARE(rig.reading(sim::kItemOutputFrequency),
                 Shown(sim::kItemOutputFrequency, 0));  // the output was cut
        rig.drive.setFaultCode(0);
        QCOMPARE(rig.reading(sim::kItemFaultCode), QStringLiteral("NO ERROR"));
    }
};

QTEST_MAIN(TestEndToEnd)
#include "tst_end_to_end.moc"
