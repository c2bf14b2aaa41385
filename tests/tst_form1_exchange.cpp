// The window on a scripted port: start-up, port settings, sending, receiving, the log and timed
// sending.
#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "fake_serial_port.h"
#include "window/cell_edit.h"
#include "window/form1.h"

namespace {

struct Harness {
    FakeSerialPort port;
    Form1 window{port, {"/dev/ttyUSB0", "/dev/ttyS0", "", ""}};
    Harness() { window.Form_Load(); }

    void setCells(const QStringList& texts) {
        for (int i = 0; i < kCellCount; ++i)
            window.TX[i]->setText(i < texts.size() ? texts[i] : QString());
    }
    QStringList log() const {
        return {window.Text10->text(), window.Text11->text(), window.Text13->text()};
    }
    QStringList writeEvents() const { return port.events.filter(QStringLiteral("write")); }
};

}  // namespace

class TestForm1Exchange : public QObject {
    Q_OBJECT
  private slots:
    void startUpOpensThePortTwice() {
        Harness h;
        QCOMPARE(h.port.events, (QStringList{"open 1 9600,n,8,1", "close", "open 1 9600,n,8,1"}));
        QVERIFY(h.port.isOpen());
        QCOMPARE(h.window.Text24->text(), QStringLiteral("1"));
        QCOMPARE(h.window.Text9->text(), QStringLiteral("1000"));
        QVERIFY(h.window.Option1->button(0)->isChecked());
        QVERIFY(h.window.Option2->button(1)->isChecked());
        QVERIFY(h.window.Option3->button(0)->isChecked());
        QVERIFY(!h.window.Timer1->isActive() && !h.window.Timer2->isActive());
        QVERIFY(!h.window.Text23->isEnabled());
        QCOMPARE(h.window.windowTitle(), QStringLiteral("MODBUS 调试程序 --- 奥凡变频"));
    }

    void controlsCarryTheirNames() {
        Harness h;
        for (const char* name : {"TX(0)", "TX(63)", "TXS(5)", "RX(63)", "RXS(0)", "Text5(4)",
                                 "Option1(3)", "Option2(0)", "Option3(3)", "Label3(31)",
                                 "Command2(0)", "Command48(13)", "Command41", "Text24", "Label14"})
            QVERIFY2(h.window.findChild<QWidget*>(QLatin1String(name)), name);
        QCOMPARE(h.window.findChild<QPushButton*>("Command2(0)")->text(),
                 QStringLiteral("发        送"));
        QCOMPARE(h.window.findChild<QAbstractButton*>("Option1(3)")->text(),
                 QStringLiteral(" RTU  8,N,1"));
        QCOMPARE(h.window.findChild<QPushButton*>("Command42(11)")->accessibleName(),
                 QStringLiteral("计 数 器"));
    }

    void focusStartsOnTheSendButton() {
        Harness h;
        h.window.show();
        QVERIFY(QTest::qWaitForWindowActive(&h.window));
        QCOMPARE(QApplication::focusWidget(), h.window.Command2);
    }

    void settingsFollowTheSelections_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("event");
        QTest::newRow("19200") << "Option2(2)"
                               << "open 1 19200,n,8,1";
        QTest::newRow("ASCII,8,O,1 odd") << "Option1(1)"
                                         << "open 1 9600,o,8,1";
        QTest::newRow("ASCII 8,E,1 even") << "Option1(2)"
                                          << "open 1 9600,e,8,1";
        QTest::newRow("RTU 8,N,1 one stop bit") << "Option1(3)"
                                                << "open 1 9600,n,8,1";
        QTest::newRow("RTU 8,O,1 odd") << "Option1(4)"
                                       << "open 1 9600,o,8,1";
        QTest::newRow("RTU 8,E,1 even") << "Option1(5)"
                                        << "open 1 9600,e,8,1";
        QTest::newRow("COM3") << "Option3(2)"
                              << "open 3 9600,n,8,1";
        QTest::newRow("selected COM1 again retries") << "Option3(0)"
                                                     << "open 1 9600,n,8,1";
    }
    void settingsFollowTheSelections() {
        QFETCH(QString, button);
        QFETCH(QString, event);
        Harness h;
        h.port.events.clear();
        h.window.findChild<QAbstractButton*>(button)->click();
        QCOMPARE(h.port.events, (QStringList{"close", event}));
    }

    void settingsDoNotDependOnTheGroupClicked() {
        Harness h;
        h.window.findChild<QAbstractButton*>("Option2(3)")->click();
        h.window.findChild<QAbstractButton*>("Option1(5)")->click();
        QCOMPARE(h.port.events.last(), QStringLiteral("open 1 38400,e,8,1"));
        h.window.findChild<QAbstractButton*>("Option3(1)")->click();
        QCOMPARE(h.port.events.last(), QStringLiteral("open 2 38400,e,8,1"));
    }

    void refusedPortTurnsItsLabelRed() {
        Harness h;
        QCOMPARE(h.window.portLabels[0]->toolTip(), QStringLiteral("/dev/ttyUSB0"));
        h.port.refuseOpen = true;
        h.window.findChild<QAbstractButton*>("Option2(0)")->click();
        QVERIFY(h.window.portLabels[0]->styleSheet().contains("red"));
        QCOMPARE(h.window.portLabels[0]->toolTip(), QStringLiteral("device busy"));
        // Sending on a closed port writes nothing but still logs and collects "nothing".
        h.window.Command2_Click();
        QVERIFY(h.writeEvents().isEmpty());
        h.window.Timer1_Timer();
        QCOMPARE(h.window.Text13->text(), QStringLiteral("[00000] RXD:  (  )"));
        h.port.refuseOpen = false;
        h.window.findChild<QAbstractButton*>("Option2(0)")->click();
        QVERIFY(h.window.portLabels[0]->styleSheet().isEmpty());
    }

    void vanishedDeviceShowsOnItsLabel() {
        Harness h;
        h.port.vanish(QStringLiteral("/dev/ttyUSB0: device removed"));
        QVERIFY(h.window.portLabels[0]->styleSheet().contains("red"));
        QCOMPARE(h.window.portLabels[0]->toolTip(), QStringLiteral("/dev/ttyUSB0: device removed"));
    }

    void sendWritesOneBytePerWriteWithRtsOff() {
        Harness h;
        h.setCells({"01", "03", "00", "01", "00", "01", "D5", "CA"});
        h.port.events.clear();
        h.window.Command2_Click();
        QCOMPARE(h.port.events,
                 (QStringList{"rts off", "write 01", "write 03", "write 00", "write 01", "write 00",
                              "write 01", "write D5", "write CA", "drain", "rts on"}));
        QVERIFY(h.window.Timer1->isActive());
        // Bytes 00 add nothing; D5 and CA show as their Latin Extended-A stand-ins.
        QCOMPARE(h.window.Text13->text(), QString::fromUtf8("[00000] TXD:  ( ␁␃␁␁") + QChar(0x155) +
                                              QChar(0x14A) + QStringLiteral(" )"));
    }

    void sendStopsAtTheFirstEmptyCell_data() {
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<int>("writes");
        QTest::newRow("empty grid sends one 00") << QStringList{} << 1;
        QTest::newRow("gap after cell 3") << QStringList{"01", "02", "03", "04", "", "06"} << 4;
        QStringList full;
        for (int i = 0; i < 64; ++i) full << QStringLiteral("41");
        QTest::newRow("all 64 cells") << full << 64;
    }
    void sendStopsAtTheFirstEmptyCell() {
        QFETCH(QStringList, cells);
        QFETCH(int, writes);
        Harness h;
        h.setCells(cells);
        h.window.Command2_Click();
        QCOMPARE(h.writeEvents().size(), writes);
        for (const QByteArray& write : h.port.writes) QCOMPARE(write.size(), 1);
    }

    void replyFillsTheGridAndSharesTheCounter() {
        Harness h;
        h.port.responder = [](const QByteArray&) {
            return QByteArray::fromHex("0103020064B9AF00");
        };
        h.setCells({"01"});
        h.window.Command2_Click();
        QTRY_VERIFY(!h.window.Timer1->isActive());
        const QStringList expected{"01", "03", "02", "00", "64", "B9", "AF", "00"};
        for (int i = 0; i < 8; ++i) QCOMPARE(h.window.RX[i]->text(), expected[i]);
        QCOMPARE(h.window.RXS[4]->text(), QStringLiteral("d"));
        for (int i = 8; i < 64; ++i) QVERIFY(h.window.RX[i]->text().isEmpty());
        QVERIFY(h.window.Text11->text().startsWith("[00000] TXD:  ( "));
        QVERIFY(h.window.Text13->text().startsWith("[00000] RXD:  ( "));
        QCOMPARE(h.window.Cnt, 1);
        h.window.Command2_Click();
        QVERIFY(h.window.Text13->text().startsWith("[00001] TXD:  ( "));
    }

    void shorterReplyBlanksTheRest() {
        Harness h;
        h.port.arrive(QByteArray(20, 'x'));
        h.window.Timer1_Timer();
        h.port.arrive(QByteArray::fromHex("3A30313033"));
        h.window.Timer1_Timer();
        QCOMPARE(h.window.RXS[0]->text(), QStringLiteral(":"));
        QCOMPARE(h.window.RX[4]->text(), QStringLiteral("33"));
        for (int i = 5; i < 64; ++i)
            QVERIFY(h.window.RX[i]->text().isEmpty() && h.window.RXS[i]->text().isEmpty());
        QCOMPARE(h.window.Text13->text(), QStringLiteral("[00001] RXD:  ( :0103 )"));
        h.window.Timer1_Timer();
        for (int i = 0; i < 64; ++i) QVERIFY(h.window.RX[i]->text().isEmpty());
        QCOMPARE(h.window.Text13->text(), QStringLiteral("[00002] RXD:  (  )"));
    }

    void moreThan64BytesShowsTheFirst64() {
        Harness h;
        QByteArray reply;
        for (int i = 0; i < 100; ++i) reply.append(static_cast<char>('A' + i % 26));
        h.port.arrive(reply);
        h.window.Timer1_Timer();
        QCOMPARE(h.window.RX[63]->text(), QStringLiteral("4C"));
        QCOMPARE(h.window.Text13->text(),
                 "[00000] RXD:  ( " + QString::fromLatin1(reply.left(64)) + " )");
        QCOMPARE(h.port.pendingInputCount(), 0);
    }

    void logKeepsTheNewestThreeLines() {
        Harness h;
        for (int i = 0; i < 4; ++i) h.window.Timer1_Timer();
        QCOMPARE(h.log(),
                 (QStringList{"[00001] RXD:  (  )", "[00002] RXD:  (  )", "[00003] RXD:  (  )"}));
    }

    void counterWrapsAfter32767() {
        Harness h;
        h.window.Cnt = 32767;
        h.window.Timer1_Timer();
        QCOMPARE(h.window.Text13->text(), QStringLiteral("[32767] RXD:  (  )"));
        QCOMPARE(h.window.Cnt, 0);
    }

    void timedModeSendsEachInterval() {
        Harness h;
        h.port.responder = [](const QByteArray& frame) { return frame; };
        h.setCells({"01", "03", "00", "01"});
        h.window.Text9->setText(QStringLiteral("60"));
        h.window.Check3->click();
        QVERIFY(!h.window.Command2->isEnabled());
        QCOMPARE(h.window.Timer2->interval(), 60);
        QTRY_VERIFY_WITH_TIMEOUT(h.port.writes.size() >= 12, 2000);
        h.window.Check3->click();
        QVERIFY(h.window.Command2->isEnabled());
        QVERIFY(!h.window.Timer2->isActive());
        QTRY_VERIFY(!h.window.Timer1->isActive());
        // Every tick is followed by its reply line with the same counter, even at short
        // intervals; timed sends neither pause nor switch RTS.
        QVERIFY(h.port.events.filter("rts").isEmpty());
        const QStringList log = h.log();
        QVERIFY2(log[2].contains("RXD") && log[1].contains("TXD"), qPrintable(log.join('\n')));
        QCOMPARE(log[1].left(7), log[2].left(7));
    }

    void timedModeSilencesTheSendButton() {
        Harness h;
        h.window.Check3->click();
        h.window.Command2_Click();
        QVERIFY(h.writeEvents().isEmpty());
        QVERIFY(!h.window.Timer1->isActive());
        QVERIFY(h.window.Text13->text().isEmpty());
        h.window.Check3->click();
    }

    void timedIntervalReadsText9_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("interval");
        QTest::addColumn<QString>("shown");
        QTest::newRow("1000") << "1000" << 1000 << "1000";
        QTest::newRow("below 50") << "20" << 50 << "50";
        QTest::newRow("empty") << "" << 50 << "50";
        QTest::newRow("letters") << "abc" << 50 << "50";
        QTest::newRow("half to even down") << "250.5" << 250 << "250.5";
        QTest::newRow("half to even up") << "251.5" << 252 << "251.5";
        QTest::newRow("unit after number") << "300ms" << 300 << "300ms";
        QTest::newRow("one hour") << "3600000" << 3600000 << "3600000";
    }
    void timedIntervalReadsText9() {
        QFETCH(QString, text);
        QFETCH(int, interval);
        QFETCH(QString, shown);
        Harness h;
        h.window.Text9->setText(text);
        h.window.Check3->click();
        QCOMPARE(h.window.Timer2->interval(), interval);
        QCOMPARE(h.window.Text9->text(), shown);
        h.window.Check3->click();
    }

    void exitButtonRunsTheExitAction() {
        Harness h;
        bool exited = false;
        h.window.setExitAction([&] { exited = true; });
        h.window.Command1->click();
        QVERIFY(exited);
        QVERIFY(h.port.events.last() != QStringLiteral("close"));
    }
};

QTEST_MAIN(TestForm1Exchange)
#include "tst_form1_exchange.moc"
