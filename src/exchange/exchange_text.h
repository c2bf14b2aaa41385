// What one exchange puts on the line and into the exchange log.
#pragma once

#include <QByteArray>
#include <QString>
#include <array>

#include "exchange/exchange_record.h"

namespace exchange {

constexpr int kCells = 64;

// The bytes the byte cells send: cell 0 always (an empty cell as 00), then each following cell
// up to the first empty one; a full row sends all 64. Each cell's text is read as hexadecimal.
QByteArray BytesToSend(const std::array<QString, kCells>& byteCells);

// "[00042] TXD:  ( frame )": the exchange counter as five digits, the direction tag and the
// frame's bytes as characters (byte 0 adds nothing). Late bytes are logged as RXD like any
// reply; a send that found the port closed gets "[00042] 未发送: 端口未打开".
QString LogLine(int counter, Direction direction, const QByteArray& frame);

// "received 01 04 03: the frame does not end": what came, in hexadecimal, and what is wrong
// with it; "nothing arrived" for no bytes.
QString ReceivedText(const QByteArray& bytes, const QString& problem);

// A byte for a cell's tooltip: hexadecimal, decimal and, for control codes, the code's name
// ("0D  13  CR 回车", "41  65  'A'").
QString ByteDescription(quint8 byte);

// The counter after an exchange: it stays within 0..32767 and wraps to 0.
int NextCounter(int counter);

// The receive grid for the bytes that arrived: two hexadecimal digits and the character of each
// of the first 64 bytes, empty cells beyond them. Bytes past the 64th are dropped.
struct GridTexts {
    std::array<QString, kCells> hex;
    std::array<QString, kCells> chars;
    int shown = 0;
};
GridTexts ReceiveGridTexts(const QByteArray& received);

}  // namespace exchange
