// The exchange history as text, for a failure message: what went out and came back, and when.
#pragma once

#include <QString>

#include "exchange/history.h"
#include "exchange/reply_judge.h"

inline QString HistoryDump(const exchange::History& history) {
    QString text;
    for (std::size_t row = 0; row < history.size(); ++row) {
        const exchange::ExchangeRecord& r = history.at(row);
        text += QStringLiteral("\n  %1 #%2 [%3] %4 %5 first %6 ms last %7 ms")
                    .arg(r.timeMs % 100000)
                    .arg(r.counter)
                    .arg(int(r.direction))
                    .arg(QString::fromLatin1(r.bytes.toHex(' ')))
                    .arg(r.verdict ? exchange::VerdictEnglishName(*r.verdict) : QString())
                    .arg(r.firstByteMs)
                    .arg(r.lastByteMs);
    }
    return text;
}
