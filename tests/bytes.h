// Frames as the tests write them: hexadecimal digits (blanks allowed), or an ASCII frame's text
// without its line end.
#pragma once

#include <QByteArray>

inline QByteArray Hex(const char* digits) {
    return QByteArray::fromHex(digits);
}
inline QByteArray AsciiLine(const char* text) {
    return QByteArray(text) + "\r\n";
}
