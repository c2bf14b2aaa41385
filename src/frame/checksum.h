// Checks of the two framings on the line.
#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace frame {

// CRC-16/MODBUS: reflected polynomial 0xA001, register starts at 0xFFFF, no final XOR.
// On the wire the low byte of the result goes first.
quint16 Crc16Modbus(const QByteArray& bytes);

// Modbus ASCII LRC: the two's complement of the 8-bit sum of the bytes (a sum that is a
// multiple of 256 gives 00, never 100).
quint8 Lrc(const QByteArray& bytes);

}  // namespace frame
