// Picks the drive's requests out of the bytes that arrive on the line.
//
// Both framings may share one line. A frame that starts with ':' is Modbus ASCII: hexadecimal
// text of the body and its LRC, ended by CR LF. Any other frame is Modbus RTU: address, command,
// length L, L bytes, then the CRC-16 low byte first, so the length byte says where it ends.
// A frame whose check fails is not a frame: the parser moves on by one byte and looks again.
#pragma once

#include <QByteArray>
#include <vector>

#include "frame/frame_composer.h"

namespace sim {

struct Request {
    frame::Framing framing;
    QByteArray body;  // address, command, length L, then L bytes (function first, then data)

    quint8 address() const { return static_cast<quint8>(body.at(0)); }
    quint8 command() const { return static_cast<quint8>(body.at(1)); }
};

// The longest body: address, command, length and 255 bytes.
constexpr int kMaxBodyLength = 3 + 255;

class RequestParser {
  public:
    // Adds bytes from the line and returns every complete, valid request now found, in order.
    // A partial frame at the end is kept for the next call.
    std::vector<Request> feed(const QByteArray& bytes);

    // The line went quiet: no byte will complete what is held, so whatever frames it contains
    // are returned and the rest is dropped.
    std::vector<Request> flush();

    // Bytes are held that may still become a frame.
    bool pending() const { return !buffer_.isEmpty(); }

  private:
    std::vector<Request> scan(bool lineQuiet);

    QByteArray buffer_;
};

}  // namespace sim
