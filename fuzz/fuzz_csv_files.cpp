// The history and trend CSV files against the reader a user's spreadsheet is. The input fills a
// history record and a trend sample: bytes 0-7 the time (ms, big endian, below 2^42), 8-9 the
// counter, 10 the direction, 11 the verdict (0 none), 12-13 and 14-15 the first and last byte
// delays (negative: none), 16-17 the raw value, 18 the reading, 19 the drive's address, 20 the
// length of the record's bytes, then those bytes, then the note and a run's description
// separated by '|' (any UTF-8, Chinese too).
//
// Read by an RFC 4180 reader (quoted fields with "" for a quote, commas and CR LF or LF inside
// them, records ending in CR LF, LF or CR), every row reads back as exactly the fields written.
#include <QStringList>
#include <cmath>
#include <optional>
#include <vector>

#include "drive/readings.h"
#include "exchange/history_format.h"
#include "exchange/samples.h"
#include "fuzz_support.h"

namespace {

using Rows = std::vector<QStringList>;

// A strict reader: a quote inside an unquoted field, or anything but a comma or a line break
// after a closing quote, makes the file unreadable (nothing).
std::optional<Rows> ReadCsv(const QString& text) {
    Rows rows;
    QStringList row;
    QString field;
    enum class At { FieldStart, Unquoted, Quoted, AfterQuote } at = At::FieldStart;
    const auto endRow = [&] {
        row << field;
        rows.push_back(row);
        row.clear();
        field.clear();
        at = At::FieldStart;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const bool lineBreak = c == u'\r' || c == u'\n';
        if (at == At::Quoted) {
            if (c == u'"')
                at = At::AfterQuote;
            else
                field += c;
            continue;
        }
        if (at == At::AfterQuote && c == u'"') {
            field += c;  // "" inside quotes
            at = At::Quoted;
        } else if (c == u',') {
            row << field;
            field.clear();
            at = At::FieldStart;
        } else if (lineBreak) {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
            endRow();
        } else if (at == At::FieldStart && c == u'"') {
            at = At::Quoted;
        } else if (at == At::AfterQuote || c == u'"') {
            return std::nullopt;
        } else {
            field += c;
            at = At::Unquoted;
        }
    }
    if (at == At::Quoted) return std::nullopt;
    if (at != At::FieldStart || !field.isEmpty() || !row.isEmpty()) endRow();
    return rows;
}

// The file's rows as a spreadsheet opens it: UTF-8 after the byte order mark.
Rows Open(const QByteArray& file) {
    FUZZ_REQUIRE(file.startsWith(exchange::Utf8ByteOrderMark()));
    const std::optional<Rows> rows = ReadCsv(QString::fromUtf8(file.mid(3)));
    FUZZ_REQUIRE(rows);
    return *rows;
}

qint64 BigEndian(const std::uint8_t* data, int size) {
    quint64 value = 0;
    for (int i = 0; i < size; ++i) value = value << 8 | data[i];
    return qint64(value);
}

void CheckHistoryFile(const exchange::ExchangeRecord& record, const QString& run) {
    QStringList fields;
    for (int c = 0; c < exchange::kHistoryColumns; ++c)
        fields << exchange::CellText(record, exchange::HistoryColumn(c), true);
    QStringList session(exchange::kHistoryColumns);
    session[int(exchange::HistoryColumn::Time)] =
        exchange::CellText(record, exchange::HistoryColumn::Time, true);
    session[int(exchange::HistoryColumn::Direction)] = QStringLiteral("new run");
    session[int(exchange::HistoryColumn::Detail)] = run;

    const QByteArray file = exchange::Utf8ByteOrderMark() +
                            (exchange::CsvHeader() + exchange::SessionCsvRow(record.timeMs, run) +
                             exchange::CsvRow(record) + exchange::CsvField(run) + QLatin1Char(',') +
                             exchange::CsvField(record.detail) + QStringLiteral("\r\n"))
                                .toUtf8();
    const Rows rows = Open(file);
    FUZZ_REQUIRE(rows.size() == 4);
    FUZZ_REQUIRE(rows[0].size() == exchange::kHistoryColumns);
    FUZZ_REQUIRE(rows[1] == session);
    FUZZ_REQUIRE(rows[2] == fields);
    FUZZ_REQUIRE(rows[3] == (QStringList{run, record.detail}));
}

void CheckTrendFile(const exchange::Sample& sample) {
    const QByteArray file = exchange::Utf8ByteOrderMark() +
                            (exchange::SampleCsvHeader() + exchange::SampleCsvRow(sample)).toUtf8();
    const Rows rows = Open(file);
    FUZZ_REQUIRE(rows.size() == 2 && rows[0].size() == 6 && rows[1].size() == 6);
    const QStringList& row = rows[1];
    FUZZ_REQUIRE(row[0] == QString::number(sample.timeMs));
    FUZZ_REQUIRE(row[1] == QString::number(sample.address));
    FUZZ_REQUIRE(row[2] == drive::ReadingFileName(sample.reading));
    FUZZ_REQUIRE(row[5] == exchange::VerdictFileWord(sample.verdict));
    if (!sample.good()) {
        FUZZ_REQUIRE(row[3].isEmpty() && row[4].isEmpty());
        return;
    }
    FUZZ_REQUIRE(row[3] == QString::number(sample.raw));
    // The scaled value to ten digits: what the drive sent, read back by a spreadsheet.
    bool ok = false;
    const double value = row[4].toDouble(&ok);
    const double scaled = drive::ScaledValue(sample.reading, sample.raw);
    FUZZ_REQUIRE(ok && std::fabs(value - scaled) <= 1e-9 * std::fabs(scaled));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t kFixed = 21;
    if (size < kFixed) return 0;
    const std::size_t byteCount = std::min<std::size_t>(data[20], size - kFixed);
    const QStringList texts =
        fuzz::Text(fuzz::Bytes(data + kFixed + byteCount, size - kFixed - byteCount)).split(u'|');

    exchange::ExchangeRecord record;
    record.timeMs = BigEndian(data, 8) & ((qint64(1) << 42) - 1);
    record.counter = int(BigEndian(data + 8, 2));
    record.direction = exchange::Direction(data[10] % 4);
    if (data[11] != 0) record.verdict = exchange::Verdict((data[11] - 1) % exchange::kVerdictCount);
    record.firstByteMs = int(qint16(BigEndian(data + 12, 2)));
    record.lastByteMs = int(qint16(BigEndian(data + 14, 2)));
    record.bytes = fuzz::Bytes(data + kFixed, byteCount);
    record.detail = texts.value(0);
    CheckHistoryFile(record, texts.value(1));

    exchange::Sample sample;
    sample.timeMs = record.timeMs;
    sample.raw = qint16(BigEndian(data + 16, 2));
    sample.reading = quint8(data[18] % drive::kReadings);
    sample.address = data[19];
    sample.verdict = record.verdict.value_or(exchange::Verdict::Good);
    CheckTrendFile(sample);
    return 0;
}
