#include "frame/checksum.h"

namespace frame {

quint16 Crc16Modbus(const QByteArray& bytes) {
    quint16 crc = 0xFFFF;
    for (char c : bytes) {
        crc ^= static_cast<quint8>(c);
        for (int bit = 0; bit < 8; ++bit) {
            const bool carry = crc & 1;
            crc >>= 1;
            if (carry) crc ^= 0xA001;
        }
    }
    return crc;
}

quint8 Lrc(const QByteArray& bytes) {
    quint8 sum = 0;
    for (char c : bytes) sum = static_cast<quint8>(sum + static_cast<quint8>(c));
    return static_cast<quint8>(-sum);
}

}  // namespace frame
