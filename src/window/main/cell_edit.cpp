#include "window/main/cell_edit.h"

#include <QClipboard>
#include <QGuiApplication>

#include <QHelpEvent>
#include <QKeyEvent>
#include <QToolTip>

#include "convert/conversions.h"
#include "exchange/exchange_text.h"

QValidator::State ByteCharValidator::validate(QString& input, int&) const {
    if (input.isEmpty()) return Acceptable;
    return input.size() == 1 && conv::CodeOf(input.at(0)) >= 0 ? Acceptable : Invalid;
}

void ByteTooltips::watch(QLineEdit* cell, bool hexCell) {
    cell->setProperty("hexCell", hexCell);
    cell->installEventFilter(this);
}

bool ByteTooltips::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ToolTip) return false;
    auto* cell = static_cast<QLineEdit*>(watched);
    const QString text = cell->text();
    int byte = -1;
    if (cell->property("hexCell").toBool()) {
        bool ok = false;
        const int value = text.toInt(&ok, 16);
        if (ok && !text.isEmpty()) byte = value & 0xFF;
    } else if (!text.isEmpty()) {
        byte = conv::CodeOf(text.at(0));
    }
    if (byte < 0) {
        QToolTip::hideText();
    } else {
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(),
                           exchange::ByteDescription(quint8(byte)), cell);
    }
    return true;
}

void FitCharacterFont(QLineEdit* cell) {
    const QString text = cell->text();
    const bool picture =
        !text.isEmpty() && text.at(0).unicode() >= 0x2400 && text.at(0).unicode() <= 0x2421;
    if (cell->font().bold() != picture) return;
    QFont font = cell->font();
    font.setBold(!picture);
    // FreeSans carries the control pictures in its regular style only.
    font.setFamilies(picture ? QStringList{QStringLiteral("FreeSans"), QStringLiteral("FreeMono")}
                             : QStringList());
    cell->setFont(font);
}

bool HexByteValidator::IsHexDigit(QChar ch) {
    return (ch >= u'0' && ch <= u'9') || (ch >= u'A' && ch <= u'F') || (ch >= u'a' && ch <= u'f');
}

QValidator::State HexByteValidator::validate(QString& input, int&) const {
    if (input.size() > 2) return Invalid;
    for (QChar ch : input)
        if (!IsHexDigit(ch)) return Invalid;
    return Acceptable;
}

CellEdit::CellEdit(QWidget* parent) : QLineEdit(parent) {}

void CellEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    emit focusGained();
}

void CellEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    emit focusLost();
}

void CellEdit::pasteFromClipboard() {
    emit pasteRequested(QGuiApplication::clipboard()->text());
}

void CellEdit::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Paste)) {
        pasteFromClipboard();
        return;
    }
    keyConsumed_ = false;
    emit keyDown(event->key());
    if (keyConsumed_) return;
    const QString text = event->text();
    // Delete carries a character on some platforms but is an editing key, not a typed one; so
    // is a shortcut such as Ctrl+A, whatever character it carries. Ctrl and Alt together are
    // AltGr on Windows, which types characters.
    const Qt::KeyboardModifiers held = event->modifiers();
    const bool altGr = (held & Qt::ControlModifier) && (held & Qt::AltModifier);
    const bool shortcut =
        !altGr && (held & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (!text.isEmpty() && event->key() != Qt::Key_Delete && !shortcut) {
        emit keyPress(text.at(0));
        if (keyConsumed_) return;
    }
    QLineEdit::keyPressEvent(event);
}
