// How a history record reads: the columns of the history window, its CSV rows and its plain
// text lines, and what the window's filter matches.
#pragma once

#include <QString>

#include "exchange/exchange_record.h"

namespace exchange {

enum class HistoryColumn {
    Time,       // local time, milliseconds
    Counter,    // the exchange counter the request shares with its reply
    Direction,  // TXD, RXD, late RXD, not sent
    ByteCount,
    Hex,         // every byte, not cut at 64
    Characters,  // every byte as in the log, 00 as ␀
    Verdict,     // of the reply; "—" where there is none yet
    FirstByteMs,
    LastByteMs,
    Detail,  // what is wrong with a reply that is not good
};
constexpr int kHistoryColumns = 10;

QString ColumnTitle(HistoryColumn column);
// `withDate` gives the full date in the time column, as files need it.
QString CellText(const ExchangeRecord& record, HistoryColumn column, bool withDate = false);

// One CSV row (fields quoted where they hold a comma, a quote or a line break), ending in CR LF;
// the header row names the columns. Files start with a UTF-8 byte order mark so spreadsheet
// programs read the Chinese headers.
QString CsvHeader();
// A CSV field as written: quoted where it holds a comma, a quote or a line break.
QString CsvField(const QString& field);
QString CsvRow(const ExchangeRecord& record);
// The row that starts a run's records in a --record file: its time, "new run" in the direction
// column and `what` (version, port, line settings) as the note, so a counter that starts again
// at 00000 is told apart from the run before.
QString SessionCsvRow(qint64 timeMs, const QString& what);
QByteArray Utf8ByteOrderMark();

// "2026-12-07 10:15:32.123 [00042] TXD:  ( ... )": the log's own line with the time in front.
QString TextLine(const ExchangeRecord& record);

// Whether the record matches a filter text: its bytes in hexadecimal ("01 04", aligned to
// whole bytes, blanks ignored), its characters, or its verdict's name in either language.
// `problemsOnly` keeps only replies that are not good and sends that did not go out.
bool Matches(const ExchangeRecord& record, const QString& filter, bool problemsOnly);

}  // namespace exchange
