// Editing a request in the window: field limits and visibility, the two cell mirror rules,
// focus movement along the rows, and composing into the send cells.
#include <QAbstractButton>
#include <QButtonGroup>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "fake_serial_port.h"
#include "window/main/cell_edit.h"
#include "window/main/main_window.h"

namespace {

struct Harness {
    FakeSerialPort port;
    MainWindow window{port, {"", "", "", ""}};
    Harness() {
        window.load();
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }
    QLineEdit* box(const QString& name) { return window.findChild<QLineEdit*>(name); }
    QString byteRow(int count) const {
        QStringList cells;
        for (int i = 0; i < count; ++i) cells << window.byteCells[i]->text();
        return cells.join(' ');
    }
    bool emptyFrom(int first) const {
        for (int i = first; i < kCellCount; ++i)
            if (!window.byteCells[i]->text().isEmpty() || !window.charCells[i]->text().isEmpty())
                return false;
        return true;
    }
    // Keys go where the focus is, as they would from the keyboard.
    static void type(const QString& text) {
        for (QChar ch : text) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
            QApplication::sendEvent(QApplication::focusWidget(), &press);
        }
    }
    void compose(const QString& address, const QString& command, const QString& length,
                 const QString& function, const QStringList& data, int format) {
        window.formatGroup->button(format)->setChecked(true);
        window.addressField->setText(address);
        window.commandField->setText(command);
        window.lengthField->setText(length);
        window.functionField->setText(function);
        for (int i = 0; i < 5; ++i) window.dataFields[i]->setText(i < data.size() ? data[i] : "");
        window.composeRequest();
    }
};

}  // namespace

class TestWindowEditing : public QObject {
    Q_OBJECT
  private slots:
    void boxesKeepTheirUpperLimits_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        // clang-format off
        QTest::newRow("address 251") << "Text1" << "251" << "250";
        QTest::newRow("address cut to 3 chars") << "Text1" << "1234" << "123";
        QTest::newRow("length 21") << "Text3" << "21" << "20";
        QTest::newRow("data 70000") << "Text5(0)" << "70000" << "65535";
        QTest::newRow("12ab is 12, kept") << "Text1" << "12ab" << "12a";
        // clang-format on
    }
    void boxesKeepTheirUpperLimits() {
        QFETCH(QString, box);
        QFETCH(QString, typed);
        Harness h;
        h.box(box)->setText(typed);
        QTEST(h.box(box)->text(), "kept");
    }

    void lengthShowsFunctionAndData_data() {
        QTest::addColumn<QString>("length");
        QTest::addColumn<bool>("function");
        QTest::addColumn<bool>("data");
        QTest::newRow("empty") << "" << false << false;
        QTest::newRow("1") << "1" << true << false;
        QTest::newRow("2") << "2" << true << true;
    }
    void lengthShowsFunctionAndData() {
        QFETCH(QString, length);
        QFETCH(bool, function);
        QFETCH(bool, data);
        Harness h;
        h.window.lengthField->setText(QStringLiteral("3"));
        h.window.lengthField->setText(length);
        QCOMPARE(h.window.functionField->isVisible(), function);
        QCOMPARE(h.window.functionLabel->isVisible(), function);
        QCOMPARE(h.window.dataLabel->isVisible(), data);
        for (QLineEdit* box : h.window.dataFields) QCOMPARE(box->isVisible(), data);
    }

    // Keys go where the focus is: typing walks on to the next cell only from a filled one.
    void typingHexIntoByteCells() {
        Harness h;
        h.window.byteCells[5]->setFocus();
        QCOMPARE(h.window.byteCellHasFocus, 1);
        h.type("3A0d");  // lower case stays lower case
        QCOMPARE(h.window.byteCells[5]->text(), QStringLiteral("3A"));
        QCOMPARE(h.window.charCells[5]->text(), QStringLiteral(":"));
        QCOMPARE(QApplication::focusWidget(), h.window.byteCells[7]);
        QCOMPARE(h.window.byteCells[6]->text(), QStringLiteral("0d"));
        QCOMPARE(h.window.charCells[6]->text(), QString(QChar(0x240D)));
        // Emptying a byte cell empties its character cell.
        h.window.byteCells[5]->setFocus();
        h.window.byteCells[5]->clear();
        QVERIFY(h.window.charCells[5]->text().isEmpty());
    }

    // Only a typed hexadecimal digit that fills a cell walks on; deleting, shortcuts, moving the
    // caret and refused keys edit the cell in place, so no key changes two cells.
    void onlyAFillingDigitWalksOn_data() {
        QTest::addColumn<QString>("keys");  // space-separated: End, Home, BS, Del, ^A, or digits
        QTest::addColumn<QString>("cell3");
        QTest::addColumn<int>("focus");
        // clang-format off
        QTest::newRow("End, Backspace") << "End BS" << "0" << 3;
        QTest::newRow("Ctrl+A, Backspace") << "^A BS" << "" << 3;
        QTest::newRow("Home, Delete") << "Home Del" << "1" << 3;
        QTest::newRow("a third digit is refused") << "End 7" << "01" << 3;
        QTest::newRow("Backspace, then a digit fills") << "End BS 7" << "07" << 4;
        QTest::newRow("Ctrl+A, then two digits") << "^A F F" << "FF" << 4;
        QTest::newRow("a letter past F is refused") << "^A G" << "01" << 3;
        QTest::newRow("a letter past F after a digit") << "^A 1 Z" << "1" << 3;
        // clang-format on
    }
    void onlyAFillingDigitWalksOn() {
        QFETCH(QString, keys);
        Harness h;
        for (int i = 0; i < 6; ++i) h.window.byteCells[i]->setText(i == 3 ? "01" : "80");
        h.window.byteCells[3]->setFocus();
        for (const QString& key : keys.split(' ')) {
            QWidget* at = QApplication::focusWidget();
            if (key == "End")
                QTest::keyClick(at, Qt::Key_End);
            else if (key == "Home")
                QTest::keyClick(at, Qt::Key_Home);
            else if (key == "BS")
                QTest::keyClick(at, Qt::Key_Backspace);
            else if (key == "Del")
                QTest::keyClick(at, Qt::Key_Delete);
            else if (key == "^A")
                QTest::keyClick(at, Qt::Key_A, Qt::ControlModifier);
            else
                h.type(key);
        }
        QTEST(h.window.byteCells[3]->text(), "cell3");
        QFETCH(int, focus);
        QCOMPARE(QApplication::focusWidget(), h.window.byteCells[std::size_t(focus)]);
        QCOMPARE(h.window.byteCells[4]->text(), QStringLiteral("80"));
    }

    // Ctrl+Enter in the send grid appends the check to the bytes typed by hand, in the chosen
    // framing, and says so when they already end in it (CRC from an independent generator).
    void ctrlEnterAppendsTheCheck_data() {
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("cells");
        QTest::newRow("RTU") << 3 << "01 03 00 0A 00 01 A4 08 ";
        QTest::newRow("ASCII") << 0 << "3A 30 31 30 33 30 30 30 41 30 30 30 31 46 31 0D 0A ";
    }
    void ctrlEnterAppendsTheCheck() {
        QFETCH(int, format);
        Harness h;
        h.window.formatGroup->button(format)->setChecked(true);
        h.window.byteCells[0]->setFocus();
        h.type(QStringLiteral("0103000A0001"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return, Qt::ControlModifier);
        QString cells;
        for (int i = 0; i < kCellCount && !h.window.byteCells[i]->text().isEmpty(); ++i)
            cells += h.window.byteCells[i]->text() + QLatin1Char(' ');
        QTEST(cells, "cells");
        QCOMPARE(h.window.charCells[1]->text(),
                 format == 3 ? QStringLiteral("␃") : QStringLiteral("0"));
        QVERIFY(h.window.appendCheckNote().isEmpty());
        // A second time the bytes already end in their check: nothing changes, and it says so.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return, Qt::ControlModifier);
        QVERIFY(h.window.appendCheckNote().contains(QStringLiteral("already")));
    }

    // A paste fills the cell and the ones after it, in either row, or is refused whole.
    void pasteSpreadsOverTheCells_data() {
        QTest::addColumn<bool>("byteRow");
        QTest::addColumn<int>("cell");
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QString>("row");  // the first eight byte cells afterwards
        QTest::addColumn<bool>("refused");
        // clang-format off
        QTest::newRow("hex into cell 3") << true << 2 << "01 03 00 00 00 02" << "80 80 01 03 00 00 00 02" << false;
        QTest::newRow("not hexadecimal") << true << 0 << "hello" << "80 80 80 80 80 80  " << true;
        QTest::newRow("characters") << false << 1 << ":01\r\n" << "80 3A 30 31 0D 0A  " << false;
        QTest::newRow("after an empty cell") << true << 7 << "01 02" << "80 80 80 80 80 80  " << true;
        QTest::newRow("too many for the cells") << true << 2 << QString("01 ").repeated(63) << "80 80 80 80 80 80  " << true;
        // clang-format on
    }
    void pasteSpreadsOverTheCells() {
        QFETCH(bool, byteRow);
        QFETCH(int, cell);
        QFETCH(QString, clipboard);
        Harness h;
        for (int i = 0; i < 6; ++i) h.window.byteCells[i]->setText("80");
        QLineEdit* target = byteRow ? static_cast<QLineEdit*>(h.window.byteCells[cell])
                                    : static_cast<QLineEdit*>(h.window.charCells[cell]);
        target->setFocus();
        QGuiApplication::clipboard()->setText(clipboard);
        QTest::keySequence(target, QKeySequence::Paste);
        QTEST(h.byteRow(8), "row");
        QTEST(!h.window.pasteNote().isEmpty(), "refused");
        if (!byteRow) QCOMPARE(h.window.charCells[4]->text(), QStringLiteral("␍"));
    }

    void arrowsAndTheLastByteCell() {
        Harness h;
        h.window.byteCells[1]->setFocus();
        QTest::keyClick(h.window.byteCells[1], Qt::Key_Left);
        QCOMPARE(QApplication::focusWidget(), h.window.byteCells[0]);
        QTest::keyClick(h.window.byteCells[0], Qt::Key_Left);
        QCOMPARE(QApplication::focusWidget(), h.window.byteCells[0]);
        QTest::keyClick(h.window.byteCells[0], Qt::Key_Right);
        QCOMPARE(QApplication::focusWidget(), h.window.byteCells[1]);
        h.window.byteCells[63]->setFocus();
        QTest::keyClicks(h.window.byteCells[63], "FFF");
        QCOMPARE(h.window.byteCells[63]->text(), QStringLiteral("FF"));
        QCOMPARE(QApplication::focusWidget(), h.window.byteCells[63]);
        QTest::keyClick(h.window.byteCells[63], Qt::Key_Right);
        QCOMPARE(QApplication::focusWidget(), h.window.byteCells[63]);
        QTest::keyClick(h.window.byteCells[63], Qt::Key_Left);
        QCOMPARE(QApplication::focusWidget(), h.window.byteCells[62]);
    }

    void typingIntoCharacterCells() {
        Harness h;
        h.window.charCells[0]->setFocus();
        QCOMPARE(h.window.byteCellHasFocus, 0);
        h.type(":01");
        QCOMPARE(h.byteRow(3), QStringLiteral("3A 30 31"));
        QCOMPARE(QApplication::focusWidget(), h.window.charCells[3]);
        // A character that stands for no byte is refused and the focus stays.
        h.type(QString::fromUtf8("数"));
        QVERIFY(h.window.charCells[3]->text().isEmpty());
        QCOMPARE(QApplication::focusWidget(), h.window.charCells[3]);
        // Enter types the carriage return of an ASCII frame.
        QTest::keyClick(h.window.charCells[3], Qt::Key_Return);
        QCOMPARE(h.window.byteCells[3]->text(), QStringLiteral("0D"));
        // Typing over a filled cell replaces its character.
        h.window.charCells[1]->setFocus();
        h.type("A");
        QCOMPARE(h.byteRow(3), QStringLiteral("3A 41 31"));
    }

    void backspaceAtTheStartOfACharacterCell() {
        Harness h;
        h.window.charCells[0]->setFocus();
        h.type("abcde");
        h.window.charCells[4]->setFocus();
        h.window.charCells[4]->setCursorPosition(0);
        QTest::keyClick(h.window.charCells[4], Qt::Key_Backspace);
        QVERIFY(h.window.charCells[3]->text().isEmpty());
        QVERIFY(h.window.byteCells[3]->text().isEmpty());
        QCOMPARE(h.window.byteCells[4]->text(), QStringLiteral("65"));
        QCOMPARE(QApplication::focusWidget(), h.window.charCells[3]);
        h.window.charCells[0]->setFocus();
        h.window.charCells[0]->setCursorPosition(0);
        QTest::keyClick(h.window.charCells[0], Qt::Key_Backspace);
        QVERIFY(h.window.charCells[0]->text().isEmpty() && h.window.byteCells[0]->text().isEmpty());
    }

    // The frame itself is the composer's; the window writes it into both rows and clears the
    // cells a longer frame left behind, byte cells without a character included.
    void composesAsciiFrames() {
        Harness h;
        h.compose("9", "9", "20", "9", {"65535"}, 3);
        h.window.byteCells[60]->setText(QStringLiteral("7"));  // a byte cell without a character
        h.compose("1", "1", "1", "5", {}, 1);
        QCOMPARE(h.byteRow(13), QStringLiteral("3A 30 31 30 31 30 31 30 35 46 38 0D 0A"));
        QStringList chars;
        for (int i = 0; i < 13; ++i) chars << h.window.charCells[i]->text();
        QCOMPARE(chars.join(QString()), QString::fromUtf8(":01010105F8␍␊"));
        QVERIFY(h.emptyFrom(13));
    }
};

QTEST_MAIN(TestWindowEditing)
#include "tst_window_editing.moc"
