#include "exchange/capture_timing.h"

#include <algorithm>
#include <cmath>

namespace exchange {
namespace {

// Modbus ASCII lets its characters come up to a second apart, and a PC's scheduler or a USB
// adapter pauses for milliseconds: silence ends an ASCII frame without its line feed, or a
// poll's answer that is still short of the length the same request's answers had, only after
// this long. A request sent into the rest of an answer would collide with it on the line.
constexpr std::chrono::microseconds kLongSilence{20000};

}  // namespace

void Arrivals::add(const QByteArray& more, Clock::time_point now) {
    if (more.isEmpty()) return;
    if (bytes.isEmpty()) first = now;
    bytes += more;
    last = now;
}

int MillisecondsBetween(Clock::time_point from, Clock::time_point to) {
    return static_cast<int>(
        std::lround(std::chrono::duration<double, std::milli>(to - from).count()));
}

int MillisecondsUntil(Clock::time_point at) {
    const auto left = std::chrono::duration<double, std::milli>(at - Clock::now()).count();
    return left <= 0 ? 0 : static_cast<int>(std::ceil(left));
}

Clock::duration WireTime(const serial::PortSettings& line, qsizetype characters) {
    return std::chrono::duration_cast<Clock::duration>(serial::CharacterTime(line) * characters);
}

std::chrono::microseconds SilenceEndingFrame(const serial::PortSettings& line,
                                             frame::Framing framing, bool answerUnderway) {
    const std::chrono::microseconds gap = serial::FrameGap(line);
    return (framing == frame::Framing::Ascii || answerUnderway
                ? std::max<std::chrono::microseconds>(gap, kLongSilence)
                : gap) +
           line.linkSilence;
}

bool FrameEnded(const Arrivals& arrivals, Clock::time_point now, const serial::PortSettings& line,
                frame::Framing framing, bool answerUnderway) {
    if (arrivals.isEmpty()) return false;
    if (framing == frame::Framing::Ascii) {
        const auto colon = arrivals.bytes.indexOf(':');
        if (colon >= 0 && arrivals.bytes.indexOf('\n', colon) >= 0) return true;
    }
    return now - arrivals.last >= SilenceEndingFrame(line, framing, answerUnderway);
}

}  // namespace exchange
