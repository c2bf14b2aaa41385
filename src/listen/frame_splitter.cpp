#include "listen/frame_splitter.h"

#include <algorithm>

#include "frame/checksum.h"
#include "frame/frame_reader.h"

namespace listen {
namespace {

// The longest RTU frame: a standard write of 255 bytes of values.
constexpr int kLongestRtuFrame = 9 + 255;
// An ASCII frame carries each byte as two characters; past this much text a ':' without its
// CR LF is taken for noise.
constexpr int kLongestAsciiFrame = 1 + 2 * (kLongestRtuFrame - 2 + 1) + 2;
// How long bytes that could still become a frame are held on a silent line. An RTU master
// waits 3.5 characters, but USB adapters deliver in pieces up to 16 ms apart; ASCII allows a
// second between characters.
constexpr qint64 kRtuHoldUs = 50'000;
constexpr qint64 kAsciiHoldUs = 1'000'000;

bool CrcHolds(const char* bytes, int length) {
    if (length < 4) return false;
    const quint16 crc = frame::Crc16Modbus(QByteArray::fromRawData(bytes, length - 2));
    return quint8(bytes[length - 2]) == (crc & 0xFF) && quint8(bytes[length - 1]) == (crc >> 8);
}

// The shortest whole frame at `bytes`, or 0.
int WholeRtuFrameAt(const char* bytes, int available) {
    bool known = false;
    for (int length : RtuFrameLengths(bytes, available, &known))
        if (length <= available && CrcHolds(bytes, length)) return length;
    return 0;
}

}  // namespace

qint64 InterCharacterGapUs(const serial::PortSettings& line) {
    if (line.baudRate > 19200) return 750;
    return serial::CharacterTime(line).count() * 3 / 2;
}

std::vector<int> RtuFrameLengths(const char* bytes, int available, bool* known) {
    std::vector<int> lengths{5, 8};
    *known = available >= 3;
    if (available >= 3) lengths.push_back(5 + quint8(bytes[2]));
    const quint8 function = available >= 2 ? quint8(bytes[1]) : 0;
    if (function == 15 || function == 16) {
        if (available >= 7)
            lengths.push_back(9 + quint8(bytes[6]));
        else
            *known = false;
    }
    std::sort(lengths.begin(), lengths.end());
    lengths.erase(std::unique(lengths.begin(), lengths.end()), lengths.end());
    return lengths;
}

FrameSplitter::FrameSplitter(const serial::PortSettings& line, frame::Framing framing)
    : framing_(framing),
      characterUs_(serial::CharacterTime(line).count()),
      gapUs_(InterCharacterGapUs(line)),
      holdUs_(framing == frame::Framing::Rtu ? kRtuHoldUs : kAsciiHoldUs) {}

void FrameSplitter::feed(const QByteArray& bytes, qint64 arrivalUs) {
    const int count = int(bytes.size());
    for (int i = 0; i < count; ++i) {
        // The last byte came by the read; those before it a character time apart, never
        // overlapping the byte before them.
        qint64 at = arrivalUs - characterUs_ * (count - 1 - i);
        if (anyByte_) at = std::min(arrivalUs, std::max(at, lastTimeUs_ + characterUs_));
        times_.push_back(at);
        lastTimeUs_ = at;
        anyByte_ = true;
    }
    held_.append(bytes);
    split(Stage::Arriving);
}

void FrameSplitter::idle(qint64 nowUs) {
    if (!held_.isEmpty() && nowUs - lastTimeUs_ >= holdUs_) split(Stage::Silent);
}

void FrameSplitter::flush() {
    split(Stage::Final);
}

qint64 FrameSplitter::nextDeadlineUs() const {
    return held_.isEmpty() ? -1 : lastTimeUs_ + holdUs_;
}

std::vector<BusFrame> FrameSplitter::take() {
    std::vector<BusFrame> frames;
    frames.swap(done_);
    return frames;
}

void FrameSplitter::split(Stage stage) {
    while (!held_.isEmpty()) {
        const bool cut = framing_ == frame::Framing::Rtu ? splitRtu(stage) : splitAscii(stage);
        if (!cut) return;
    }
}

void FrameSplitter::cut(int count, FrameShape shape) {
    BusFrame frame;
    frame.bytes = held_.left(count);
    frame.firstByteUs = times_.front() - characterUs_;
    frame.lastByteUs = times_[std::size_t(count) - 1];
    frame.shape = shape;
    done_.push_back(std::move(frame));
    held_.remove(0, count);
    times_.erase(times_.begin(), times_.begin() + count);
}

// The first byte from `from` on that follows a silence longer than the gap; 0 when none.
int FrameSplitter::firstGapAfter(int from) const {
    for (std::size_t i = std::size_t(std::max(from, 1)); i < times_.size(); ++i)
        if (times_[i] - characterUs_ - times_[i - 1] > gapUs_) return int(i);
    return 0;
}

bool FrameSplitter::splitRtu(Stage stage) {
    const char* data = held_.constData();
    const int available = int(held_.size());
    bool known = false;
    const std::vector<int> lengths = RtuFrameLengths(data, available, &known);
    if (const int whole = WholeRtuFrameAt(data, available)) {
        cut(whole, FrameShape::Whole);
        return true;
    }
    const auto badShape = [&](int count) {
        return std::find(lengths.begin(), lengths.end(), count) != lengths.end()
                   ? FrameShape::BadCheck
                   : FrameShape::Noise;
    };
    const bool mayGrow = !known || lengths.back() > available;
    const int gap = firstGapAfter(1);
    if (stage == Stage::Arriving && mayGrow) {
        // Cut short and followed by a whole frame after a silence: no byte will complete it.
        if (gap && WholeRtuFrameAt(data + gap, available - gap)) {
            cut(gap, badShape(gap));
            return true;
        }
        return false;
    }
    // Bytes that make no frame end where a whole frame begins: the tail of a frame the listener
    // came in on, or a spoiled frame merged with what followed. A whole frame wins over a
    // silence, which an adapter's pieces put anywhere.
    for (int start = 1; start < (gap ? gap : available); ++start) {
        if (WholeRtuFrameAt(data + start, available - start)) {
            cut(start, badShape(start));
            return true;
        }
    }
    if (gap) {
        cut(gap, badShape(gap));
        return true;
    }
    if (stage != Stage::Arriving || available > kLongestRtuFrame) {
        cut(std::min(available, kLongestRtuFrame), badShape(available));
        return true;
    }
    return false;
}

bool FrameSplitter::splitAscii(Stage stage) {
    const int available = int(held_.size());
    const bool silent = stage != Stage::Arriving;
    if (held_.front() != ':') {
        const int colon = int(held_.indexOf(':'));
        if (colon > 0) {
            cut(colon, FrameShape::Noise);
            return true;
        }
        if (silent || available > kLongestAsciiFrame) {
            cut(available, FrameShape::Noise);
            return true;
        }
        return false;
    }
    const int lineEnd = int(held_.indexOf('\n'));
    const int nextColon = int(held_.indexOf(':', 1));
    // A new frame began before this one's line end: this one was cut short.
    if (nextColon > 0 && (lineEnd < 0 || nextColon < lineEnd)) {
        cut(nextColon, FrameShape::Noise);
        return true;
    }
    if (lineEnd >= 0) {
        const frame::FrameRead read = frame::ReadAsciiFrame(held_.constData(), lineEnd + 1, false);
        const FrameShape shape = read.outcome == frame::ReadOutcome::Frame ? FrameShape::Whole
                                 : read.outcome == frame::ReadOutcome::BadCheck
                                     ? FrameShape::BadCheck
                                     : FrameShape::Noise;
        cut(lineEnd + 1, shape);
        return true;
    }
    if (silent || available > kLongestAsciiFrame) {
        cut(std::min(available, kLongestAsciiFrame), FrameShape::Noise);
        return true;
    }
    return false;
}

}  // namespace listen
