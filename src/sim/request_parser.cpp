#include "sim/request_parser.h"

#include "frame/frame_reader.h"

namespace sim {
namespace {

// Where a frame of either framing stands at the front of the held bytes; a frame whose check
// fails is no frame here.
enum class Outcome { Frame, NeedMore, Invalid };

Outcome Classify(const frame::FrameRead& read) {
    switch (read.outcome) {
        case frame::ReadOutcome::Frame:
            return Outcome::Frame;
        case frame::ReadOutcome::NeedMore:
            return Outcome::NeedMore;
        default:
            return Outcome::Invalid;
    }
}

}  // namespace

std::vector<Request> RequestParser::feed(const QByteArray& bytes) {
    buffer_.append(bytes);
    return scan(false);
}

std::vector<Request> RequestParser::flush() {
    return scan(true);
}

std::vector<Request> RequestParser::scan(bool lineQuiet) {
    std::vector<Request> found;
    const char* data = buffer_.constData();
    const int size = static_cast<int>(buffer_.size());
    int pos = 0;
    while (pos < size) {
        const int available = size - pos;
        // A colon starts an ASCII frame, but it is also address 58 of an RTU frame: both
        // readings are tried and the one whose check holds wins.
        const frame::FrameRead asciiRead =
            data[pos] == ':' ? frame::ReadAsciiFrame(data + pos, available) : frame::FrameRead{};
        const Outcome ascii = Classify(asciiRead);
        // An ASCII frame still arriving wins over an RTU reading of its first bytes, so a
        // request reads the same however the line splits it; silence settles the rest.
        if (ascii == Outcome::NeedMore && !lineQuiet) break;
        const frame::FrameRead rtuRead = ascii == Outcome::Frame
                                             ? frame::FrameRead{}
                                             : frame::ReadRtuFrame(data + pos, available);
        const Outcome rtu = Classify(rtuRead);
        if (ascii == Outcome::Frame || rtu == Outcome::Frame) {
            const bool isAscii = ascii == Outcome::Frame;
            const frame::FrameRead& hit = isAscii ? asciiRead : rtuRead;
            found.push_back({isAscii ? frame::Framing::Ascii : frame::Framing::Rtu, hit.body});
            pos += hit.consumed;
            continue;
        }
        const bool mayComplete = ascii == Outcome::NeedMore || rtu == Outcome::NeedMore;
        if (mayComplete && !lineQuiet) break;
        ++pos;
    }
    buffer_.remove(0, pos);
    return found;
}

}  // namespace sim
