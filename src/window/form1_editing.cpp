// Editing a request: the field boxes' limits, the composer, and the two rows of send cells.
#include <QLabel>

#include "convert/conversions.h"
#include "frame/frame_composer.h"
#include "window/cell_edit.h"
#include "window/form1.h"

namespace {

// Limits are enforced after the fact: a number above the box's upper limit is replaced by the
// limit. Negative numbers and text without a number are left as typed.
void LimitBox(QLineEdit* box, double upperLimit) {
    if (conv::ReadNumber(box->text()) > upperLimit)
        box->setText(conv::DecimalText(static_cast<qint64>(upperLimit)));
}

}  // namespace

void Form1::Text1_Change() {
    LimitBox(Text1, 250);
}
void Form1::Text2_Change() {
    LimitBox(Text2, 255);
}
void Form1::Text4_Change() {
    LimitBox(Text4, 250);
}
void Form1::Text5_Change(int index) {
    LimitBox(Text5[index], 65535);
}
void Form1::Text6_Change() {
    LimitBox(Text6, 40000);
}
void Form1::LimitInputBox(QLineEdit* box) {
    LimitBox(box, 65535);
}

// The length decides which of the function and data boxes take part in the request.
void Form1::Text3_Change() {
    LimitBox(Text3, frame::kMaxLength);
    const double length = conv::ReadNumber(Text3->text());
    const bool showFunction = length > 0;
    const bool showData = length > 1;
    Text4->setVisible(showFunction);
    Label5->setVisible(showFunction);
    Label9->setVisible(showData);
    for (QLineEdit* box : Text5) box->setVisible(showData);
}

// "数据组织": composes the field boxes into the send cells. Each cell is written character cell
// first, so the character-to-byte mirror runs as it would for typing, and the byte cell is then
// set to the frame byte itself, so that no stale or lower-case byte text survives.
void Form1::Command3_Click() {
    frame::RequestFields fields{Text1->text(), Text2->text(), Text3->text(), Text4->text(), {}};
    for (int i = 0; i < 5; ++i) fields.data[i] = Text5[i]->text();
    const QByteArray frame = frame::ComposeFrame(fields, selectedFraming());

    const int focusFlag = XX;
    XX = 0;
    for (int i = 0; i < kCellCount; ++i) {
        if (i < frame.size()) {
            const auto byte = static_cast<quint8>(frame[i]);
            SetTextIfChanged(TXS[i], conv::CharOf(byte));
            SetTextIfChanged(TX[i], conv::HexByteText(byte));
        } else {
            SetTextIfChanged(TXS[i], QString());
            SetTextIfChanged(TX[i], QString());
        }
    }
    XX = focusFlag;
}

void Form1::TX_GotFocus(int) {
    XX = 1;
}
void Form1::TX_LostFocus(int) {
    XX = 0;
}

// Byte-to-character mirror: only while a byte cell has the focus, i.e. while the user types.
void Form1::TX_Change(int index) {
    if (XX != 1) return;
    const qint64 value =
        conv::RoundToInt(conv::ReadHex(TX[index]->text()), conv::IntWidth::Int32) & 0xFF;
    TXS[index]->setText(conv::CharOf(static_cast<quint8>(value)));
}

// Character-to-byte mirror: while no byte cell has the focus.
void Form1::TXS_Change(int index) {
    if (XX != 0) return;
    const QString text = TXS[index]->text();
    const int code = text.isEmpty() ? -1 : conv::CodeOf(text.at(0));
    if (text.isEmpty())
        TX[index]->clear();
    else if (code >= 0)
        TX[index]->setText(conv::HexByteText(code));
}

void Form1::TX_KeyDown(int index, int key) {
    if (key == Qt::Key_Left && index > 0) {
        TX[index - 1]->setFocus();
        TX[index]->setKeyConsumed();
    } else if (key == Qt::Key_Right && index < kCellCount - 1) {
        TX[index + 1]->setFocus();
        TX[index]->setKeyConsumed();
    }
}

// Typing fills a byte cell and then walks on: a key in a cell that already holds a character
// moves the focus to the next cell, while the key itself still acts on this one.
void Form1::TX_KeyPress(int index) {
    if (!TX[index]->text().isEmpty() && index < kCellCount - 1) TX[index + 1]->setFocus();
}

void Form1::TXS_KeyDown(int index, int key) {
    CellEdit* cell = TXS[index];
    if (key == Qt::Key_Left && index > 0) {
        TXS[index - 1]->setFocus();
        TXS[index - 1]->setCursorPosition(0);
        cell->setKeyConsumed();
    } else if (key == Qt::Key_Right && index < kCellCount - 1) {
        TXS[index + 1]->setFocus();
        TXS[index + 1]->setCursorPosition(0);
        cell->setKeyConsumed();
    } else if (key == Qt::Key_Backspace && cell->cursorPosition() == 0) {
        // Backspace at the start of a cell deletes the character before it: the previous cell's.
        if (index > 0) {
            TXS[index - 1]->setFocus();
            TXS[index - 1]->clear();
        } else {
            cell->clear();
        }
        cell->setKeyConsumed();
    }
}

// A typed character replaces the cell's character and the focus walks on, so typing a string
// fills consecutive cells. Characters that stand for no single byte are refused.
void Form1::TXS_KeyPress(int index, QChar ch) {
    if (ch == QChar(27) || ch == QChar(8)) return;
    CellEdit* cell = TXS[index];
    cell->setKeyConsumed();
    // Enter types the carriage return of an ASCII frame, shown as its control picture.
    if (ch == QChar(13)) ch = conv::CharOf(13).at(0);
    if (conv::CodeOf(ch) < 0) return;
    cell->clear();
    if (index < kCellCount - 1) TXS[index + 1]->setFocus();
    cell->setText(QString(ch));
}
