#include "exchange/history_format.h"

#include <QCoreApplication>
#include <QDateTime>

#include "convert/conversions.h"
#include "exchange/exchange_text.h"

namespace exchange {
namespace {

const char* const kTitles[kHistoryColumns] = {
    QT_TRANSLATE_NOOP("History", "time"),         QT_TRANSLATE_NOOP("History", "number"),
    QT_TRANSLATE_NOOP("History", "direction"),    QT_TRANSLATE_NOOP("History", "bytes"),
    QT_TRANSLATE_NOOP("History", "hex"),          QT_TRANSLATE_NOOP("History", "characters"),
    QT_TRANSLATE_NOOP("History", "verdict"),      QT_TRANSLATE_NOOP("History", "first byte ms"),
    QT_TRANSLATE_NOOP("History", "last byte ms"), QT_TRANSLATE_NOOP("History", "note")};

QString DirectionText(Direction direction) {
    switch (direction) {
        case Direction::Sent:
            return QStringLiteral("TXD");
        case Direction::Received:
            return QStringLiteral("RXD");
        case Direction::LateReceived:
            return QCoreApplication::translate("History", "late RXD");
        case Direction::NotSent:
            return QCoreApplication::translate("History", "not sent");
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
    return QCoreApplication::translate("History", kTitles[int(column)]);
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
            return record.verdict ? VerdictFileWord(*record.verdict) : QStringLiteral("—");
        case HistoryColumn::FirstByteMs:
            return Milliseconds(record.firstByteMs);
        case HistoryColumn::LastByteMs:
            return Milliseconds(record.lastByteMs);
        case HistoryColumn::Detail:
            return record.detail;
    }
    return QString();
}

QString CsvField(const QString& field) {
    return Quoted(field);
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

QString SessionCsvRow(qint64 timeMs, const QString& what) {
    QStringList fields(kHistoryColumns);
    fields[int(HistoryColumn::Time)] =
        QDateTime::fromMSecsSinceEpoch(timeMs).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    fields[int(HistoryColumn::Direction)] = QCoreApplication::translate("History", "new run");
    fields[int(HistoryColumn::Detail)] = Quoted(what);
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
         VerdictFileWord(*record.verdict).contains(wanted, Qt::CaseInsensitive) ||
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
