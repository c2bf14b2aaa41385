// One reading of the output frequency of drive 1 through the exchange core, as the tests of the
// network lines take it; what went over the line is told when it is not good.
#pragma once

#include <QtGlobal>

#include "exchange/exchange_core.h"
#include "frame/frame_composer.h"
#include "history_dump.h"

inline exchange::Verdict ReadOnce(exchange::ExchangeCore& core, frame::Framing framing) {
    frame::RequestFields fields{"1", "4", "1", "1", {}};
    exchange::Request request{frame::ComposeFrame(fields, framing), exchange::Origin::Manual};
    const auto done = core.waitForExchange(core.submit(request), std::chrono::seconds(3));
    if (done && done->judgement.verdict != exchange::Verdict::Good)
        qWarning("%s", qPrintable(HistoryDump(core.history())));
    return done ? done->judgement.verdict : exchange::Verdict::NoReply;
}
