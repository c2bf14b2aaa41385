#include "exchange/reply_judge.h"

#include <QCoreApplication>
#include <QStringList>
#include <optional>
#include <utility>

#include "drive/drive_requests.h"
#include "exchange/exception_reply.h"
#include "exchange/request_identity.h"
#include "exchange/standard_reply.h"
#include "frame/frame_reader.h"

namespace exchange {
namespace {

using frame::FrameRead;
using frame::Framing;
using frame::ReadOutcome;

QString HexByte(int value) {
    return QStringLiteral("%1").arg(value & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
}

// The check as it stands on the wire: the CRC low byte first, the LRC as one byte.
QString CheckText(quint16 check, Framing framing) {
    return framing == Framing::Rtu ? HexByte(check) + QLatin1Char(' ') + HexByte(check >> 8)
                                   : HexByte(check);
}

Judgement Verdicted(Verdict verdict, const QString& detail) {
    Judgement judgement;
    judgement.verdict = verdict;
    judgement.detail = detail;
    return judgement;
}

}  // namespace

Judgement CheckFailed(Framing framing, quint16 expected, quint16 received, int checkAt) {
    Judgement judgement;
    judgement.verdict = Verdict::CheckError;
    judgement.detail =
        QCoreApplication::translate("ReplyJudge",
                                    "%1 expected %2, received %3: bytes were changed on the "
                                    "line; check the wiring, the termination and the parity")
            .arg(framing == Framing::Rtu ? QStringLiteral("CRC") : QStringLiteral("LRC"),
                 CheckText(expected, framing), CheckText(received, framing));
    judgement.checkAt = checkAt;
    judgement.checkLength = 2;
    return judgement;
}

namespace {

// A whole frame of the request's framing at the front of `bytes`, if it is one.
bool IsWholeFrame(const QByteArray& bytes, Framing framing) {
    const FrameRead read = framing == Framing::Rtu
                               ? frame::ReadRtuFrame(bytes.constData(), int(bytes.size()))
                               : frame::ReadAsciiFrame(bytes.constData(), int(bytes.size()));
    return read.outcome == ReadOutcome::Frame && read.consumed == bytes.size();
}

// The verdict of a frame read from the reply at `start`, apart from what it answers.
Judgement FromRead(const FrameRead& read, int start, int received, Framing framing) {
    const QString framingName =
        framing == Framing::Rtu ? QStringLiteral("RTU") : QStringLiteral("ASCII");
    switch (read.outcome) {
        case ReadOutcome::NeedMore:
            return Verdicted(Verdict::Incomplete,
                             QCoreApplication::translate(
                                 "ReplyJudge",
                                 "%1 bytes arrived, but the frame does not end: the drive may "
                                 "still be sending (raise the reply timeout, 回应超时) or the "
                                 "line cuts the reply")
                                 .arg(received));
        case ReadOutcome::Malformed:
            return Verdicted(Verdict::Incomplete,
                             QCoreApplication::translate(
                                 "ReplyJudge",
                                 "the bytes from the frame's start are not a whole %1 frame: "
                                 "check that the drive uses %1 framing")
                                 .arg(framingName));
        case ReadOutcome::BadCheck:
            return CheckFailed(framing, read.expectedCheck, read.receivedCheck,
                               start + read.checkOffset);
        case ReadOutcome::Frame:
            break;
    }
    Judgement judgement = Verdicted(Verdict::Good, QString());
    judgement.body = read.body;
    return judgement;
}

// Address, command and function of the reply body against the request body.
QString Mismatch(const QByteArray& request, const QByteArray& reply) {
    const auto at = [](const QByteArray& body, int i) { return static_cast<quint8>(body.at(i)); };
    if (at(reply, 0) != at(request, 0))
        return QCoreApplication::translate("ReplyJudge",
                                           "address %1 answered, %2 was asked: another device "
                                           "answers on this line, or two share an address")
            .arg(at(reply, 0))
            .arg(at(request, 0));
    if (at(reply, 1) != at(request, 1))
        return QCoreApplication::translate(
                   "ReplyJudge",
                   "command %1 answered, %2 was asked: the reply belongs to another request")
            .arg(at(reply, 1))
            .arg(at(request, 1));
    const bool bothHaveFunction =
        request.size() > 3 && reply.size() > 3 && at(request, 2) > 0 && at(reply, 2) > 0;
    if (bothHaveFunction && at(reply, 3) != at(request, 3))
        return QCoreApplication::translate(
                   "ReplyJudge",
                   "function %1 answered, %2 was asked: the reply belongs to another request")
            .arg(at(reply, 3))
            .arg(at(request, 3));
    return QString();
}

// The drive's reads (a parameter, a monitored value) name only their function and are answered
// with data: a frame equal to one is the request itself coming back (an adapter that echoes, or
// a two-wire bus whose receiver stays on while sending), not an answer. Writes and run controls
// are acknowledged by their echo, so for them the two cannot be told apart by the bytes.
bool IsEchoOfRead(const QByteArray& requestBody, const QByteArray& body) {
    if (requestBody.size() < 3 || body != requestBody) return false;
    const int command = quint8(requestBody.at(1));
    return (command == drive::kReadParameter || command == drive::kReadMonitor) &&
           requestBody.at(2) == 1;
}

QString EchoText() {
    return QCoreApplication::translate(
        "ReplyJudge",
        "only the request came back: the adapter echoes, or a two-wire bus keeps its receiver "
        "on while sending; no drive answered");
}

// Why bytes that hold no frame start are not one.
QString NoFrameText(Framing framing, quint8 address) {
    return framing == Framing::Ascii
               ? QCoreApplication::translate(
                     "ReplyJudge",
                     "the bytes make no frame: no ':' starts one; the drive may use RTU, or "
                     "the baud rate or parity may be wrong")
               : QCoreApplication::translate(
                     "ReplyJudge",
                     "the bytes make no frame: none starts with address %1; the baud rate or "
                     "parity may be wrong, or the drive may use ASCII")
                     .arg(address);
}

// A good answer among other bytes says how many came with it: a line that repeats or adds
// bytes is worth knowing about even when the answer itself is sound.
QString ExtraBytesText(int before, int after) {
    if (before == 0 && after == 0) return QString();
    if (before > 0 && after > 0)
        return QCoreApplication::translate("ReplyJudge",
                                           "%1 byte(s) before the frame, %2 byte(s) after it")
            .arg(before)
            .arg(after);
    if (before > 0)
        return QCoreApplication::translate("ReplyJudge", "%1 byte(s) before the frame").arg(before);
    return QCoreApplication::translate("ReplyJudge", "%1 byte(s) after the frame").arg(after);
}

FrameRead ReadAt(const QByteArray& reply, int start, Framing framing, bool layout) {
    const char* data = reply.constData() + start;
    const int available = static_cast<int>(reply.size()) - start;
    if (framing == Framing::Ascii) return frame::ReadAsciiFrame(data, available, layout);
    return layout ? frame::ReadRtuFrame(data, available) : frame::ReadRtuBlock(reply.mid(start));
}

}  // namespace

QString VerdictName(Verdict verdict) {
    switch (verdict) {
        case Verdict::Good:
            return QStringLiteral("正常");
        case Verdict::NoReply:
            return QStringLiteral("无回应");
        case Verdict::Incomplete:
            return QStringLiteral("不完整");
        case Verdict::CheckError:
            return QStringLiteral("校验错误");
        case Verdict::OtherAnswer:
            return QStringLiteral("回应不符");
        case Verdict::Late:
            return QStringLiteral("迟到");
        case Verdict::Exception:
            return QStringLiteral("异常回应");
        case Verdict::Broadcast:
            return QStringLiteral("广播：不应回应");
    }
    return QString();
}

// The verdicts' words in the files, in enum order; English at the source.
const char* const kVerdictWords[kVerdictCount] = {
    QT_TRANSLATE_NOOP("Verdict", "good"),         QT_TRANSLATE_NOOP("Verdict", "no reply"),
    QT_TRANSLATE_NOOP("Verdict", "incomplete"),   QT_TRANSLATE_NOOP("Verdict", "check error"),
    QT_TRANSLATE_NOOP("Verdict", "other answer"), QT_TRANSLATE_NOOP("Verdict", "late"),
    QT_TRANSLATE_NOOP("Verdict", "exception"),    QT_TRANSLATE_NOOP("Verdict", "broadcast")};

QString VerdictFileWord(Verdict verdict) {
    return QCoreApplication::translate("Verdict", kVerdictWords[int(verdict)]);
}

QString VerdictEnglishName(Verdict verdict) {
    return QString::fromLatin1(kVerdictWords[int(verdict)]);
}

namespace {

// An exception reply's verdict, or a check error for one whose check is wrong.
Judgement Refused(const ExceptionFound& refusal, Framing framing) {
    if (!refusal.checkRight)
        return CheckFailed(framing, refusal.expectedCheck, refusal.receivedCheck,
                           framing == Framing::Rtu ? 3 : refusal.length - 4);
    return Verdicted(
        Verdict::Exception,
        QCoreApplication::translate("ReplyJudge",
                                    "exception %1: the device received the request and refused it; "
                                    "check the address, function and values it asks for")
            .arg(ExceptionCodeText(refusal.code)));
}

}  // namespace

Judgement JudgeReply(const QByteArray& request, const QByteArray& reply, Framing framing) {
    if (reply.isEmpty())
        return Verdicted(Verdict::NoReply,
                         QCoreApplication::translate(
                             "ReplyJudge",
                             "nothing arrived: check the drive's address, the line settings "
                             "(baud rate, format) and the wiring"));
    // A slave that refuses the request says why in a frame of its own, whatever the layout; an
    // answer to the request among the bytes still goes before it (the exception may be a late
    // answer to the request before).
    const std::optional<ExceptionFound> refusal = FindException(request, reply, framing);
    if (!IsWholeFrame(request, framing)) {
        if (refusal) return Refused(*refusal, framing);
        // Another layout: only the framing and the check can be judged.
        const int start = framing == Framing::Ascii ? int(reply.indexOf(':')) : 0;
        if (start < 0) return Verdicted(Verdict::Incomplete, NoFrameText(framing, 0));
        return FromRead(ReadAt(reply, start, framing, false), start, int(reply.size()) - start,
                        framing);
    }

    const QByteArray requestBody = ReadAt(request, 0, framing, true).body;
    const char opener = framing == Framing::Ascii ? ':' : requestBody.at(0);
    // The first whole, checked frame that answers the request; failing that, the first from the
    // drive asked or any whole frame tells who answered instead. A late reply to an earlier
    // request may come first.
    std::optional<std::pair<int, FrameRead>> answer, fromDrive, anyFrame;
    bool echoed = false;
    int afterEcho = 0;  // where the bytes after the last echo begin
    for (int s = 0; s < reply.size() && !answer; ++s) {
        if (framing == Framing::Ascii && reply.at(s) != ':') continue;
        const FrameRead read = ReadAt(reply, s, framing, true);
        if (read.outcome != ReadOutcome::Frame) continue;
        if (IsEchoOfRead(requestBody, read.body)) {
            echoed = true;
            afterEcho = s + int(read.consumed);
            s = afterEcho - 1;
            continue;
        }
        if (Mismatch(requestBody, read.body).isEmpty()) answer = {s, read};
        if (!fromDrive && read.body.at(0) == requestBody.at(0)) fromDrive = {s, read};
        if (!anyFrame) anyFrame = {s, read};
    }
    if (!answer && refusal) return Refused(*refusal, framing);
    if (!answer) answer = fromDrive ? fromDrive : anyFrame;
    // Only echoes: no drive answered. Bytes after them are judged as they stand.
    if (!answer && echoed && afterEcho >= reply.size())
        return Verdicted(Verdict::OtherAnswer, EchoText());
    if (answer) {
        Judgement judgement =
            FromRead(answer->second, answer->first, int(reply.size()) - answer->first, framing);
        const QString mismatch = Mismatch(requestBody, judgement.body);
        if (!mismatch.isEmpty()) return Verdicted(Verdict::OtherAnswer, mismatch);
        judgement.detail = ExtraBytesText(
            answer->first, int(reply.size()) - answer->first - answer->second.consumed);
        return judgement;
    }
    // No whole frame: what went wrong with the one that starts where the drive's would. Bytes
    // that make no frame at all are noise, not another device's answer.
    const int start = static_cast<int>(reply.indexOf(opener, afterEcho));
    if (start < 0) return Verdicted(Verdict::Incomplete, NoFrameText(framing, quint8(opener)));
    return FromRead(ReadAt(reply, start, framing, true), start, int(reply.size()) - start, framing);
}

Judgement JudgeReplyAs(const QByteArray& request, const QByteArray& reply, Framing framing,
                       Judging judging) {
    // Every slave carries out a request to address 0 and none answers it, by the protocol.
    if (IsBroadcast(request, framing)) {
        if (reply.isEmpty())
            return Verdicted(Verdict::Broadcast,
                             QCoreApplication::translate("ReplyJudge",
                                                         "a broadcast (address 0): every slave "
                                                         "carries it out and none answers"));
        return Verdicted(Verdict::OtherAnswer,
                         QCoreApplication::translate(
                             "ReplyJudge",
                             "an answer to a broadcast (address 0), which no slave may answer: "
                             "another master on the line, or a slave that answers broadcasts"));
    }
    if (judging == Judging::Drive || reply.isEmpty()) return JudgeReply(request, reply, framing);
    const Judgement standard = JudgeStandardReply(request, reply, framing);
    // An exception is named unless a good answer came as well.
    if (standard.verdict != Verdict::Good && FindException(request, reply, framing))
        return JudgeReply(request, reply, framing);
    if (judging == Judging::Standard) return standard;
    const auto matched = [](Judgement judgement, const char* reading) {
        if (judgement.verdict != Verdict::Good) return judgement;
        const QString note = QCoreApplication::translate("ReplyJudge", reading);
        judgement.detail =
            judgement.detail.isEmpty() ? note : judgement.detail + QStringLiteral("; ") + note;
        return judgement;
    };
    const char* const asStandard = QT_TRANSLATE_NOOP("ReplyJudge", "read as standard Modbus");
    // Only a request of the drive's layout has a drive's reading; any other is standard.
    if (!IsWholeFrame(request, framing)) return matched(standard, asStandard);
    const Judgement drive = JudgeReply(request, reply, framing);
    if (drive.verdict == Verdict::Good)
        return matched(drive, QT_TRANSLATE_NOOP("ReplyJudge", "read as the drive's protocol"));
    // Neither reading: the drive's, which the request's shape suggests, says what went wrong.
    return standard.verdict == Verdict::Good ? matched(standard, asStandard) : drive;
}

QString JudgingName(Judging judging) {
    switch (judging) {
        case Judging::Auto:
            return QCoreApplication::translate("Judging", "automatic");
        case Judging::Drive:
            return QCoreApplication::translate("Judging", "the drive's protocol");
        case Judging::Standard:
            return QCoreApplication::translate("Judging", "standard Modbus");
    }
    return QString();
}

bool IsEcho(const QByteArray& request, const QByteArray& reply) {
    return !request.isEmpty() && reply == request;
}

bool HoldsWholeReply(const QByteArray& request, const QByteArray& reply, Framing framing) {
    if (reply.isEmpty() || !IsWholeFrame(request, framing)) return false;
    // An exception that opens the reply ends it; one further on may answer the request before.
    if (const auto refusal = FindException(request, reply, framing))
        if (refusal->checkRight && refusal->start == 0) return true;
    const QByteArray requestBody = ReadAt(request, 0, framing, true).body;
    const char opener = framing == Framing::Ascii ? ':' : requestBody.at(0);
    // Only a frame that answers this request ends its capture: a late reply to the one before
    // must not, or every later capture would end on the reply meant for its predecessor.
    for (int start = 0; start < reply.size(); ++start) {
        if (reply.at(start) != opener) continue;
        const FrameRead read = ReadAt(reply, start, framing, true);
        const ReadOutcome outcome = read.outcome;
        const bool whole = outcome == ReadOutcome::Frame || outcome == ReadOutcome::BadCheck;
        if (whole && Mismatch(requestBody, read.body).isEmpty() &&
            !IsEchoOfRead(requestBody, read.body))
            return true;
    }
    return false;
}

int LeadingAnswerLength(const QByteArray& request, const QByteArray& bytes, Framing framing) {
    if (bytes.isEmpty() || !IsWholeFrame(request, framing)) return 0;
    const FrameRead read = ReadAt(bytes, 0, framing, true);
    if (read.outcome != ReadOutcome::Frame) return 0;
    const QByteArray requestBody = ReadAt(request, 0, framing, true).body;
    const bool answers =
        Mismatch(requestBody, read.body).isEmpty() && !IsEchoOfRead(requestBody, read.body);
    return answers ? read.consumed : 0;
}

}  // namespace exchange
