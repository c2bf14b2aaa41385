// Cuts the bytes heard on a bus into frames, in either framing, whatever pieces the port
// delivers them in.
//
// The frame's own structure comes first: an RTU frame ends where a length that the drive's
// layout or a standard function gives has a CRC that holds, so a USB adapter that merges a
// request and its reply into one chunk, or cuts a long frame into 32-byte pieces 16 ms apart,
// changes nothing. Silence on the line (more than 1.5 character times) only decides where bytes
// that make no whole frame end: a frame cut short, a spoiled check, noise.
#pragma once

#include <QByteArray>
#include <vector>

#include "frame/frame_composer.h"
#include "serial/port_settings.h"

namespace listen {

enum class FrameShape {
    Whole,     // its check holds
    BadCheck,  // a length the structure allows, but the check does not match
    Noise,     // bytes that make no frame of this framing: cut short, or garbage
};

struct BusFrame {
    QByteArray bytes;  // as on the wire (ASCII: ':' to CR LF)
    qint64 firstByteUs = 0;
    qint64 lastByteUs = 0;
    FrameShape shape = FrameShape::Noise;
};

// The silence between two characters that ends an RTU frame: 1.5 character times, and a fixed
// 750 us above 19200 baud, as the Modbus serial line guide allows.
qint64 InterCharacterGapUs(const serial::PortSettings& line);

class FrameSplitter {
  public:
    FrameSplitter(const serial::PortSettings& line, frame::Framing framing);

    // Bytes as one read of the port delivered them, at `arrivalUs` (its last byte had arrived
    // by then; the ones before it are dated back by their wire time).
    void feed(const QByteArray& bytes, qint64 arrivalUs);
    // No bytes came until `nowUs`: held bytes that the silence proves ended become frames.
    void idle(qint64 nowUs);
    // Listening ends: everything held becomes a frame.
    void flush();
    // When idle() may end what is held; -1 when nothing is held.
    qint64 nextDeadlineUs() const;

    // The frames completed since the last call, in order.
    std::vector<BusFrame> take();

    qint64 characterUs() const { return characterUs_; }

  private:
    enum class Stage { Arriving, Silent, Final };
    void split(Stage stage);
    bool splitRtu(Stage stage);
    bool splitAscii(Stage stage);
    void cut(int count, FrameShape shape);
    int firstGapAfter(int from) const;

    frame::Framing framing_;
    qint64 characterUs_;
    qint64 gapUs_;
    qint64 holdUs_;  // silence after which bytes that could still grow are given up
    QByteArray held_;
    std::vector<qint64> times_;  // end of each held byte's character
    qint64 lastTimeUs_ = 0;
    bool anyByte_ = false;
    std::vector<BusFrame> done_;
};

// The lengths an RTU frame starting at `bytes` can have, ascending: the drive's layout (3 bytes,
// the length byte's count, CRC), a standard request or echo (8), an exception (5), a standard
// write of several values (9 + its byte count). `known` is false while too few bytes are there
// to tell them all.
std::vector<int> RtuFrameLengths(const char* bytes, int available, bool* known);

}  // namespace listen
