// What the exchange core reports: one record per frame on the line, and each finished exchange.
#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <chrono>
#include <optional>

#include "exchange/reply_judge.h"

namespace exchange {

enum class Direction : quint8 {
    Sent,          // a request went out
    Received,      // the reply its capture collected (possibly nothing)
    LateReceived,  // bytes that arrived after their exchange had ended
    NotSent,       // a send found the port closed: nothing went out
};

// Who asked for the exchange: the send button or a quick command, a tick of timed mode, the
// trend poller, or a job (the drive finder, the parameter jobs).
enum class Origin : quint8 { Manual, Timed, Poll, Job };

// The history keeps 100,000 of these: the small fields are packed after the large ones.
struct ExchangeRecord {
    quint64 exchangeId = 0;
    qint64 timeMs = 0;  // wall clock, milliseconds since the epoch
    QByteArray bytes;
    QString detail;
    int counter = 0;
    // From the end of the request to the first and the last reply byte; -1 when none came.
    int firstByteMs = -1;
    int lastByteMs = -1;
    Direction direction = Direction::Sent;
    Origin origin = Origin::Manual;
    std::optional<Verdict> verdict;  // replies only
};

// A request and the reply its capture collected, judged.
struct Exchange {
    quint64 id = 0;
    // The moment the request had left the port: the reply and its delays count from here.
    std::chrono::steady_clock::time_point requestEnd;
    bool sent = true;  // false when the port was closed and nothing went out
    Origin origin = Origin::Manual;
    Judging judging = Judging::Drive;
    int counter = 0;
    QByteArray request;
    // The request's own bytes come back on a line that echoes what is sent (an adapter, a
    // two-wire bus with its receiver on): kept apart from the reply, which follows them.
    QByteArray echo;
    QByteArray reply;
    Judgement judgement;
    int firstByteMs = -1;
    int lastByteMs = -1;
    // The first and last byte's delays to the microsecond, for figures that add many of them up.
    std::chrono::microseconds firstByteDelay{-1};
    std::chrono::microseconds lastByteDelay{-1};
};

}  // namespace exchange
