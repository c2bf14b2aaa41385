// What a UART hears of characters sent at other line settings: the bits of each character as
// they go on the wire, sampled at the receiver's own rate and format.
#pragma once

#include <QByteArray>

#include "serial/port_settings.h"

namespace sim {

// `bytes` sent back to back at `sender` as a receiver set to `receiver` reads them. A character
// whose stop bit is missing (a framing error) or whose parity is wrong reads as 00, as Linux
// delivers it by default. At equal settings the bytes come out unchanged.
QByteArray HeardAs(const QByteArray& bytes, const serial::PortSettings& sender,
                   const serial::PortSettings& receiver);

}  // namespace sim
