// Judges a reply against the request it answers: one verdict per reply, from the bytes alone.
#pragma once

#include <QByteArray>
#include <QString>

#include "frame/frame_composer.h"

namespace exchange {

enum class Verdict : quint8 {
    Good,         // a whole frame whose check holds and which answers the request
    NoReply,      // nothing arrived
    Incomplete,   // a frame started but did not end, or the bytes make no frame of this framing
    CheckError,   // the CRC-16 or LRC does not match the frame
    OtherAnswer,  // a whole frame whose address, command or function differ from the request
    Late,         // bytes that arrived after their exchange had ended
    Exception,    // a standard Modbus exception reply: the slave refused the request
    Broadcast,    // a request to address 0, which no slave answers, and nothing came
};
constexpr int kVerdictCount = 8;

// The verdict as the window shows it in every language ("正常", "无回应", ...); in English for
// the history's filter, so "good" finds the good ones too; and in the user's language for the
// CSV files ("good" or "正常").
QString VerdictName(Verdict verdict);
QString VerdictEnglishName(Verdict verdict);
QString VerdictFileWord(Verdict verdict);

struct Judgement {
    Verdict verdict = Verdict::NoReply;
    // What is wrong with a reply that is not good ("CRC expected 6D 7D, received 6D 00"); for a
    // good one, the bytes that came with it ("72 bytes after it"), or nothing.
    QString detail;
    // The check's place in the reply, for marking it: first byte and count (0 when none).
    int checkAt = -1;
    int checkLength = 0;
    // A good reply's body: address, command, length, function and data.
    QByteArray body;
};

// How a reply is read: as the drive's protocol, as standard Modbus, or as whichever of the two
// it answers (a frame typed by hand may be either: the drive's write has the shape of a standard
// function 02 read). Quick commands, timed mode of their requests and the poller use the drive's.
enum class Judging { Auto, Drive, Standard };

// The reply judged as `judging` reads it. Under Auto a good answer by either reading is good,
// and its detail says which reading it matched.
Judgement JudgeReplyAs(const QByteArray& request, const QByteArray& reply, frame::Framing framing,
                       Judging judging);
// As the menu and the history's title name them: "自动", "变频器协议", "标准 Modbus" in Chinese.
QString JudgingName(Judging judging);

// A check error: the check the frame should have and the one it has (the CRC as on the wire,
// low byte first), and where the check stands in the reply.
Judgement CheckFailed(frame::Framing framing, quint16 expected, quint16 received, int checkAt);

// `framing` is the framing the request was sent in. A request of the drive's layout (a whole
// frame of that framing) is answered by a whole, checked frame of the same layout from its
// address, with its command and function; bytes before or after that frame do not spoil it.
// Without such a frame, the verdict describes the frame that starts at the first byte equal
// to the address (RTU) or the first ':' (ASCII). Any other request is answered by any frame of
// the framing whose check holds: the whole reply in RTU, from the first ':' in ASCII.
Judgement JudgeReply(const QByteArray& request, const QByteArray& reply, frame::Framing framing);

// The reply is exactly the request: the line echoes what was sent.
bool IsEcho(const QByteArray& request, const QByteArray& reply);

// Whether `reply` already holds a whole frame of the drive's layout answering `request` (its
// check right or wrong): no more bytes of it are to come.
bool HoldsWholeReply(const QByteArray& request, const QByteArray& reply, frame::Framing framing);

// The length of the whole, checked frame at the very start of `bytes` when it answers `request`
// (a request of the drive's layout); 0 otherwise.
int LeadingAnswerLength(const QByteArray& request, const QByteArray& bytes, frame::Framing framing);

}  // namespace exchange
