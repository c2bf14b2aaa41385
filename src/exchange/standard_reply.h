// Replies judged by the standard Modbus layouts, for frames typed by hand to a device that is
// not this drive: 01-04 answer with a byte count and that many bytes, 05, 06 and 08 echo the
// request, 0F and 10 echo its address and quantity; other functions are judged by framing and
// check alone.
#pragma once

#include <QByteArray>

#include "exchange/reply_judge.h"

namespace exchange {

// `request` is a whole frame of `framing` (RTU with its CRC, or an ASCII line); a request that
// is none is judged by framing and check alone. Exception replies are judged before this.
Judgement JudgeStandardReply(const QByteArray& request, const QByteArray& reply,
                             frame::Framing framing);

}  // namespace exchange
