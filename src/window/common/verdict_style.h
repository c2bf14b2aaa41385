// How a judged reply looks on screen: the same colours in the log, the grid and the history.
#pragma once

#include <QColor>
#include <QPalette>
#include <optional>

#include "exchange/reply_judge.h"

// The background of a line whose reply is not good, chosen to read on the palette's own
// background whether it is light or dark; nothing for a good reply.
std::optional<QColor> VerdictBackground(const QPalette& palette, exchange::Verdict verdict);

// The background of a line that says nothing was sent.
QColor NotSentBackground(const QPalette& palette);

// The text colour that marks the check bytes of a reply whose check failed.
QColor CheckErrorText(const QPalette& palette);
