#include "exchange/exception_reply.h"

#include <QCoreApplication>

#include "frame/checksum.h"
#include "frame/frame_reader.h"

namespace exchange {
namespace {

// Address and function of a request typed or composed in `framing`; nothing when it is no
// whole frame.
std::optional<std::pair<quint8, quint8>> AddressAndFunction(const QByteArray& request,
                                                            frame::Framing framing) {
    if (framing == frame::Framing::Rtu) {
        if (request.size() < 4) return std::nullopt;
        return std::make_pair(quint8(request.at(0)), quint8(request.at(1)));
    }
    if (!request.startsWith(':')) return std::nullopt;
    const frame::FrameRead read =
        frame::ReadAsciiFrame(request.constData(), int(request.size()), false);
    if (read.outcome != frame::ReadOutcome::Frame || read.body.size() < 2) return std::nullopt;
    return std::make_pair(quint8(read.body.at(0)), quint8(read.body.at(1)));
}

}  // namespace

std::optional<ExceptionFound> FindException(const QByteArray& request, const QByteArray& reply,
                                            frame::Framing framing) {
    const auto asked = AddressAndFunction(request, framing);
    // A function that already has its top bit set has no exception of its own.
    if (!asked || (asked->second & 0x80)) return std::nullopt;
    const quint8 address = asked->first;
    const quint8 function = asked->second | 0x80;
    std::optional<ExceptionFound> spoiled;
    for (int s = 0; s < reply.size(); ++s) {
        if (framing == frame::Framing::Rtu) {
            if (s + 5 > reply.size()) break;
            if (quint8(reply.at(s)) != address || quint8(reply.at(s + 1)) != function) continue;
            // The CRC-16 goes low byte first.
            const quint16 crc = frame::Crc16Modbus(reply.mid(s, 3));
            const quint16 received =
                quint16(quint8(reply.at(s + 3)) | quint8(reply.at(s + 4)) << 8);
            if (received == crc) return ExceptionFound{s, 5, quint8(reply.at(s + 2))};
            if (s == 0 && reply.size() == 5)
                spoiled = ExceptionFound{0, 5, quint8(reply.at(2)), false, crc, received};
        } else {
            if (reply.at(s) != ':') continue;
            const frame::FrameRead read =
                frame::ReadAsciiFrame(reply.constData() + s, int(reply.size()) - s, false);
            if (read.body.size() != 3 || quint8(read.body.at(0)) != address ||
                quint8(read.body.at(1)) != function)
                continue;
            if (read.outcome == frame::ReadOutcome::Frame)
                return ExceptionFound{s, read.consumed, quint8(read.body.at(2))};
            if (read.outcome == frame::ReadOutcome::BadCheck && s == 0 &&
                read.consumed == reply.size())
                spoiled = ExceptionFound{0,     read.consumed,      quint8(read.body.at(2)),
                                         false, read.expectedCheck, read.receivedCheck};
        }
    }
    return spoiled;
}

QString ExceptionCodeText(quint8 code) {
    const char* name = nullptr;
    switch (code) {
        case 0x01:
            name = QT_TRANSLATE_NOOP("ExceptionReply", "illegal function");
            break;
        case 0x02:
            name = QT_TRANSLATE_NOOP("ExceptionReply", "illegal data address");
            break;
        case 0x03:
            name = QT_TRANSLATE_NOOP("ExceptionReply", "illegal data value");
            break;
        case 0x04:
            name = QT_TRANSLATE_NOOP("ExceptionReply", "slave device failure");
            break;
        case 0x05:
            name = QT_TRANSLATE_NOOP("ExceptionReply", "acknowledge");
            break;
        case 0x06:
            name = QT_TRANSLATE_NOOP("ExceptionReply", "slave device busy");
            break;
        case 0x08:
            name = QT_TRANSLATE_NOOP("ExceptionReply", "memory parity error");
            break;
        case 0x0A:
            name = QT_TRANSLATE_NOOP("ExceptionReply", "gateway path unavailable");
            break;
        case 0x0B:
            name = QT_TRANSLATE_NOOP("ExceptionReply", "gateway target device failed to respond");
            break;
        default:
            break;
    }
    const QString number = QStringLiteral("%1").arg(code, 2, 16, QLatin1Char('0')).toUpper();
    if (!name)
        return QCoreApplication::translate("ExceptionReply", "%1 (no standard name)").arg(number);
    return number + QLatin1Char(' ') + QCoreApplication::translate("ExceptionReply", name);
}

}  // namespace exchange
