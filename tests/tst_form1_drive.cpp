// The one-button drive operations in the window, against a scripted port. Request frames and
// reply checks were computed with a separate CRC/LRC generator.
#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "fake_serial_port.h"
#include "window/cell_edit.h"
#include "window/form1.h"

namespace {

QByteArray Hex(const char* text) {
    return QByteArray::fromHex(QByteArray(text));
}

struct Harness {
    FakeSerialPort port;
    Form1 window{port, {"", "", "", ""}};
    explicit Harness(int format = 3) {
        window.Form_Load();
        window.Option1->button(format)->click();
        port.written.clear();
    }
    void setCellsForTimedMode() { window.TX[0]->setText(QStringLiteral("01")); }
    QPushButton* button(const char* name) { return window.findChild<QPushButton*>(name); }
    QString press(const char* buttonName, const char* resultBox) {
        button(buttonName)->click();
        return window.findChild<QLineEdit*>(QLatin1String(resultBox))->text();
    }
};

}  // namespace

class TestForm1Drive : public QObject {
    Q_OBJECT
  private slots:
    void controlCommandsSendTheirRequest_data() {
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QByteArray>("request");
        QTest::newRow("start RTU") << 3 << "Command24(4)" << Hex("0103010131 88");
        QTest::newRow("start ASCII") << 0 << "Command24(4)" << QByteArray(":01030101FA\r\n");
        QTest::newRow("stop RTU") << 3 << "Command25(5)" << Hex("01030108F18E");
        QTest::newRow("stop ASCII") << 2 << "Command25(5)" << QByteArray(":01030108F3\r\n");
        QTest::newRow("set frequency 50") << 4 << "Command21(1)" << Hex("0105021388B59A");
        QTest::newRow("set frequency ASCII")
            << 1 << "Command21(1)" << QByteArray(":01050213885D\r\n");
        QTest::newRow("set function 12 = 300") << 5 << "Command23(3)" << Hex("0102030C012CB800");
        QTest::newRow("set function ASCII")
            << 0 << "Command23(3)" << QByteArray(":0102030C012CC1\r\n");
    }
    void controlCommandsSendTheirRequest() {
        QFETCH(int, format);
        QFETCH(QString, button);
        QFETCH(QByteArray, request);
        Harness h(format);
        h.window.Text6->setText(QStringLiteral("50"));
        h.window.Text12->setText(QStringLiteral("12"));
        h.window.Text8->setText(QStringLiteral("300"));
        h.window.findChild<QPushButton*>(button)->click();
        QCOMPARE(h.port.written.toHex(' '), request.toHex(' '));
        for (const QByteArray& write : h.port.writes) QCOMPARE(write.size(), 1);
        QVERIFY(h.window.Timer1->isActive());
    }

    void setFrequencyFillsTheFields() {
        Harness h;
        h.window.Text6->setText(QStringLiteral("50"));
        h.window.Command21_Click();
        QCOMPARE(h.window.Text4->text(), QStringLiteral("19"));
        QCOMPARE(h.window.Text5[0]->text(), QStringLiteral("136"));
        h.window.Text6->setText(QStringLiteral("-1"));
        h.window.Command21_Click();
        QCOMPARE(h.window.Text4->text(), QStringLiteral("-1"));
        QCOMPARE(h.window.Text5[0]->text(), QStringLiteral("-100"));
        h.window.Text6->setText(QStringLiteral("-1E300"));  // limited, never a crash
        h.window.Command21_Click();
        QVERIFY(!h.window.Text4->text().isEmpty());
    }

    void stopGoesToTheInverterAddress() {
        Harness h;
        h.window.Text1->setText(QStringLiteral("5"));
        h.window.Text24->setText(QStringLiteral("1"));
        h.window.Command25_Click();
        QCOMPARE(h.window.Text1->text(), QStringLiteral("1"));
        QCOMPARE(h.port.written.toHex(' '), Hex("01030108F18E").toHex(' '));
    }

    void readingsShowTheDecodedReply_data() {
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("shown");
        QTest::newRow("parameter RTU")
            << 3 << "Command22(2)"
            << "Text23" << Hex("0101010591 8B") << Hex("010103 0501F4 2C58") << "500";
        QTest::newRow("parameter ASCII") << 0 << "Command22(2)"
                                         << "Text23" << QByteArray(":01010105F8\r\n")
                                         << QByteArray(":0101030501F401\r\n") << "500";
        QTest::newRow("set frequency reading RTU")
            << 3 << "Command26(6)"
            << "Text14" << Hex("0104010041 89") << Hex("010403 0012C5 3CBD") << "048.05 Hz";
        QTest::newRow("output frequency ASCII") << 0 << "Command27(7)"
                                                << "Text15" << QByteArray(":01040101F9\r\n")
                                                << QByteArray(":0104030112F5xx\r\n") << "048.53 Hz";
        QTest::newRow("fault code RTU")
            << 3 << "Command48(13)"
            << "Text22" << Hex("010401 08404F") << Hex("010403 080500 72DC") << "E.OC.A";
        QTest::newRow("fault code ASCII none") << 1 << "Command48(13)"
                                               << "Text22" << QByteArray(":01040108F2\r\n")
                                               << QByteArray(":010403080000EF\r\n") << "NO ERROR";
        QTest::newRow("no reply") << 3 << "Command28(8)"
                                  << "Text16" << Hex("01040102C048") << QByteArray() << "无回应";
        QTest::newRow("one byte is no reply")
            << 0 << "Command45(12)"
            << "Text21" << QByteArray(":01040107F3\r\n") << QByteArray(":") << "无回应";
    }
    void readingsShowTheDecodedReply() {
        QFETCH(int, format);
        QFETCH(QString, button);
        QFETCH(QString, box);
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, reply);
        QFETCH(QString, shown);
        Harness h(format);
        h.window.Text7->setText(QStringLiteral("5"));
        QByteArray seen;
        h.port.responder = [&](const QByteArray& frame) {
            seen = frame;
            return reply;
        };
        h.window.findChild<QPushButton*>(button)->click();
        QCOMPARE(seen.toHex(' '), request.toHex(' '));
        QCOMPARE(h.window.findChild<QLineEdit*>(box)->text(), shown);
        QVERIFY(h.window.Text11->text().contains("TXD"));
        QVERIFY(h.window.Text13->text().contains("RXD"));
    }

    void eachMonitorButtonAsksForItsItem() {
        const char* buttons[] = {"Command26(6)", "Command27(7)", "Command28(8)",  "Command20(10)",
                                 "Command29(9)", "Command41",    "Command42(11)", "Command45(12)"};
        const char* shown[] = {"000.07 Hz", "000.07 Hz", "000.7 A", "00007 r/min",
                               "000.7 DCV", "000.7 ACV", "00007 P", "000.7 度"};
        Harness h;
        for (int item = 0; item < 8; ++item) {
            h.port.responder = [&](const QByteArray& frame) {
                return QByteArray::fromHex("010403") + frame.mid(3, 1) +
                       QByteArray::fromHex("0007AAAA");
            };
            h.port.written.clear();
            h.window.findChild<QPushButton*>(buttons[item])->click();
            QCOMPARE(int(h.port.written.at(3)), item);
            QCOMPARE(h.window.resultBoxes[item]->text(), QString::fromUtf8(shown[item]));
        }
    }

    void secondQuickCommandDuringAWaitIsIgnored() {
        Harness h;
        int requests = 0;
        h.port.responder = [&](const QByteArray&) {
            ++requests;
            return Hex("010403 0012C5 3CBD");
        };
        // Click the temperature button while the frequency reading waits for its reply.
        QTimer::singleShot(10, h.button("Command45(12)"), &QPushButton::click);
        h.button("Command26(6)")->click();
        QCOMPARE(requests, 1);
        QCOMPARE(h.window.resultBoxes[0]->text(), QStringLiteral("048.05 Hz"));
        QVERIFY(h.window.resultBoxes[7]->text().isEmpty());
        // Once the wait is over the other button works again.
        h.button("Command45(12)")->click();
        QCOMPARE(requests, 2);
    }

    void readingInFastTimedModeStillReturns() {
        Harness h;
        h.port.responder = [](const QByteArray&) { return Hex("010403 0012C5 3CBD"); };
        h.setCellsForTimedMode();
        h.window.Text9->setText(QStringLiteral("50"));
        h.window.Check3->click();
        QTest::qWait(120);  // periodic exchanges in flight
        h.button("Command26(6)")->click();
        QCOMPARE(h.window.resultBoxes[0]->text(), QStringLiteral("048.05 Hz"));
        h.window.Check3->click();
    }

    void timedModeOnlyRecomposes() {
        Harness h;
        h.window.Text9->setText(QStringLiteral("100000"));
        h.window.Check3->click();
        h.port.arrive(Hex("010403 0012C5 3CBD"));
        h.window.Timer1_Timer();  // an earlier periodic exchange left its reply in the grid
        h.port.written.clear();
        h.button("Command27(7)")->click();
        QVERIFY(h.port.written.isEmpty());
        QCOMPARE(h.window.TX[3]->text(), QStringLiteral("01"));
        QCOMPARE(h.window.resultBoxes[1]->text(), QStringLiteral("048.05 Hz"));
        h.window.Timer2_Timer();
        QCOMPARE(h.port.written.toHex(' '), Hex("0104010180 49").toHex(' '));
        h.window.Check3->click();
    }
};

QTEST_MAIN(TestForm1Drive)
#include "tst_form1_drive.moc"
