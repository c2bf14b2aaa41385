#include "window/cell_edit.h"

#include <QKeyEvent>

#include "convert/conversions.h"

QValidator::State ByteCharValidator::validate(QString& input, int&) const {
    if (input.isEmpty()) return Acceptable;
    return input.size() == 1 && conv::CodeOf(input.at(0)) >= 0 ? Acceptable : Invalid;
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

void CellEdit::keyPressEvent(QKeyEvent* event) {
    keyConsumed_ = false;
    emit keyDown(event->key());
    if (keyConsumed_) return;
    const QString text = event->text();
    // Delete carries a character on some platforms but is an editing key, not a typed one.
    if (!text.isEmpty() && event->key() != Qt::Key_Delete) {
        emit keyPress(text.at(0));
        if (keyConsumed_) return;
    }
    QLineEdit::keyPressEvent(event);
}
