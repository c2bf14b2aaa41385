#include "exchange/history_format.h"

#include <QDateTime>

#include "convert/conversions.h"
#include "exchange/exchange_text.h"

namespace exchange {
namespace {

const char* const kTitles[kHistoryColumns] = {"时间", "编号", "方向",      "字节数",    "十六进制",
                                              "字符", "判定", "首字节 ms", "末字节 ms", "说明"};

QString DirectionText(Direction direction) {
    switch (direction) {
        case Direction::Sent:
            return QStringLiteral("TXD");
        case Direction::Received:
            return QStringLiteral("RXD");
        case Direction::LateReceived:
            return QStringLiteral("迟到 RXD");
        case Direction::NotSent:
            return QStringLiteral("未发送");
    }
    return QString();
}

QString Milliseconds(int ms) {
    return ms < 0 ? QString() : QString::number(ms);
}

QString Quoted(const QString& field) {
    if (!field.contains(QLatin1Char(',')) && !field.contains(QLatin1Char('"')) &&
        !field.contains(QLatin1Char('\n')) && !field.contains(QLatin1Char('\r')))
        return field;
    QString quoted = field;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

bool IsHexText(const QString& text) {
    for (QChar ch : text)
        if (!((ch >= u'0' && ch <= u'9') || (ch >= u'A' && ch <= u'F') ||
              (ch >= u'a' && ch <= u'f')))
            return false;
    return !text.isEmpty();
}

}  // namespace

QString ColumnTitle(HistoryColumn column) {
    return QString::fromUtf8(kTitles[int(column)]);
}

QString CellText(const ExchangeRecord& record, HistoryColumn column, bool withDate) {
    switch (column) {
        case HistoryColumn::Time:
            return QDateTime::fromMSecsSinceEpoch(record.timeMs)
                .toString(withDate ? QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")
                                   : QStringLiteral("HH:mm:ss.zzz"));
        case HistoryColumn::Counter:
            return conv::Picture(record.counter, QStringLiteral("0####"));
        case HistoryColumn::Direction:
            return DirectionText(record.direction);
        case HistoryColumn::ByteCount:
            return QString::number(record.bytes.size());
        case HistoryColumn::Hex:
            return QString::fromLatin1(record.bytes.toHex(' ').toUpper());
        case HistoryColumn::Characters:
            return conv::CharsOf(record.bytes);
        case HistoryColumn::Verdict:
            return record.verdict ? VerdictName(*record.verdict) : QStringLiteral("—");
        case HistoryColumn::FirstByteMs:
            return Milliseconds(record.firstByteMs);
        case HistoryColumn::LastByteMs:
            return Milliseconds(record.lastByteMs);
        case HistoryColumn::Detail:
            return record.detail;
    }
    return QString();
}

QString CsvHeader() {
    QStringList fields;
    for (int c = 0; c < kHistoryColumns; ++c) fields << ColumnTitle(HistoryColumn(c));
    return fields.join(QLatin1Char(',')) + QStringLiteral("\r\n");
}

QString CsvRow(const ExchangeRecord& record) {
    QStringList fields;
    for (int c = 0; c < kHistoryColumns; ++c)
        fields << Quoted(CellText(record, HistoryColumn(c), true));
    return fields.join(QLatin1Char(',')) + QStringLiteral("\r\n");
}

QByteArray Utf8ByteOrderMark() {
    return QByteArrayLiteral("\xEF\xBB\xBF");
}

QString TextLine(const ExchangeRecord& record) {
    const Direction direction =
        record.direction == Direction::LateReceived ? Direction::Received : record.direction;
    return CellText(record, HistoryColumn::Time, true) + QLatin1Char(' ') +
           LogLine(record.counter, direction, record.bytes);
}

bool Matches(const ExchangeRecord& record, const QString& filter, bool problemsOnly) {
    if (problemsOnly) {
        const bool problem = record.direction == Direction::NotSent ||
                             (record.verdict && *record.verdict != Verdict::Good);
        if (!problem) return false;
    }
    const QString wanted = filter.trimmed();
    if (wanted.isEmpty()) return true;
    if (record.verdict &&
        (VerdictName(*record.verdict).contains(wanted) ||
         VerdictEnglishName(*record.verdict).contains(wanted, Qt::CaseInsensitive)))
        return true;
    if (DirectionText(record.direction).contains(wanted, Qt::CaseInsensitive)) return true;
    // Hexadecimal bytes match on whole bytes only: "04 01" never matches "40 10".
    QString digits = wanted;
    digits.remove(QLatin1Char(' '));
    if (IsHexText(digits) && digits.size() % 2 == 0) {
        const QString hex = QString::fromLatin1(record.bytes.toHex().toUpper());
        for (qsizetype at = hex.indexOf(digits, 0, Qt::CaseInsensitive); at >= 0;
             at = hex.indexOf(digits, at + 1, Qt::CaseInsensitive))
            if (at % 2 == 0) return true;
    }
    return conv::CharsOf(record.bytes).contains(wanted);
}

}  // namespace exchange
