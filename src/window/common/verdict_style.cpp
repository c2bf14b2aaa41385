#include "window/common/verdict_style.h"

namespace {

bool IsDark(const QPalette& palette) {
    return palette.color(QPalette::Base).lightness() < 128;
}

// Soft tints on a light palette, deep ones on a dark palette; the text colour of either
// palette stays readable on them.
QColor Red(const QPalette& palette) {
    return IsDark(palette) ? QColor(0x7a, 0x22, 0x22) : QColor(0xff, 0xc8, 0xc8);
}
QColor Amber(const QPalette& palette) {
    return IsDark(palette) ? QColor(0x6e, 0x52, 0x10) : QColor(0xff, 0xe6, 0xa6);
}

}  // namespace

std::optional<QColor> VerdictBackground(const QPalette& palette, exchange::Verdict verdict) {
    switch (verdict) {
        case exchange::Verdict::Good:
        case exchange::Verdict::Broadcast:
            return std::nullopt;
        case exchange::Verdict::CheckError:
        case exchange::Verdict::OtherAnswer:
        case exchange::Verdict::Incomplete:
        case exchange::Verdict::Exception:
            return Red(palette);
        case exchange::Verdict::NoReply:
        case exchange::Verdict::Late:
            return Amber(palette);
    }
    return std::nullopt;
}

QColor NotSentBackground(const QPalette& palette) {
    return Amber(palette);
}

QColor CheckErrorText(const QPalette& palette) {
    return IsDark(palette) ? QColor(0xff, 0x6b, 0x6b) : QColor(0xc0, 0x00, 0x00);
}
