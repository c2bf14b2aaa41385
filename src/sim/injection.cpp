#include "sim/injection.h"

#include <algorithm>
#include <array>
#include <utility>

#include "frame/frame_reader.h"

namespace sim {
namespace {

const std::array<std::pair<Injection, const char*>, 10> kNames = {{
    {Injection::None, "none"},
    {Injection::NoReply, "no-reply"},
    {Injection::LateReply, "late"},
    {Injection::SplitReply, "split"},
    {Injection::BadCheck, "bad-check"},
    {Injection::Garbage, "garbage"},
    {Injection::Oversize, "oversize"},
    {Injection::OtherFunction, "other-function"},
    {Injection::Exception, "exception"},
    {Injection::OtherAddress, "other-address"},
}};

// The check is the last two bytes of an RTU frame and the two hexadecimal digits before CR LF
// of an ASCII frame.
QByteArray WithBadCheck(QByteArray reply, frame::Framing framing) {
    if (reply.isEmpty()) return reply;
    if (framing == frame::Framing::Rtu) {
        reply[reply.size() - 1] = static_cast<char>(reply.at(reply.size() - 1) ^ 0xFF);
        return reply;
    }
    const qsizetype digit = reply.size() - 3;  // the LRC's low digit
    if (digit < 1) return reply;
    // Another hexadecimal digit, so the frame still reads as ASCII text.
    reply[digit] = reply.at(digit) == '0' ? '1' : '0';
    return reply;
}

// The same reply for the next function number, framed anew so that its check holds.
// The reply with one byte of its body raised by one and its check made right again.
QByteArray WithBodyByteRaised(const QByteArray& reply, frame::Framing framing, int at) {
    QByteArray body = framing == frame::Framing::Rtu
                          ? reply.left(reply.size() - 2)
                          : frame::ReadAsciiFrame(reply.constData(), int(reply.size())).body;
    if (body.size() <= at) return reply;
    body[at] = static_cast<char>(body.at(at) + 1);
    return framing == frame::Framing::Rtu ? frame::RtuFrame(body) : frame::AsciiFrame(body);
}

// What a standard Modbus slave answers to a request it refuses: its address, the function
// (here the drive's command) with the top bit set, and exception code 02, illegal data address.
QByteArray AsException(const QByteArray& reply, frame::Framing framing) {
    const QByteArray body = framing == frame::Framing::Rtu
                                ? reply.left(2)
                                : frame::ReadAsciiFrame(reply.constData(), int(reply.size())).body;
    if (body.size() < 2) return reply;
    QByteArray refusal = body.left(2);
    refusal[1] = static_cast<char>(refusal.at(1) | 0x80);
    refusal.append('\x02');
    return framing == frame::Framing::Rtu ? frame::RtuFrame(refusal) : frame::AsciiFrame(refusal);
}

std::vector<Piece> Split(const QByteArray& reply) {
    std::vector<Piece> pieces;
    const qsizetype size = reply.size();
    for (int i = 0; i < kSplitPieces; ++i) {
        const qsizetype from = size * i / kSplitPieces;
        const qsizetype to = size * (i + 1) / kSplitPieces;
        if (to > from) pieces.push_back({i == 0 ? 0 : kSplitGapMs, reply.mid(from, to - from)});
    }
    return pieces;
}

// A reply repeated until the line carries more than the 64 cells the master can show.
QByteArray Oversized(const QByteArray& reply) {
    if (reply.isEmpty()) return QByteArray(kOversizeLength, '\0');
    QByteArray bytes = reply;
    while (bytes.size() < kOversizeLength) bytes.append(reply);
    return bytes.left(std::max<qsizetype>(kOversizeLength, reply.size()));
}

}  // namespace

QString InjectionName(Injection injection) {
    for (const auto& [value, name] : kNames)
        if (value == injection) return QString::fromLatin1(name);
    return QString();
}

std::optional<Injection> ParseInjection(const QString& name) {
    for (const auto& [value, text] : kNames)
        if (name.compare(QLatin1String(text), Qt::CaseInsensitive) == 0) return value;
    return std::nullopt;
}

QStringList InjectionNames() {
    QStringList names;
    for (const auto& entry : kNames) names.append(QString::fromLatin1(entry.second));
    return names;
}

std::vector<Piece> Shape(const QByteArray& reply, frame::Framing framing, Injection injection,
                         std::mt19937& random) {
    switch (injection) {
        case Injection::None:
            return {{0, reply}};
        case Injection::NoReply:
            return {};
        case Injection::LateReply:
            return {{kLateReplyMs, reply}};
        case Injection::SplitReply:
            return Split(reply);
        case Injection::BadCheck:
            return {{0, WithBadCheck(reply, framing)}};
        case Injection::Garbage: {
            QByteArray noise(std::max<qsizetype>(reply.size(), 2), '\0');
            std::uniform_int_distribution<int> byte(0, 255);
            for (char& c : noise) c = static_cast<char>(byte(random));
            return {{0, noise}};
        }
        case Injection::Oversize:
            return {{0, Oversized(reply)}};
        case Injection::OtherFunction:
            return {{0, WithBodyByteRaised(reply, framing, 3)}};
        case Injection::OtherAddress:
            return {{0, WithBodyByteRaised(reply, framing, 0)}};
        case Injection::Exception:
            return {{0, AsException(reply, framing)}};
    }
    return {{0, reply}};
}

}  // namespace sim
