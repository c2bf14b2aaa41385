// The window on a scripted port: start-up, port settings, the quick commands' requests, what
// readings and the log show for each kind of reply, and timed mode. Frames and their checks were
// computed with a separate CRC/LRC routine.
#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QtTest>

#include "bytes.h"

#include "exchange/exchange_text.h"
#include "exchange/history_format.h"
#include "fake_serial_port.h"
#include "window/history/history_model.h"
#include "window/history/history_window.h"
#include "window/main/cell_edit.h"
#include "window/main/main_window.h"

namespace {

constexpr int kAscii = 0;
constexpr int kRtu = 3;

struct Harness {
    FakeSerialPort port;
    MainWindow window{port, {"/dev/ttyUSB0", "/dev/ttyS0", "", ""}};
    explicit Harness(int format = kRtu) {
        window.load();
        window.formatGroup->button(format)->click();
        port.events.clear();
        port.written.clear();
    }
    std::array<QString, kCellCount> cellTexts() const {
        std::array<QString, kCellCount> texts;
        for (int i = 0; i < kCellCount; ++i) texts[i] = window.byteCells[i]->text();
        return texts;
    }
    template <typename T = QWidget>
    T* named(const QString& name) {
        return window.findChild<T*>(name);
    }
    bool settle() {
        return QTest::qWaitFor([this] { return window.exchangeCore().idle(); }, 2000);
    }
    // A click, and the exchange it started through to its reply on screen.
    bool press(const QString& button) {
        named<QAbstractButton>(button)->click();
        return settle() && QTest::qWaitFor(
                               [this] {
                                   for (int r = 0; r < kResultCount; ++r)
                                       if (window.result(r).busy()) return false;
                                   return true;
                               },
                               2000);
    }
};

}  // namespace

class TestWindow : public QObject {
    Q_OBJECT
  private slots:
    void startUp() {
        FakeSerialPort port;
        MainWindow window{port, {"", "", "", ""}};
        window.load();
        QCOMPARE(port.events, (QStringList{"open 1 9600,n,8,1", "close", "open 1 9600,n,8,1"}));
        QCOMPARE(window.inverterAddress->text(), QStringLiteral("1"));
        QCOMPARE(window.windowTitle(), QStringLiteral("MODBUS 调试程序 --- 奥凡变频"));
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QCOMPARE(QApplication::focusWidget(), window.sendButton);
    }

    // Each quick command's request, exactly its own fields: data boxes left filled by an earlier
    // request (hidden or not) add nothing. The highest entries go out exactly as typed.
    void quickCommandRequests_data() {
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("entry");  // "box=text" typed before the click
        QTest::addColumn<QByteArray>("request");
        // clang-format off
        QTest::newRow("start RTU") << kRtu << "Command24(4)" << "" << Hex("0103010131 88");
        QTest::newRow("stop ASCII") << kAscii << "Command25(5)" << "" << AsciiLine(":01030108F3");
        QTest::newRow("set frequency 50") << kRtu << "Command21(1)" << "" << Hex("0105021388B59A");
        QTest::newRow("set function 12 = 300") << 5 << "Command23(3)" << "" << Hex("0102030C012CB800");
        QTest::newRow("read parameter 5") << kRtu << "Command22(2)" << "" << Hex("01010105918B");
        QTest::newRow("fault code ASCII") << kAscii << "Command48(13)" << "" << AsciiLine(":01040108F2");
        QTest::newRow("value 65535") << kRtu << "Command23(3)" << "Text8=65535" << Hex("0102030CFFFFB9FD");
        QTest::newRow("address 247") << kRtu << "Command27(7)" << "Text24=247" << Hex("F7040101B3C1");
        // clang-format on
    }
    void quickCommandRequests() {
        QFETCH(int, format);
        QFETCH(QString, button);
        QFETCH(QString, entry);
        QFETCH(QByteArray, request);
        Harness h(format);
        h.window.addressField->setText(QStringLiteral("5"));  // a stop must not go to address 5
        h.window.lengthField->setText(QStringLiteral("7"));
        for (QLineEdit* data : h.window.dataFields) data->setText(QStringLiteral("2"));
        h.window.frequencyEntry->setText(QStringLiteral("50"));
        h.window.readParameterNumber->setText(QStringLiteral("5"));
        h.window.writeParameterNumber->setText(QStringLiteral("12"));
        h.window.writeParameterValue->setText(QStringLiteral("300"));
        if (!entry.isEmpty())
            h.named<QLineEdit>(entry.section('=', 0, 0))->setText(entry.section('=', 1));
        QVERIFY(h.press(button));
        QCOMPARE(h.port.written.toHex(' '), request.toHex(' '));
    }

    // An entry the request could not carry unchanged sends nothing and marks its box until it is
    // corrected; the log and the field boxes stay as they were.
    void refusedEntriesSendNothing_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("text");
        // clang-format off
        QTest::newRow("frequency above 642.55") << "Command21(1)" << "Text6" << "642.56";
        QTest::newRow("value with a fraction") << "Command23(3)" << "Text8" << "1.5";
        QTest::newRow("parameter above 250") << "Command22(2)" << "Text7" << "251";
        QTest::newRow("address pasted as a frame") << "Command27(7)" << "Text24" << "3A 30 31 0D";
        // clang-format on
    }
    void refusedEntriesSendNothing() {
        QFETCH(QString, button);
        QFETCH(QString, box);
        QFETCH(QString, text);
        Harness h;
        h.window.frequencyEntry->setText(QStringLiteral("50"));
        h.window.readParameterNumber->setText(QStringLiteral("5"));
        h.window.writeParameterNumber->setText(QStringLiteral("12"));
        h.window.writeParameterValue->setText(QStringLiteral("300"));
        auto* entry = h.named<QLineEdit>(box);
        entry->setText(text);
        h.window.addressField->setText(QStringLiteral("9"));
        QVERIFY(h.press(button));
        QVERIFY(h.port.written.isEmpty());
        QVERIFY(h.window.logLines[2]->text().isEmpty());
        QCOMPARE(h.window.addressField->text(), QStringLiteral("9"));
        QVERIFY(entry->styleSheet().contains("border"));
        QVERIFY(!entry->toolTip().isEmpty());
        // Corrected, the box looks as before and the command goes out.
        entry->setText(box == "Text6" ? "50" : box == "Text8" ? "300" : box == "Text7" ? "5" : "1");
        QVERIFY(entry->styleSheet().isEmpty() && entry->toolTip().isEmpty());
        QVERIFY(h.press(button));
        QVERIFY(!h.port.written.isEmpty());
    }

    // Tab enters an option group at its selected button and the arrows move within it; a port's
    // caption selects it like its circle. The port opens again with the new selections.
    void keyboardAndCaptionsReachTheSelection() {
        Harness h;
        h.window.show();
        QVERIFY(QTest::qWaitForWindowActive(&h.window));
        h.named<QAbstractButton>("Option2(3)")->click();
        h.window.exitButton->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Option2(3)"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Option2(2)"));
        QVERIFY(h.window.baudGroup->button(2)->isChecked());
        h.port.events.clear();
        QTest::mouseClick(h.window.portLabels[2], Qt::LeftButton);
        QVERIFY(h.window.portGroup->button(2)->isChecked());
        QCOMPARE(h.port.events.last(), QStringLiteral("open 3 19200,n,8,1"));
    }

    // A new interval typed while timed mode runs applies from the next tick, or at once where it
    // comes sooner: a long one typed by mistake and corrected never stalls the ticks. What cannot
    // be an interval is marked and leaves the running one as it is.
    void timedModeFollowsTheIntervalBox() {
        Harness h;
        int ticks = 0;
        QObject::connect(h.window.timedSendTimer, &QTimer::timeout, [&] { ++ticks; });
        h.window.intervalBox->setText(QStringLiteral("200"));
        h.window.timedModeBox->click();
        h.window.intervalBox->setText(QStringLiteral("6"));  // on the way to 60: not an interval
        QVERIFY(h.window.intervalBox->styleSheet().contains("border"));
        QCOMPARE(h.window.timedSendTimer->interval(), 200);
        h.window.intervalBox->setText(QStringLiteral("600000"));
        QTest::qWait(300);
        QCOMPARE(ticks, 1);  // the 200 ms tick came; the next one waits ten minutes
        h.window.intervalBox->setText(QStringLiteral("100"));
        QVERIFY(h.window.intervalBox->styleSheet().isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(ticks >= 3, 1000);
        QCOMPARE(h.window.timedSendTimer->interval(), 100);
        h.window.timedModeBox->click();
        QVERIFY(h.settle());
    }

    // A reading decodes only a good reply to its own request; anything else names what came.
    void readingShowsTheVerdict_data() {
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("shown");
        // clang-format off
        QTest::newRow("parameter RTU") << kRtu << "Command22(2)" << "Text23" << Hex("0101030501F42C58") << "500";
        QTest::newRow("output frequency ASCII") << kAscii << "Command27(7)" << "Text15" << AsciiLine(":0104030112F5F0") << "048.53 Hz";
        QTest::newRow("spoiled check") << kRtu << "Command26(6)" << "Text14" << Hex("0104030012C53C00") << "校验错误";
        QTest::newRow("answer for another item") << kAscii << "Command27(7)" << "Text15" << AsciiLine(":0104030012C521") << "回应不符";
        QTest::newRow("noise") << kRtu << "Command48(13)" << "Text22" << Hex("FF7E3C") << "不完整";
        // clang-format on
    }
    void readingShowsTheVerdict() {
        QFETCH(int, format);
        QFETCH(QString, button);
        QFETCH(QString, box);
        QFETCH(QByteArray, reply);
        QFETCH(QString, shown);
        Harness h(format);
        h.window.readParameterNumber->setText(QStringLiteral("5"));
        h.port.responder = [&](const QByteArray&) { return reply; };
        auto* result = h.named<QLineEdit>(box);
        result->setToolTip(QStringLiteral("left from before"));
        QVERIFY(h.press(button));
        QCOMPARE(result->text(), shown);
        const bool good = !shown.contains(QRegularExpression("[无校回不]"));
        // A good reply clears the tooltip; any other says what was received.
        QCOMPARE(result->toolTip().isEmpty(), good);
        QLineEdit* rxd = h.window.logLines[2];
        QVERIFY(rxd->text().contains("RXD"));
        const bool plain = rxd->palette().color(QPalette::Base) ==
                           h.window.logLines[1]->palette().color(QPalette::Base);
        QCOMPARE(plain, good);
    }

    // The grid follows each reply, and marks the check of a spoiled one until a reply is not
    // spoiled: the next good one, or the same bytes once they are no longer read as RTU.
    void receiveGridFollowsTheReplies() {
        Harness h;
        h.port.responder = [](const QByteArray&) { return Hex("0104030012C53C00"); };
        QVERIFY(h.press("Command26(6)"));
        const QColor normal = h.window.replyCells[0]->palette().color(QPalette::Text);
        for (int i : {6, 7})
            QVERIFY(h.window.replyCells[i]->palette().color(QPalette::Text) != normal);
        for (int i : {5, 8})
            QCOMPARE(h.window.replyCells[i]->palette().color(QPalette::Text), normal);
        h.port.responder = [](const QByteArray&) { return Hex("0104030012C53CBD"); };
        QVERIFY(h.press("Command26(6)"));
        QCOMPARE(h.window.replyCells[7]->palette().color(QPalette::Text), normal);
        h.port.responder = [](const QByteArray&) { return Hex("0104030112C56D7D"); };
        QVERIFY(h.press("Command26(6)"));
        QCOMPARE(h.window.replyCells[3]->text(), QStringLiteral("01"));

        h.port.responder = [](const QByteArray&) { return Hex("0104030012C53C00"); };
        QVERIFY(h.press("Command26(6)"));
        QVERIFY(h.window.replyCells[7]->palette().color(QPalette::Text) != normal);
        h.window.formatGroup->button(kAscii)->click();
        QVERIFY(h.press("Command26(6)"));
        QCOMPARE(h.window.replyCells[7]->palette().color(QPalette::Text), normal);
    }

    // A baud rate chosen while a reply is arriving applies once its exchange has ended: the reply
    // is taken whole at the settings it was sent with.
    void settingsChangeWaitsForTheExchange() {
        Harness h;
        h.port.replyDelayMs = 30;
        h.port.responder = [](const QByteArray&) { return Hex("0104030012C53CBD"); };
        QStringList eventsAtTheClick{"not clicked"};
        QObject::connect(&h.window.exchangeCore(), &exchange::ExchangeCore::recordAdded,
                         [&](const exchange::ExchangeRecord& r) {
                             if (r.direction != exchange::Direction::Sent) return;
                             h.port.events.clear();
                             h.window.baudGroup->button(2)->click();
                             eventsAtTheClick = h.port.events;
                         });
        h.window.readingButtons[0]->click();
        QVERIFY(h.settle());
        QVERIFY(eventsAtTheClick.isEmpty());
        QCOMPARE(h.port.events, (QStringList{"close", "open 1 19200,n,8,1"}));
        QTRY_COMPARE(h.window.readingBoxes[0]->text(), QStringLiteral("048.05 Hz"));
    }

    // The log shows the first 64 bytes of a long reply, and three lines at most.
    void logShowsTheFirst64Bytes() {
        Harness h;
        QByteArray reply;
        for (int i = 0; i < 100; ++i) reply.append(static_cast<char>('A' + i % 26));
        h.port.responder = [&](const QByteArray&) { return reply; };
        h.window.sendButton->click();
        QVERIFY(h.settle());
        QCOMPARE(h.window.logLines[2]->text(),
                 "[00000] RXD:  ( " + QString::fromLatin1(reply.left(64)) + " )");
        QCOMPARE(h.window.logLines[1]->text(), QString::fromUtf8("[00000] TXD:  ( ␀ )"));
        QVERIFY(h.window.logLines[0]->text().isEmpty());
    }

    // An interval is a whole number of milliseconds from 50 up; anything else is refused with a
    // red frame and timed mode does not start.
    void timedModeInterval_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("interval");  // 0: refused
        QTest::newRow("half to even") << "251.5" << 252;
        QTest::newRow("unit after the number") << "300 ms" << 300;
        QTest::newRow("49 is too short") << "49" << 0;
    }
    void timedModeInterval() {
        QFETCH(QString, text);
        QFETCH(int, interval);
        Harness h;
        h.window.intervalBox->setText(text);
        h.window.timedModeBox->click();
        QCOMPARE(h.window.intervalBox->text(), text);
        if (interval == 0) {
            QVERIFY(!h.window.timedModeBox->isChecked());
            QVERIFY(!h.window.timedSendTimer->isActive());
            QVERIFY(h.window.sendButton->isEnabled());
            QVERIFY(h.window.intervalBox->styleSheet().contains("border"));
            QVERIFY(!h.window.intervalBox->toolTip().isEmpty());
            return;
        }
        QCOMPARE(h.window.timedSendTimer->interval(), interval);
        QVERIFY(h.window.intervalBox->styleSheet().isEmpty());
        QVERIFY(!h.window.sendButton->isEnabled());
        h.window.timedModeBox->click();
        QVERIFY(h.window.sendButton->isEnabled());
    }

    // In timed mode a reading waits for the tick that sends its own request and decodes that
    // tick's reply, never the reply to the frame the ticks sent before; the ticks that follow keep
    // its box up to date, and one whose reply gives no value leaves the value greyed.
    void readingInTimedModeWaitsForItsTick() {
        Harness h;
        QByteArray frequency = Hex("0104030112F56D69");
        h.port.responder = [&](const QByteArray& frame) {
            return frame.at(1) == 1 ? Hex("0101030501F42C58") : frequency;
        };
        h.window.readParameterNumber->setText(QStringLiteral("5"));
        QVERIFY(h.press("Command22(2)"));
        QCOMPARE(h.window.parameterValueBox->text(), QStringLiteral("500"));
        h.window.intervalBox->setText(QStringLiteral("50"));
        h.window.timedModeBox->click();
        QTest::qWait(80);  // parameter reads in flight
        h.port.written.clear();
        h.window.readingButtons[1]->click();
        QTRY_COMPARE(h.window.readingBoxes[1]->text(), QStringLiteral("048.53 Hz"));
        QVERIFY(!h.window.result(1).outdated());
        QVERIFY(h.port.written.startsWith(Hex("010401018049")));
        frequency = Hex("0104030112C56D7D");  // 48.05 Hz
        QTRY_COMPARE(h.window.readingBoxes[1]->text(), QStringLiteral("048.05 Hz"));
        frequency = Hex("0104030112C56D00");  // spoiled
        QTRY_VERIFY(h.window.result(1).outdated() && !h.window.result(1).busy());
        QCOMPARE(h.window.readingBoxes[1]->text(), QStringLiteral("048.05 Hz"));
        QVERIFY2(h.window.readingBoxes[1]->toolTip().contains(QStringLiteral("校验错误")),
                 qPrintable(h.window.readingBoxes[1]->toolTip()));
        QCOMPARE(h.window.parameterValueBox->text(), QStringLiteral("500"));
        h.window.timedModeBox->click();
        QVERIFY(h.settle());
    }

    // In timed mode a write or run command goes out once, between two ticks, with its own reply;
    // the cells and the ticks go on with the frame they sent before.
    void writesGoOutOnceInTimedMode() {
        const QByteArray request = Hex("0102030C012CB800");  // function 12 = 300
        Harness h;
        h.window.writeParameterNumber->setText(QStringLiteral("12"));
        h.window.writeParameterValue->setText(QStringLiteral("300"));
        const QByteArray reading = Hex("010401018049");
        // A drive that answers: a silent one's ticks would wait for answers that might still
        // come late.
        h.port.responder = [&](const QByteArray& frame) {
            return frame == reading ? Hex("0104030112C56D7D") : frame;
        };
        QVERIFY(h.press("Command27(7)"));
        h.window.intervalBox->setText(QStringLiteral("60"));
        h.window.timedModeBox->click();
        QTest::qWait(100);
        h.port.frames.clear();
        h.window.writeParameterButton->click();
        QTest::qWait(600);
        h.window.timedModeBox->click();
        QVERIFY(h.settle());
        int commands = 0, ticks = 0;
        for (const QByteArray& frame : h.port.frames) {
            commands += frame == request;
            ticks += frame == reading;
        }
        QCOMPARE(commands, 1);
        QVERIFY2(ticks >= 5, qPrintable(QString::number(ticks)));
        QCOMPARE(int(h.port.frames.size()), commands + ticks);
        QCOMPARE(exchange::BytesToSend(h.cellTexts()), reading);
    }

    // Every press goes out once, in the order pressed, with its own reply in its own box: a start
    // and a stop pressed together leave the drive as the last press says.
    void everyPressGoesOutOnce_data() {
        QTest::addColumn<QStringList>("presses");  // button names, 30 ms apart
        QTest::addColumn<QString>("sent");         // the function byte of each request, in order
        // clang-format off
        QTest::newRow("the same reading twice") << QStringList{"Command27(7)", "Command27(7)"} << "1 1";
        QTest::newRow("four in the order made") << QStringList{"Command26(6)", "Command24(4)", "Command28(8)", "Command25(5)"} << "0 1 2 8";
        // clang-format on
    }
    void everyPressGoesOutOnce() {
        QFETCH(QStringList, presses);
        Harness h;
        QStringList functions;
        // Monitor items 0, 1 and 2 answer 1, 11 and 21.
        const QByteArray answers[] = {Hex("010403000001318E"), Hex("01040301000BE049"),
                                      Hex("0104030200159041")};
        h.port.responder = [&](const QByteArray& frame) {
            functions << QString::number(quint8(frame.at(3)));
            return frame.at(1) == 4 ? answers[quint8(frame.at(3)) % 3] : QByteArray();
        };
        for (int i = 0; i < presses.size(); ++i)
            QTimer::singleShot(30 * i, h.named<QPushButton>(presses[i]), &QPushButton::click);
        QTest::qWait(30 * int(presses.size()));
        QVERIFY(h.settle());
        QTEST(functions.join(' '), "sent");
        // Each reading shows the reply to its own request.
        const QString shown[] = {"000.01 Hz", "000.11 Hz", "002.1 A"};
        for (int reading = 0; reading < 3; ++reading) {
            if (!presses.contains(h.window.readingButtons[std::size_t(reading)]->objectName()))
                continue;
            QTRY_VERIFY(!h.window.result(reading).busy());
            QCOMPARE(h.window.readingBoxes[std::size_t(reading)]->text(), shown[reading]);
        }
    }

    // The history opens from the log and fills as exchanges happen, with every byte. (That its
    // table follows the ring in order, in batches, is tst_history's.)
    void historyFollowsTheExchanges() {
        Harness h;
        h.window.show();
        QTest::mouseDClick(h.window.logLines[1], Qt::LeftButton);
        HistoryWindow* history = h.window.historyWindow();
        QVERIFY(history && history->isVisible());
        history->hide();
        h.window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&h.window));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_H, Qt::ControlModifier);
        QVERIFY(history->isVisible());

        h.port.responder = [](const QByteArray& frame) { return frame + frame; };
        h.window.byteCells[0]->setText(QStringLiteral("00"));  // byte 00, shown as ␀
        h.window.byteCells[1]->setText(QStringLiteral("41"));
        h.window.sendButton->click();
        QVERIFY(h.settle());
        QTRY_COMPARE(history->model->rowCount(), 2);
        history->table->selectRow(1);
        const QStringList fields = history->selectedText().split('\t');
        QCOMPARE(fields.size(), exchange::kHistoryColumns);
        QCOMPARE(fields[int(exchange::HistoryColumn::Hex)], QStringLiteral("00 41 00 41"));
        QCOMPARE(fields[int(exchange::HistoryColumn::Characters)], QString::fromUtf8("␀A␀A"));
    }

    // A press goes out 0.1 s after it was made, and the window takes clicks meanwhile.
    void sendButtonPausesFirst() {
        Harness h;
        QElapsedTimer clock;
        clock.start();
        h.window.sendButton->click();
        QVERIFY(clock.elapsed() < 50);
        QVERIFY(h.port.writes.empty());
        QTRY_COMPARE(h.port.writes.size(), std::size_t(1));
        QVERIFY2(clock.elapsed() >= 100, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(h.settle());
    }
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
