// Editing a request: the field boxes' limits, the composer, and the two rows of send cells.
#include <QActionGroup>
#include <QCoreApplication>
#include <QLabel>
#include <QMenu>
#include <QShortcut>
#include <QToolTip>
#include <algorithm>
#include <memory>

#include "convert/conversions.h"
#include "exchange/exchange_text.h"
#include "frame/frame_composer.h"
#include "window/cell_edit.h"
#include "window/history_window.h"
#include "window/main_window.h"
#include "window/standard_request_dialog.h"

namespace {

int FirstEmptyCell(const std::array<CellEdit*, kCellCount>& cells) {
    for (int i = 0; i < kCellCount; ++i)
        if (cells[std::size_t(i)]->text().isEmpty()) return i;
    return kCellCount;
}

QString AppendCheckText() {
    return QCoreApplication::translate("MainWindow", "Append the check");
}

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

// The send grid's context menus and Ctrl+Enter offer the check for bytes typed by hand.
void MainWindow::offerAppendCheck() {
    for (int i = 0; i < kCellCount; ++i) {
        for (QLineEdit* cell :
             {static_cast<QLineEdit*>(byteCells[i]), static_cast<QLineEdit*>(charCells[i])}) {
            cell->setContextMenuPolicy(Qt::CustomContextMenu);
            connect(cell, &QWidget::customContextMenuRequested, this, [this, cell](QPoint at) {
                std::unique_ptr<QMenu> menu(cell->createStandardContextMenu());
                // The menu's paste spreads over the cells as Ctrl+V does.
                if (auto* edit = qobject_cast<CellEdit*>(cell))
                    if (QAction* paste = menu->findChild<QAction*>(QStringLiteral("edit-paste"))) {
                        paste->disconnect();
                        connect(paste, &QAction::triggered, edit, &CellEdit::pasteFromClipboard);
                    }
                menu->addSeparator();
                QAction* append =
                    menu->addAction(AppendCheckText(), this, &MainWindow::appendCheck);
                append->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return));
                menu->addAction(tr("Standard request…"), this, &MainWindow::openStandardRequest);
                // How replies to frames typed by hand are read.
                menu->addSeparator();
                auto* readings = new QActionGroup(menu.get());
                for (exchange::Judging judging : {exchange::Judging::Auto, exchange::Judging::Drive,
                                                  exchange::Judging::Standard}) {
                    QAction* choice = menu->addAction(exchange::JudgingName(judging), this,
                                                      [this, judging] { setJudging(judging); });
                    choice->setCheckable(true);
                    choice->setChecked(judging == judging_);
                    readings->addAction(choice);
                }
                menu->exec(cell->mapToGlobal(at));
            });
        }
    }
    for (int i = 0; i < kCellCount; ++i) {
        connect(byteCells[i], &CellEdit::pasteRequested, this,
                [this, i](const QString& text) { pasteIntoCells(i, true, text); });
        connect(charCells[i], &CellEdit::pasteRequested, this,
                [this, i](const QString& text) { pasteIntoCells(i, false, text); });
    }
    for (const QKeySequence& keys :
         {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)})
        connect(new QShortcut(keys, this), &QShortcut::activated, this, &MainWindow::appendCheck);
}

QString MainWindow::composeStandardRequest(const frame::StandardRequestFields& fields) {
    QString error;
    const std::optional<QByteArray> body = frame::StandardRequestBody(fields, &error);
    if (!body) return error;
    const QByteArray frame = selectedFraming() == frame::Framing::Rtu ? frame::RtuFrame(*body)
                                                                      : frame::AsciiFrame(*body);
    if (frame.size() > kCellCount)
        return tr("The request takes %1 bytes; the send cells hold %2")
            .arg(frame.size())
            .arg(kCellCount);
    writeFrameToCells(frame);
    standardFrameInCells_ = frameToSend();
    return QString();
}

void MainWindow::openStandardRequest() {
    StandardRequestDialog dialog(
        [this](const frame::StandardRequestFields& fields) {
            return composeStandardRequest(fields);
        },
        this);
    dialog.exec();
}

void MainWindow::setJudging(exchange::Judging judging) {
    judging_ = judging;
    if (historyWindow_) historyWindow_->setJudging(judging);
}

void MainWindow::appendCheck() {
    std::array<QString, exchange::kCells> texts;
    for (int i = 0; i < kCellCount; ++i) texts[std::size_t(i)] = byteCells[i]->text();
    const QByteArray typed =
        byteCells[0]->text().isEmpty() ? QByteArray() : exchange::BytesToSend(texts);
    const frame::CheckedFrame checked = frame::WithCheck(typed, selectedFraming(), kCellCount);
    using Outcome = frame::CheckedFrame::Outcome;
    QString note;
    switch (checked.outcome) {
        case Outcome::Appended:
            break;
        case Outcome::LineEndAdded:
            note = tr("The text already ended in its LRC; CR LF was added");
            break;
        case Outcome::AlreadyChecked:
            note = tr("The bytes already end in their right check; nothing was changed");
            break;
        case Outcome::Empty:
            note = tr("Type the bytes first: the cells up to the first empty one get the check");
            break;
        case Outcome::NotHexText:
            note =
                tr("The text starts with ':' but is not pairs of hexadecimal digits; nothing "
                   "was changed");
            break;
        case Outcome::TooLong:
            note = tr("With its check the frame would not fit the %1 cells").arg(kCellCount);
            break;
    }
    if (checked.outcome == Outcome::Appended || checked.outcome == Outcome::LineEndAdded)
        writeFrameToCells(checked.frame);
    appendCheckNote_ = note;
    if (!note.isEmpty()) QToolTip::showText(byteCells[0]->mapToGlobal(QPoint(0, 0)), note, this);
}

void MainWindow::pasteIntoCells(int index, bool byteRow, const QString& text) {
    const std::optional<QByteArray> bytes =
        byteRow ? conv::PastedHex(text) : conv::PastedChars(text);
    QLineEdit* cell = byteRow ? static_cast<QLineEdit*>(byteCells[index])
                              : static_cast<QLineEdit*>(charCells[index]);
    QString refusal;
    if (!bytes)
        refusal = byteRow ? tr("Not pasted: only hexadecimal bytes (\"01 03 00 0A\", \"0x01,0x03\" "
                               "or \"0103000A\") go into the byte cells")
                          : tr("Not pasted: a character stands for no byte");
    else if (index > 0 && byteCells[index - 1]->text().isEmpty())
        refusal = tr("Not pasted: cell %1 is empty, and a frame ends at the first empty cell; "
                     "paste at cell %2 or before")
                      .arg(index)
                      .arg(FirstEmptyCell(byteCells) + 1);
    else if (index + bytes->size() > kCellCount)
        refusal = tr("Not pasted: %1 bytes from cell %2 do not fit the %3 cells")
                      .arg(bytes->size())
                      .arg(index + 1)
                      .arg(kCellCount);
    pasteNote_ = refusal;
    if (!refusal.isEmpty()) {
        QToolTip::showText(cell->mapToGlobal(QPoint(0, cell->height())), refusal, cell);
        return;
    }
    // Character cell first, then the byte cell, as the composer writes them.
    const bool focusFlag = byteCellHasFocus;
    byteCellHasFocus = false;
    for (qsizetype i = 0; i < bytes->size(); ++i) {
        const auto byte = static_cast<quint8>(bytes->at(i));
        SetTextIfChanged(charCells[index + int(i)], conv::CharOf(byte));
        SetTextIfChanged(byteCells[index + int(i)], conv::HexByteText(byte));
    }
    byteCellHasFocus = focusFlag;
    const int next = std::min<int>(index + int(bytes->size()), kCellCount - 1);
    (byteRow ? static_cast<QLineEdit*>(byteCells[next]) : charCells[next])->setFocus();
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
