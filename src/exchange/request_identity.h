// What a request says about the answers it may get: who is asked, whether anyone answers at all
// (a broadcast), and which other requests' answers look just like its own.
#pragma once

#include <QByteArray>
#include <optional>

#include "frame/frame_composer.h"

namespace exchange {

// The request's body (address, command or function, and data) when it is a whole frame whose
// check holds, of the drive's layout or any other; nothing otherwise.
std::optional<QByteArray> RequestBody(const QByteArray& request, frame::Framing framing);

// A request to address 0: Modbus' broadcast, carried out by every slave and answered by none.
bool IsBroadcast(const QByteArray& request, frame::Framing framing);

// Whether an answer to one request would pass for an answer to the other: the same address and
// command (function) and, in the drive's layout, the same function number. Their data may
// differ: the answer does not repeat it.
bool AnswersAlike(const QByteArray& first, const QByteArray& second, frame::Framing framing);

// Whether `bytes` begin like an answer to `request`: its address and its command or function
// (also with the exception bit set). The rest is left to the reply's judge.
bool BeginsAnswer(const QByteArray& request, const QByteArray& bytes, frame::Framing framing);

// The length of the RTU answer that `bytes` begin, read from its first bytes (the drive's length
// byte, or an exception's fixed five), when they begin an answer to `request` of the drive's
// layout; before the length byte has come, the three bytes up to it; 0 for bytes that begin no
// such answer.
int AnswerLengthFromStart(const QByteArray& request, const QByteArray& bytes,
                          frame::Framing framing);

}  // namespace exchange
