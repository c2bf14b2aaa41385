// A standard Modbus exception reply: the slave's address, the request's function with its top
// bit set, one exception code and the check. A slave sends it when it understood a request but
// refuses it (an address it does not have, a value out of range, busy).
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

#include "frame/frame_composer.h"

namespace exchange {

struct ExceptionFound {
    int start = 0;    // where the exception frame begins in the reply
    int length = 0;   // its bytes on the line
    quint8 code = 0;  // the exception code
    // A frame of an exception's shape, alone in the reply, whose check is wrong: the check it
    // should have and the one it has (CRC low byte first, as on the wire).
    bool checkRight = true;
    quint16 expectedCheck = 0;
    quint16 receivedCheck = 0;
};

// The first exception frame in `reply` that answers `request` (a whole frame of `framing`,
// whose first two bytes are the address and the function), with its check right; failing
// that, a reply that is nothing but such a frame with a wrong check; nothing otherwise. RTU: five
// bytes, the CRC's low byte first. ASCII: ':', three bytes as hex, LRC, CR LF.
std::optional<ExceptionFound> FindException(const QByteArray& request, const QByteArray& reply,
                                            frame::Framing framing);

// "02 非法数据地址" in Chinese, "02 illegal data address" in English; other codes by number.
QString ExceptionCodeText(quint8 code);

}  // namespace exchange
