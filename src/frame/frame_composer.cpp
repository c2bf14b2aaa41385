#include "frame/frame_composer.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "convert/conversions.h"
#include "frame/checksum.h"

namespace frame {
namespace {

using conv::IntWidth;

// A box read the way every field is read: its number, rounded to a 16-bit value.
qint64 FieldValue(const QString& text) {
    return conv::RoundToInt(conv::ReadNumber(text), IntWidth::Int16);
}

// A body position holds one byte on the wire: values outside 0..255 enter as their low byte in
// two's complement, so -1 goes out as FF in both framings.
char LowByte(qint64 value) {
    return static_cast<char>(static_cast<quint8>(value & 0xFF));
}

}  // namespace

QByteArray ComposeBody(const RequestFields& fields) {
    const int length =
        static_cast<int>(std::clamp<qint64>(FieldValue(fields.length), 0, kMaxLength));

    // Working positions 0..13: the data boxes can fill positions 4..13, only those up to
    // length + 2 enter the frame and body positions no box reached stay 0.
    std::array<qint64, 14> positions{};
    positions[0] = FieldValue(fields.address);
    positions[1] = FieldValue(fields.command);
    positions[2] = length;
    if (length > 0) positions[3] = FieldValue(fields.function);
    if (length > 1) {
        std::size_t p = 4;
        for (const QString& text : fields.data) {
            const double v = conv::ReadNumber(text);
            if (v > 255) {
                // A value above one byte stands for two frame bytes, high byte first.
                const qint64 low = conv::RoundToInt(v, IntWidth::Int32) % 256;
                positions[p] = conv::RoundToInt((v - low) / 256, IntWidth::Int16);
                positions[p + 1] = low;
                p += 2;
            } else {
                positions[p] = conv::RoundToInt(v, IntWidth::Int16);
                p += 1;
            }
        }
    }

    QByteArray body;
    for (int i = 0; i < length + 3; ++i)
        body.append(i < static_cast<int>(positions.size()) ? LowByte(positions[i]) : '\0');
    return body;
}

QByteArray RtuFrame(const QByteArray& body) {
    const quint16 crc = Crc16Modbus(body);
    QByteArray frame = body;
    // The CRC's low byte goes first on the wire.
    frame.append(static_cast<char>(crc & 0xFF));
    frame.append(static_cast<char>(crc >> 8));
    return frame;
}

QByteArray AsciiFrame(const QByteArray& body) {
    QByteArray frame(":");
    for (char byte : body) frame.append(conv::HexByteText(static_cast<quint8>(byte)).toLatin1());
    frame.append(conv::HexByteText(Lrc(body)).toLatin1());
    frame.append("\r\n");
    return frame;
}

namespace {

// The bytes that ":" and hexadecimal text spell, without a line end; nothing when the text is
// not that.
std::optional<QByteArray> AsciiText(const QByteArray& typed) {
    if (!typed.startsWith(':')) return std::nullopt;
    QByteArray digits = typed.mid(1);
    if (digits.endsWith("\r\n")) digits.chop(2);
    if (digits.isEmpty() || digits.size() % 2) return std::nullopt;
    for (char c : digits)
        if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
    return QByteArray::fromHex(digits);
}

}  // namespace

CheckedFrame WithCheck(const QByteArray& typed, Framing framing, int maxBytes) {
    using Outcome = CheckedFrame::Outcome;
    CheckedFrame result;
    if (typed.isEmpty()) return result;
    result.frame = typed;
    if (framing == Framing::Rtu) {
        const QByteArray body = typed.size() >= 3 ? typed.chopped(2) : QByteArray();
        if (!body.isEmpty() && RtuFrame(body) == typed) {
            result.outcome = Outcome::AlreadyChecked;
            return result;
        }
        result.frame = RtuFrame(typed);
    } else if (const std::optional<QByteArray> spelled = AsciiText(typed)) {
        const QByteArray body = spelled->chopped(1);
        const bool endsInCheck = !body.isEmpty() && Lrc(body) == quint8(spelled->back());
        if (endsInCheck && typed.endsWith("\r\n")) {
            result.outcome = Outcome::AlreadyChecked;
            return result;
        }
        result.frame = AsciiFrame(endsInCheck ? body : *spelled);
        if (endsInCheck) result.outcome = Outcome::LineEndAdded;
    } else if (typed.startsWith(':')) {
        // Text meant as a frame but not hexadecimal pairs: its characters must not be encoded.
        result.outcome = Outcome::NotHexText;
        return result;
    } else {
        result.frame = AsciiFrame(typed);
    }
    if (result.frame.size() > maxBytes) {
        result.outcome = Outcome::TooLong;
        result.frame = typed;
        return result;
    }
    if (result.outcome == Outcome::Empty) result.outcome = Outcome::Appended;
    return result;
}

}  // namespace frame
