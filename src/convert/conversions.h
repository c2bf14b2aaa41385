// The one set of rules by which box texts become numbers and numbers become box texts.
// Every handler that reads or writes a box goes through these, so the same text always
// yields the same number everywhere in the program.
#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>
#include <QtGlobal>
#include <optional>

namespace conv {

// Reads the number at the start of a text, the way the field boxes are read:
// blanks, tabs and line feeds are dropped wherever they stand; "&H" starts hexadecimal
// (1..4 digits are a signed 16-bit value, 5..8 digits a signed 32-bit value, further digits
// are not read); otherwise sign, digits, one "." and an exponent ("E" or "D") are taken up to
// the first character that cannot continue the number. No number at the start reads as 0.
// The result is always finite: an exponent beyond the double range is limited to +-DBL_MAX.
double ReadNumber(const QString& text);

// ReadNumber of "&H" followed by the text: the value of a byte cell or of joined reply digits.
double ReadHex(const QString& text);

enum class IntWidth { Byte, Int16, Int32 };

// Nearest integer, a half going to the even neighbour (2.5 -> 2, 3.5 -> 4). A result outside
// the width is limited to the width's nearest bound; NaN gives 0.
qint64 RoundToInt(double value, IntWidth width);

// Decimal digits without leading zeros, "-" in front of a negative value.
QString DecimalText(qint64 value);

// Two upper-case hexadecimal digits of a byte (0 -> 00, 255 -> FF). Only the low byte counts.
QString HexByteText(int byte);

// Renders a number with a display pattern such as "0####", "0##.#0 Hz" or "0##.0 A":
// placeholders from the leftmost "0" to the "." set the minimum integer digits, placeholders
// after the "." up to the rightmost "0" set the decimals, text after the last placeholder is
// copied. A whole number under "0##.#0" keeps both decimals (50 -> 050.00). A negative value
// gets "-" before the padded digits (-001.5 A), unless every digit shown is 0.
QString Picture(double value, const QString& pattern);

// The one visible character shown for a byte in character cells and log lines:
// 0x20..0x7E as themselves, control codes 0x01..0x1F as the Unicode control pictures
// (U+2401..U+241F), 0x7F as U+2421, 0x80..0xFF as U+0100..U+017F (Latin Extended-A).
// Byte 0 gives the empty text.
QString CharOf(quint8 byte);

// The byte a character stands for, the reverse of CharOf; -1 for a character no byte maps to.
int CodeOf(QChar ch);

// Every byte of a sequence as one character, for log lines and the history: CharOf, and byte 0
// as its control picture ␀ (U+2400), so that a logged frame keeps all its bytes. (A character
// cell keeps byte 0 empty: its mirror rules need the empty cell.)
QString CharsOf(const QByteArray& bytes);

// Bytes pasted as hexadecimal text: "01 03 00 00 00 02", with blanks, commas, semicolons or
// line breaks between bytes or none at all ("010300000002"), "0x" prefixes and either case.
// Nothing when any of it is not that: a paste is taken whole or refused whole.
std::optional<QByteArray> PastedHex(const QString& text);

// Bytes pasted as characters: each character as CodeOf reads it, a control character (CR, LF,
// tab) as its own code. Nothing when a character stands for no byte.
std::optional<QByteArray> PastedChars(const QString& text);

}  // namespace conv
