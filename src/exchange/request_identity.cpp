#include "exchange/request_identity.h"

#include <cctype>

#include "frame/checksum.h"
#include "frame/frame_reader.h"

namespace exchange {
namespace {

using frame::Framing;

// The leading bytes of ASCII text as bytes: pairs of hexadecimal digits after the ':'.
QByteArray AsciiLead(const QByteArray& text, int bytes) {
    if (!text.startsWith(':') || text.size() < 1 + 2 * bytes) return QByteArray();
    const QByteArray digits = text.mid(1, 2 * bytes);
    for (char c : digits)
        if (!std::isxdigit(static_cast<unsigned char>(c))) return QByteArray();
    return QByteArray::fromHex(digits);
}

// The drive's layout: address, command, length L, then L bytes, the function number first.
bool HasDriveLayout(const QByteArray& body) {
    return body.size() >= 3 && body.size() == 3 + quint8(body.at(2));
}

}  // namespace

std::optional<QByteArray> RequestBody(const QByteArray& request, Framing framing) {
    if (framing == Framing::Rtu) {
        if (request.size() < 4) return std::nullopt;
        const QByteArray body = request.chopped(2);
        const quint16 crc = frame::Crc16Modbus(body);
        if (quint8(request.at(request.size() - 2)) != (crc & 0xFF) ||
            quint8(request.at(request.size() - 1)) != crc >> 8)
            return std::nullopt;
        return body;
    }
    const frame::FrameRead read =
        frame::ReadAsciiFrame(request.constData(), int(request.size()), false);
    if (read.outcome != frame::ReadOutcome::Frame || read.body.size() < 2) return std::nullopt;
    return read.body;
}

bool IsBroadcast(const QByteArray& request, Framing framing) {
    const std::optional<QByteArray> body = RequestBody(request, framing);
    return body && quint8(body->at(0)) == 0;
}

bool AnswersAlike(const QByteArray& first, const QByteArray& second, Framing framing) {
    if (first == second) return true;
    const std::optional<QByteArray> a = RequestBody(first, framing);
    const std::optional<QByteArray> b = RequestBody(second, framing);
    if (!a || !b || a->left(2) != b->left(2)) return false;
    if (HasDriveLayout(*a) && HasDriveLayout(*b) && a->size() > 3 && b->size() > 3)
        return a->at(3) == b->at(3);
    return true;
}

bool BeginsAnswer(const QByteArray& request, const QByteArray& bytes, Framing framing) {
    const std::optional<QByteArray> body = RequestBody(request, framing);
    if (!body) return false;
    const QByteArray lead = framing == Framing::Rtu ? bytes.left(2) : AsciiLead(bytes, 2);
    if (lead.size() < 2 || lead.at(0) != body->at(0)) return false;
    const quint8 command = quint8(body->at(1));
    return quint8(lead.at(1)) == command || quint8(lead.at(1)) == (command | 0x80);
}

int AnswerLengthFromStart(const QByteArray& request, const QByteArray& bytes, Framing framing) {
    if (framing != Framing::Rtu || bytes.isEmpty()) return 0;
    const std::optional<QByteArray> body = RequestBody(request, framing);
    if (!body || !HasDriveLayout(*body) || bytes.at(0) != body->at(0)) return 0;
    // The address alone, or with the command: the length byte is still to come.
    if (bytes.size() == 1) return 3;
    if (!BeginsAnswer(request, bytes, framing)) return 0;
    if (quint8(bytes.at(1)) & 0x80) return 5;  // address, function | 80, code, CRC
    if (bytes.size() == 2) return 3;
    return 3 + quint8(bytes.at(2)) + 2;
}

}  // namespace exchange
