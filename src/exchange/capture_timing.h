// The timing of a capture: bytes as they arrive, and when the silence after them ends a frame.
#pragma once

#include <QByteArray>
#include <chrono>

#include "frame/frame_composer.h"
#include "serial/port_settings.h"

namespace exchange {

using Clock = std::chrono::steady_clock;

// Bytes taken from the port over a while, with the times the first and the last were taken.
struct Arrivals {
    QByteArray bytes;
    Clock::time_point first;
    Clock::time_point last;
    bool isEmpty() const { return bytes.isEmpty(); }
    void add(const QByteArray& more, Clock::time_point now);
};

int MillisecondsBetween(Clock::time_point from, Clock::time_point to);
// Milliseconds until `at`, rounded up so a timer never wakes just before its moment.
int MillisecondsUntil(Clock::time_point at);

// The wire time of `characters` characters at these settings.
Clock::duration WireTime(const serial::PortSettings& line, qsizetype characters);

// The silence after the last byte that ends a frame whose end the bytes do not tell. RTU frames
// end with a frame gap; ASCII ones, and a poll's answer still short of its length
// (`answerUnderway`), only after a longer silence.
std::chrono::microseconds SilenceEndingFrame(const serial::PortSettings& line,
                                             frame::Framing framing, bool answerUnderway = false);

// Whether the bytes make a frame that has ended by `now`: an ASCII line end after the colon,
// or the silence above.
bool FrameEnded(const Arrivals& arrivals, Clock::time_point now, const serial::PortSettings& line,
                frame::Framing framing, bool answerUnderway = false);

}  // namespace exchange
