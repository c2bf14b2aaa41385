// Turns the request in the field boxes into the bytes of one framed request.
#pragma once

#include <QByteArray>
#include <QString>
#include <array>

namespace frame {

enum class Framing { Ascii, Rtu };

// The texts of the field boxes: address, command, length, function and the five data boxes.
struct RequestFields {
    QString address;
    QString command;
    QString length;
    QString function;
    std::array<QString, 5> data;
};

// The longest length the length box lets through; it keeps every frame inside the 64 cells.
constexpr int kMaxLength = 20;

// The frame body: address, command, length L, function (L >= 1), data (L >= 2), L + 3 bytes.
// A data value above 255 fills two positions, high byte first. A value outside 0..255 in any
// position enters as its low byte in two's complement (-1 -> FF); a negative length counts as 0.
QByteArray ComposeBody(const RequestFields& fields);

// RTU: the body followed by its CRC-16, low byte first.
QByteArray RtuFrame(const QByteArray& body);

// ASCII: ":", the body and its LRC as upper-case hexadecimal text, CR, LF.
QByteArray AsciiFrame(const QByteArray& body);

// Typed bytes with their check appended: RTU adds the CRC-16 (low byte first); ASCII writes
// ":", the bytes as hexadecimal text, the LRC and CR LF, reading typed text that starts with
// ":" as the hexadecimal it spells.
struct CheckedFrame {
    enum class Outcome {
        Appended,        // `frame` is the typed bytes with their check
        AlreadyChecked,  // the typed bytes already end in their right check: left alone
        LineEndAdded,    // ASCII text that ended in its right LRC got only its CR LF
        Empty,           // nothing typed
        TooLong,         // the frame would not fit the `maxBytes` cells
        NotHexText,      // ASCII: ':' followed by other than pairs of hexadecimal digits
    };
    Outcome outcome = Outcome::Empty;
    QByteArray frame;
};
CheckedFrame WithCheck(const QByteArray& typed, Framing framing, int maxBytes);

inline QByteArray ComposeFrame(const RequestFields& fields, Framing framing) {
    const QByteArray body = ComposeBody(fields);
    return framing == Framing::Rtu ? RtuFrame(body) : AsciiFrame(body);
}

}  // namespace frame
