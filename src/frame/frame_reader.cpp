#include "frame/frame_reader.h"

#include "frame/checksum.h"

namespace frame {
namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

FrameRead Outcome(ReadOutcome outcome) {
    FrameRead read;
    read.outcome = outcome;
    return read;
}

// Body plus its CRC, which goes low byte first on the wire.
FrameRead CheckRtu(const char* data, int bodyLength) {
    FrameRead read;
    read.body = QByteArray(data, bodyLength);
    read.consumed = bodyLength + 2;
    read.checkOffset = bodyLength;
    const quint16 crc = Crc16Modbus(read.body);
    read.expectedCheck = crc;
    read.receivedCheck = static_cast<quint16>(static_cast<quint8>(data[bodyLength]) |
                                              (static_cast<quint8>(data[bodyLength + 1]) << 8));
    read.outcome = crc == read.receivedCheck ? ReadOutcome::Frame : ReadOutcome::BadCheck;
    return read;
}

}  // namespace

FrameRead ReadRtuFrame(const char* data, int available) {
    if (available < 3) return Outcome(ReadOutcome::NeedMore);
    const int bodyLength = 3 + static_cast<quint8>(data[2]);
    if (available < bodyLength + 2) return Outcome(ReadOutcome::NeedMore);
    return CheckRtu(data, bodyLength);
}

FrameRead ReadRtuBlock(const QByteArray& bytes) {
    if (bytes.size() < 3) return Outcome(ReadOutcome::NeedMore);
    return CheckRtu(bytes.constData(), static_cast<int>(bytes.size()) - 2);
}

FrameRead ReadAsciiFrame(const char* data, int available, bool bodyLengthFromField) {
    if (available < 1 || data[0] != ':') return Outcome(ReadOutcome::Malformed);
    QByteArray bytes;
    int expected = -1;  // byte pairs the frame must hold, known once the length is read
    int i = 1;
    for (; i < available && HexDigit(data[i]) >= 0; ++i) {
        if ((i - 1) % 2 == 1) {
            bytes.append(static_cast<char>(HexDigit(data[i - 1]) * 16 + HexDigit(data[i])));
            if (bodyLengthFromField && bytes.size() == 3)
                expected = 3 + static_cast<quint8>(bytes.at(2)) + 1;
            if (expected >= 0 && bytes.size() > expected) return Outcome(ReadOutcome::Malformed);
        }
    }
    if (i == available) return Outcome(ReadOutcome::NeedMore);
    if (data[i] != '\r') return Outcome(ReadOutcome::Malformed);
    if (i + 1 == available) return Outcome(ReadOutcome::NeedMore);
    if (data[i + 1] != '\n') return Outcome(ReadOutcome::Malformed);
    // An odd digit count leaves a half byte; too few pairs leave no room for the check.
    if ((i - 1) % 2 != 0 || bytes.size() < 2) return Outcome(ReadOutcome::Malformed);
    // `expected` is still -1 when the frame ended before its length byte.
    if (bodyLengthFromField && bytes.size() != expected) return Outcome(ReadOutcome::Malformed);

    FrameRead read;
    read.body = bytes.left(bytes.size() - 1);
    read.consumed = i + 2;
    read.checkOffset = i - 2;
    read.expectedCheck = Lrc(read.body);
    read.receivedCheck = static_cast<quint8>(bytes.back());
    read.outcome =
        read.expectedCheck == read.receivedCheck ? ReadOutcome::Frame : ReadOutcome::BadCheck;
    return read;
}

}  // namespace frame
