#include "exchange/standard_reply.h"

#include <QCoreApplication>
#include <QStringList>
#include <optional>
#include <set>

#include "exchange/request_identity.h"
#include "frame/checksum.h"
#include "frame/frame_reader.h"

namespace exchange {
namespace {

using frame::Framing;

// How long the answer's body is, from its first bytes: nothing while they do not tell yet.
std::optional<int> AnswerBodyLength(quint8 function, const QByteArray& requestBody,
                                    const char* answer, int available) {
    switch (function) {
        case 0x01:
        case 0x02:
        case 0x03:
        case 0x04:
            if (available < 3) return std::nullopt;
            return 3 + quint8(answer[2]);
        case 0x05:
        case 0x06:
        case 0x08:
            return int(requestBody.size());
        case 0x0F:
        case 0x10:
            return 6;
        default:
            return std::nullopt;
    }
}

// Whether a whole answer body of the layout answers the request: as many data bytes as the
// quantity asked for (two a register, one for eight coils or inputs), an echo where the
// function echoes, the address and quantity where 0F and 10 echo them.
bool BodyAnswers(quint8 function, const QByteArray& requestBody, const QByteArray& body) {
    switch (function) {
        case 0x01:
        case 0x02:
        case 0x03:
        case 0x04: {
            if (requestBody.size() < 6) return true;  // no quantity to hold it against
            const int quantity = quint8(requestBody.at(4)) << 8 | quint8(requestBody.at(5));
            const int bytes = function <= 0x02 ? (quantity + 7) / 8 : 2 * quantity;
            return body.size() == 3 + bytes;
        }
        case 0x05:
        case 0x06:
        case 0x08:
            return body == requestBody;
        case 0x0F:
        case 0x10:
            return requestBody.size() >= 6 && body.mid(2, 4) == requestBody.mid(2, 4);
        default:
            return true;
    }
}

Judgement Verdicted(Verdict verdict, const QString& detail) {
    Judgement judgement;
    judgement.verdict = verdict;
    judgement.detail = detail;
    return judgement;
}

QString Hex(quint16 value, int digits) {
    return QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
}

// The registers of a good 03 or 04 answer, each as unsigned, signed and hexadecimal 16-bit
// word: "0300: 4660 = +4660 = 1234h".
QString RegisterList(quint8 function, const QByteArray& requestBody, const QByteArray& body) {
    if ((function != 0x03 && function != 0x04) || requestBody.size() < 4 || body.size() < 5)
        return QString();
    const int start = quint8(requestBody.at(2)) << 8 | quint8(requestBody.at(3));
    QStringList words;
    for (int i = 3; i + 1 < body.size(); i += 2) {
        const quint16 word = quint16(quint8(body.at(i)) << 8 | quint8(body.at(i + 1)));
        words << QStringLiteral("%1: %2 = %3%4 = %5h")
                     .arg(Hex(quint16(start + (i - 3) / 2), 4))
                     .arg(word)
                     .arg(qint16(word) >= 0 ? QStringLiteral("+") : QString())
                     .arg(qint16(word))
                     .arg(Hex(word, 4));
    }
    return QCoreApplication::translate("StandardReply", "registers %1")
        .arg(words.join(QStringLiteral("; ")));
}

// A whole frame came, but from another slave or for another function.
Judgement NotFromTheSlaveAsked(quint8 address, quint8 function) {
    return Verdicted(Verdict::OtherAnswer,
                     QCoreApplication::translate("StandardReply",
                                                 "a frame came, but not from address %1 with "
                                                 "function %2: another device answers, or "
                                                 "another request's reply")
                         .arg(address)
                         .arg(Hex(function, 2)));
}

}  // namespace

Judgement JudgeStandardReply(const QByteArray& request, const QByteArray& reply, Framing framing) {
    const std::optional<QByteArray> requestBody = RequestBody(request, framing);
    const std::set<quint8> laidOut = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x08, 0x0F, 0x10};
    if (!requestBody) return JudgeReply(QByteArray(), reply, framing);
    const quint8 address = quint8(requestBody->at(0));
    const quint8 function = quint8(requestBody->at(1));
    if (!laidOut.count(function)) {
        // A function without a layout here: a frame whose check holds, from the slave asked
        // and with the function asked.
        Judgement framed = JudgeReply(QByteArray(), reply, framing);
        const QByteArray& body = framed.body;
        if (framed.verdict == Verdict::Good &&
            (body.size() < 2 || quint8(body.at(0)) != address || quint8(body.at(1)) != function))
            return NotFromTheSlaveAsked(address, function);
        return framed;
    }
    std::optional<Judgement> spoiled, short_, other;
    for (int s = 0; s < reply.size(); ++s) {
        QByteArray body;
        if (framing == Framing::Rtu) {
            if (quint8(reply.at(s)) != address || s + 1 >= reply.size() ||
                quint8(reply.at(s + 1)) != function)
                continue;
            const std::optional<int> length = AnswerBodyLength(
                function, *requestBody, reply.constData() + s, int(reply.size()) - s);
            if (!length || s + *length + 2 > reply.size()) {
                if (!short_)
                    short_ = Verdicted(
                        Verdict::Incomplete,
                        QCoreApplication::translate(
                            "StandardReply",
                            "%1 bytes arrived, but the answer to function %2 does not end: "
                            "the device may still be sending (raise the reply timeout)")
                            .arg(reply.size() - s)
                            .arg(Hex(function, 2)));
                continue;
            }
            body = reply.mid(s, *length);
            const quint16 crc = frame::Crc16Modbus(body);
            const quint16 received =
                quint16(quint8(reply.at(s + *length)) | quint8(reply.at(s + *length + 1)) << 8);
            if (received != crc) {
                if (!spoiled) spoiled = CheckFailed(framing, crc, received, s + *length);
                continue;
            }
        } else {
            if (reply.at(s) != ':') continue;
            const frame::FrameRead read =
                frame::ReadAsciiFrame(reply.constData() + s, int(reply.size()) - s, false);
            if (read.outcome == frame::ReadOutcome::NeedMore) {
                if (!short_)
                    short_ = Verdicted(Verdict::Incomplete,
                                       QCoreApplication::translate(
                                           "StandardReply",
                                           "the answer does not end: the device may still be "
                                           "sending (raise the reply timeout)"));
                continue;
            }
            if (read.body.size() < 2 || quint8(read.body.at(0)) != address ||
                quint8(read.body.at(1)) != function)
                continue;
            if (read.outcome == frame::ReadOutcome::BadCheck) {
                if (!spoiled)
                    spoiled = CheckFailed(framing, read.expectedCheck, read.receivedCheck,
                                          s + read.checkOffset);
                continue;
            }
            if (read.outcome != frame::ReadOutcome::Frame) continue;
            body = read.body;
            const std::optional<int> length =
                AnswerBodyLength(function, *requestBody, body.constData(), int(body.size()));
            if (!length || *length != body.size()) {
                if (!other)
                    other = Verdicted(
                        Verdict::OtherAnswer,
                        QCoreApplication::translate("StandardReply",
                                                    "a frame of function %1 with %2 bytes, not the "
                                                    "layout of its answer")
                            .arg(Hex(function, 2))
                            .arg(body.size()));
                continue;
            }
        }
        if (!BodyAnswers(function, *requestBody, body)) {
            if (!other)
                other = Verdicted(
                    Verdict::OtherAnswer,
                    QCoreApplication::translate("StandardReply",
                                                "function %1 answered with other values than were "
                                                "asked: the reply belongs to another request")
                        .arg(Hex(function, 2)));
            continue;
        }
        Judgement good = Verdicted(Verdict::Good, RegisterList(function, *requestBody, body));
        good.body = body;
        return good;
    }
    if (spoiled) return *spoiled;
    if (other) return *other;
    if (short_) return *short_;
    // No frame from the slave asked with this function: what a drive-style reading says of it.
    const Judgement framed = JudgeReply(QByteArray(), reply, framing);
    if (framed.verdict == Verdict::Good) return NotFromTheSlaveAsked(address, function);
    return framed;
}

}  // namespace exchange
