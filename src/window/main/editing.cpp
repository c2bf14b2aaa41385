// Editing a request: the field boxes' limits, the composer, and the two rows of send cells.
#include <QLabel>

#include "convert/conversions.h"
#include "frame/frame_composer.h"
#include "window/main/cell_edit.h"
#include "window/main/main_window.h"

namespace {

// Limits are enforced after the fact: a number above the box's upper limit is replaced by the
// limit. Negative numbers and text without a number are left as typed.
void LimitBox(QLineEdit* box, double upperLimit) {
    if (conv::ReadNumber(box->text()) > upperLimit)
        box->setText(conv::DecimalText(static_cast<qint64>(upperLimit)));
}

}  // namespace

// The quick commands' own entry boxes are not cut to a limit: a value rewritten behind the
// user's back would reach the drive, so they are checked before sending instead.
void MainWindow::connectFieldLimits() {
    const std::pair<QLineEdit*, double> limits[] = {{addressField, 250},    {commandField, 255},
                                                    {functionField, 250},   {dataFields[0], 65535},
                                                    {dataFields[1], 65535}, {dataFields[2], 65535},
                                                    {dataFields[3], 65535}, {dataFields[4], 65535}};
    for (const auto& [box, limit] : limits)
        connect(box, &QLineEdit::textChanged, this,
                [box = box, limit = limit] { LimitBox(box, limit); });
}

// The length decides which of the function and data boxes take part in the request.
void MainWindow::onLengthChanged() {
    LimitBox(lengthField, frame::kMaxLength);
    const double length = conv::ReadNumber(lengthField->text());
    const bool showFunction = length > 0;
    const bool showData = length > 1;
    functionField->setVisible(showFunction);
    functionLabel->setVisible(showFunction);
    dataLabel->setVisible(showData);
    for (QLineEdit* box : dataFields) box->setVisible(showData);
}

// "数据组织": composes the field boxes into the send cells. Each cell is written character cell
// first, so the character-to-byte mirror runs as it would for typing, and the byte cell is then
// set to the frame byte itself, so that no stale or lower-case byte text survives.
void MainWindow::composeRequest() {
    frame::RequestFields fields{
        addressField->text(), commandField->text(), lengthField->text(), functionField->text(), {}};
    for (int i = 0; i < 5; ++i) fields.data[i] = dataFields[i]->text();
    writeFrameToCells(frame::ComposeFrame(fields, selectedFraming()));
}

void MainWindow::writeFrameToCells(const QByteArray& frame) {
    const bool focusFlag = byteCellHasFocus;
    byteCellHasFocus = false;
    for (int i = 0; i < kCellCount; ++i) {
        if (i < frame.size()) {
            const auto byte = static_cast<quint8>(frame[i]);
            SetTextIfChanged(charCells[i], conv::CharOf(byte));
            SetTextIfChanged(byteCells[i], conv::HexByteText(byte));
        } else {
            SetTextIfChanged(charCells[i], QString());
            SetTextIfChanged(byteCells[i], QString());
        }
    }
    byteCellHasFocus = focusFlag;
}

void MainWindow::onByteCellFocusIn() {
    byteCellHasFocus = true;
}
void MainWindow::onByteCellFocusOut() {
    byteCellHasFocus = false;
}

// Byte-to-character mirror: only while a byte cell has the focus, i.e. while the user types.
void MainWindow::onByteCellChanged(int index) {
    if (!byteCellHasFocus) return;
    const qint64 value =
        conv::RoundToInt(conv::ReadHex(byteCells[index]->text()), conv::IntWidth::Int32) & 0xFF;
    charCells[index]->setText(conv::CharOf(static_cast<quint8>(value)));
}

// Character-to-byte mirror: while no byte cell has the focus.
void MainWindow::onCharCellChanged(int index) {
    FitCharacterFont(charCells[index]);
    if (byteCellHasFocus) return;
    const QString text = charCells[index]->text();
    const int code = text.isEmpty() ? -1 : conv::CodeOf(text.at(0));
    if (text.isEmpty())
        byteCells[index]->clear();
    else if (code >= 0)
        byteCells[index]->setText(conv::HexByteText(code));
}

void MainWindow::onByteCellKeyDown(int index, int key) {
    if (key == Qt::Key_Left && index > 0) {
        byteCells[index - 1]->setFocus();
        byteCells[index]->setKeyConsumed();
    } else if (key == Qt::Key_Right && index < kCellCount - 1) {
        byteCells[index + 1]->setFocus();
        byteCells[index]->setKeyConsumed();
    }
}

// Typing fills a byte cell and then walks on: once a typed digit has filled the cell, the focus
// moves to the next one, its text selected so that typing on replaces it. Nothing else moves the
// focus: Backspace, shortcuts such as Ctrl+A, Home and End edit this cell only, and a full cell
// takes no third digit. A printable key that is no hexadecimal digit is refused outright.
void MainWindow::onByteCellKeyPress(int index, QChar ch) {
    CellEdit* cell = byteCells[index];
    if (!HexByteValidator::IsHexDigit(ch)) {
        if (ch.isPrint()) cell->setKeyConsumed();
        return;
    }
    cell->setKeyConsumed();
    if (cell->text().size() >= 2 && !cell->hasSelectedText()) return;
    cell->insert(QString(ch));
    if (cell->text().size() < 2 || index >= kCellCount - 1) return;
    CellEdit* next = byteCells[index + 1];
    next->setFocus();
    next->selectAll();
}

void MainWindow::onCharCellKeyDown(int index, int key) {
    CellEdit* cell = charCells[index];
    if (key == Qt::Key_Left && index > 0) {
        charCells[index - 1]->setFocus();
        charCells[index - 1]->setCursorPosition(0);
        cell->setKeyConsumed();
    } else if (key == Qt::Key_Right && index < kCellCount - 1) {
        charCells[index + 1]->setFocus();
        charCells[index + 1]->setCursorPosition(0);
        cell->setKeyConsumed();
    } else if (key == Qt::Key_Backspace && cell->cursorPosition() == 0) {
        // Backspace at the start of a cell deletes the character before it: the previous cell's.
        if (index > 0) {
            charCells[index - 1]->setFocus();
            charCells[index - 1]->clear();
        } else {
            cell->clear();
        }
        cell->setKeyConsumed();
    }
}

// A typed character replaces the cell's character and the focus walks on, so typing a string
// fills consecutive cells. Characters that stand for no single byte are refused.
void MainWindow::onCharCellKeyPress(int index, QChar ch) {
    if (ch == QChar(27) || ch == QChar(8)) return;
    CellEdit* cell = charCells[index];
    cell->setKeyConsumed();
    // Enter types the carriage return of an ASCII frame, shown as its control picture.
    if (ch == QChar(13)) ch = conv::CharOf(13).at(0);
    if (conv::CodeOf(ch) < 0) return;
    cell->clear();
    if (index < kCellCount - 1) charCells[index + 1]->setFocus();
    cell->setText(QString(ch));
}
