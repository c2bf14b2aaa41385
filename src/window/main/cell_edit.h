// A single-line box that reports focus changes and keys to its window before acting on them,
// so that the window's cell handlers can move the focus along a row.
#pragma once

#include <QLineEdit>

#include <QValidator>

// Lets into a character cell only a character that stands for one byte (or nothing), so pasted
// text and input-method characters cannot put a character there that no byte maps to.
class ByteCharValidator : public QValidator {
  public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;
};

// Lets into a byte cell only hexadecimal digits, either case, at most two: a typed or pasted
// G, Z or @ would otherwise go out as byte 00.
class HexByteValidator : public QValidator {
  public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;
    static bool IsHexDigit(QChar ch);
};

// Sets a box's text only when it differs: an unchanged text raises no change event anyway, and
// skipping it spares the box a relayout and repaint on every exchange.
inline void SetTextIfChanged(QLineEdit* box, const QString& text) {
    if (box->text() != text) box->setText(text);
}

// Hovering a grid cell names its byte: hexadecimal, decimal and a control code's name.
class ByteTooltips : public QObject {
  public:
    using QObject::QObject;
    void watch(QLineEdit* cell, bool hexCell);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// The bold cell font has no control pictures (␍ shows as an empty box), so a character cell that
// shows one switches to a regular font that has them, and back for any other character.
void FitCharacterFont(QLineEdit* cell);

class CellEdit : public QLineEdit {
    Q_OBJECT
  public:
    explicit CellEdit(QWidget* parent = nullptr);

    // Set by the key-down handler when it has dealt with the key itself.
    void setKeyConsumed() { keyConsumed_ = true; }

    // The text a paste would put here, taken from the clipboard; the window spreads it over
    // the cells instead of letting one cell cut it to what fits.
    void pasteFromClipboard();

  signals:
    void pasteRequested(const QString& text);
    void focusGained();
    void focusLost();
    // Every key, first; the handler may consume it.
    void keyDown(int key);
    // Keys that carry a character (including Backspace, Escape and Enter), after keyDown; the
    // handler may consume it, otherwise the key then acts on this box.
    void keyPress(QChar ch);

  protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    bool keyConsumed_ = false;
};
