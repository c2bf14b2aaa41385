// Frames typed by hand in the send cells: the check appended, pastes spread over the cells, the
// standard request builder, and how the replies to such frames are read.
#include <QActionGroup>
#include <QCoreApplication>
#include <QMenu>
#include <QShortcut>
#include <QToolTip>
#include <algorithm>
#include <memory>

#include "convert/conversions.h"
#include "exchange/exchange_text.h"
#include "frame/frame_composer.h"
#include "window/history/history_window.h"
#include "window/main/cell_edit.h"
#include "window/main/main_window.h"
#include "window/main/standard_request_dialog.h"

namespace {

int FirstEmptyCell(const std::array<CellEdit*, kCellCount>& cells) {
    for (int i = 0; i < kCellCount; ++i)
        if (cells[std::size_t(i)]->text().isEmpty()) return i;
    return kCellCount;
}

QString AppendCheckText() {
    return QCoreApplication::translate("MainWindow", "Append the check");
}

}  // namespace

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
