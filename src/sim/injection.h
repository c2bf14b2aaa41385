// Faults of the line that the simulated drive can play on purpose, for tests and demonstrations.
//
// The master collects a reply 50 ms after its request and shows at most 64 bytes of it, so each
// fault lands on one edge of that: a reply that never comes, comes after the window, comes in
// pieces inside it, fails its check, is noise, or overflows the 64 cells.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <random>
#include <vector>

#include "frame/frame_composer.h"

namespace sim {

enum class Injection {
    None,           // the reply as built
    NoReply,        // silence
    LateReply,      // the reply kLateReplyMs after the request
    SplitReply,     // the reply in pieces with gaps, all of it within kSplitSpanMs
    BadCheck,       // the reply with its CRC or LRC altered
    Garbage,        // random bytes instead of the reply
    Oversize,       // the reply followed by more bytes, kOversizeLength in all
    OtherFunction,  // a well-checked reply that names another function than the request
    Exception,      // a standard Modbus exception: illegal data address (02) for the command
    OtherAddress,   // a well-checked reply from the next address up, as a drive set otherwise
};

constexpr int kLateReplyMs = 120;
constexpr int kSplitPieces = 3;
constexpr int kSplitGapMs = 8;
constexpr int kSplitSpanMs = (kSplitPieces - 1) * kSplitGapMs;
constexpr int kOversizeLength = 80;

// The names used on the command line: none, no-reply, late, split, bad-check, garbage, oversize,
// other-function, exception, other-address.
QString InjectionName(Injection injection);
std::optional<Injection> ParseInjection(const QString& name);
QStringList InjectionNames();

// One write of the drive: `delayMs` after the previous piece (the first after the request).
struct Piece {
    int delayMs;
    QByteArray bytes;
};

// What goes on the line instead of `reply` (a framed reply) under an injection. Random bytes
// come from `random`, so a seeded generator gives the same noise every run.
std::vector<Piece> Shape(const QByteArray& reply, frame::Framing framing, Injection injection,
                         std::mt19937& random);

}  // namespace sim
