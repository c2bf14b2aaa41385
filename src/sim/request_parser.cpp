#include "sim/request_parser.h"

#include "frame/checksum.h"

namespace sim {
namespace {

enum class Outcome { Frame, NeedMore, Invalid };

struct Attempt {
    Outcome outcome = Outcome::Invalid;
    int consumed = 0;  // bytes of the frame on the line
    QByteArray body;
};

Attempt NeedMore() {
    return {Outcome::NeedMore, 0, QByteArray()};
}
Attempt Invalid() {
    return {Outcome::Invalid, 0, QByteArray()};
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// An RTU frame at `data`: address, command, length L, L bytes, CRC low byte, CRC high byte.
Attempt TryRtu(const char* data, int available) {
    if (available < 3) return NeedMore();
    const int bodyLength = 3 + static_cast<quint8>(data[2]);
    const int total = bodyLength + 2;
    if (available < total) return NeedMore();
    const quint16 crc = frame::Crc16Modbus(QByteArray::fromRawData(data, bodyLength));
    const bool match = static_cast<quint8>(data[bodyLength]) == (crc & 0xFF) &&
                       static_cast<quint8>(data[bodyLength + 1]) == (crc >> 8);
    if (!match) return Invalid();
    return {Outcome::Frame, total, QByteArray(data, bodyLength)};
}

// An ASCII frame at `data` (which starts with ':'): pairs of hexadecimal digits for address,
// command, length L, L bytes and the LRC, then CR LF.
Attempt TryAscii(const char* data, int available) {
    QByteArray bytes;
    int expected = -1;  // byte pairs the frame must hold, known once the length is read
    int i = 1;
    for (; i < available && HexValue(data[i]) >= 0; ++i) {
        if ((i - 1) % 2 == 1) {
            bytes.append(static_cast<char>(HexValue(data[i - 1]) * 16 + HexValue(data[i])));
            if (bytes.size() == 3) expected = 3 + static_cast<quint8>(bytes.at(2)) + 1;
            if (expected >= 0 && bytes.size() > expected) return Invalid();
        }
    }
    if (i == available) return NeedMore();
    if (data[i] != '\r') return Invalid();
    if (i + 1 == available) return NeedMore();
    if (data[i + 1] != '\n') return Invalid();
    // An odd digit count leaves a half byte; too few pairs leave no room for the check.
    if ((i - 1) % 2 != 0 || bytes.size() != expected) return Invalid();
    const QByteArray body = bytes.left(bytes.size() - 1);
    if (frame::Lrc(body) != static_cast<quint8>(bytes.back())) return Invalid();
    return {Outcome::Frame, i + 2, body};
}

}  // namespace

std::vector<Request> RequestParser::feed(const QByteArray& bytes) {
    buffer_.append(bytes);
    return scan(false);
}

std::vector<Request> RequestParser::flush() {
    return scan(true);
}

std::vector<Request> RequestParser::scan(bool lineQuiet) {
    std::vector<Request> found;
    const char* data = buffer_.constData();
    const int size = static_cast<int>(buffer_.size());
    int pos = 0;
    while (pos < size) {
        const int available = size - pos;
        // A colon starts an ASCII frame, but it is also address 58 of an RTU frame: both
        // readings are tried and the one whose check holds wins.
        const Attempt ascii = data[pos] == ':' ? TryAscii(data + pos, available) : Invalid();
        // An ASCII frame still arriving wins over an RTU reading of its first bytes, so a
        // request reads the same however the line splits it; silence settles the rest.
        if (ascii.outcome == Outcome::NeedMore && !lineQuiet) break;
        const Attempt rtu =
            ascii.outcome == Outcome::Frame ? Invalid() : TryRtu(data + pos, available);
        if (ascii.outcome == Outcome::Frame || rtu.outcome == Outcome::Frame) {
            const Attempt& hit = ascii.outcome == Outcome::Frame ? ascii : rtu;
            const frame::Framing framing =
                ascii.outcome == Outcome::Frame ? frame::Framing::Ascii : frame::Framing::Rtu;
            found.push_back({framing, hit.body});
            pos += hit.consumed;
            continue;
        }
        const bool mayComplete =
            ascii.outcome == Outcome::NeedMore || rtu.outcome == Outcome::NeedMore;
        if (mayComplete && !lineQuiet) break;
        ++pos;
    }
    buffer_.remove(0, pos);
    return found;
}

}  // namespace sim
