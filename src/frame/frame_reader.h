// Reads one frame of the drive's layout out of received bytes, in either framing.
//
// Drive layout: address, command, length L, then L bytes (the function number first). Modbus
// RTU follows the body with its CRC-16, low byte first; Modbus ASCII writes ':', the body and
// its LRC as pairs of hexadecimal digits, then CR LF.
#pragma once

#include <QByteArray>

namespace frame {

enum class ReadOutcome {
    Frame,     // a whole frame whose check holds
    NeedMore,  // a frame has started but its last byte has not arrived
    BadCheck,  // a whole frame whose CRC or LRC does not match its body
    Malformed  // not a frame of this framing (a non-hexadecimal character, a wrong line end)
};

struct FrameRead {
    ReadOutcome outcome = ReadOutcome::Malformed;
    int consumed = 0;  // bytes of the frame on the line (whole frames and bad checks)
    QByteArray body;   // address, command, length and the L bytes
    // The check the body needs and the one the frame carries (RTU: low byte first as sent).
    quint16 expectedCheck = 0;
    quint16 receivedCheck = 0;
    // Where the check stands in the frame: RTU two bytes, ASCII two hexadecimal characters.
    int checkOffset = 0;
};

// An RTU frame at `data`. The length byte says where it ends.
FrameRead ReadRtuFrame(const char* data, int available);

// An ASCII frame at `data`, which starts with ':'. `bodyLengthFromField` makes the length byte
// bound the frame, as the drive layout does; without it any number of byte pairs up to CR LF
// is taken, for frames of other layouts.
FrameRead ReadAsciiFrame(const char* data, int available, bool bodyLengthFromField = true);

// RTU without a layout: the whole of `bytes` as body plus CRC.
FrameRead ReadRtuBlock(const QByteArray& bytes);

}  // namespace frame
