#include "drive/parameter_set.h"

#include <QCoreApplication>
#include <QStringList>
#include <set>

#include "drive/entry_checks.h"

namespace drive {
namespace {

// The title row that tells the program's own files from any other CSV.
const char kTitle[] = "modbus-debugger parameter set";
const char* const kKeys[] = {"address", "line", "date", "version"};
const char kColumns[] = "number,value,verdict";

QString Field(const QString& text) {
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    return QLatin1Char('"') + QString(text).replace(QLatin1String("\""), QLatin1String("\"\"")) +
           QLatin1Char('"');
}

// The fields of one CSV line; nothing for a quote left open.
std::optional<QStringList> Fields(const QString& line) {
    QStringList fields;
    QString field;
    bool quoted = false;
    for (int i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (quoted) {
            if (c == QLatin1Char('"') && i + 1 < line.size() &&
                line.at(i + 1) == QLatin1Char('"')) {
                field += c;
                ++i;
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == QLatin1Char('"') && field.isEmpty()) {
            quoted = true;
        } else if (c == QLatin1Char(',')) {
            fields << field;
            field.clear();
        } else {
            field += c;
        }
    }
    if (quoted) return std::nullopt;
    fields << field;
    return fields;
}

QString LineError(int line, const QString& reason) {
    return QCoreApplication::translate("ParameterSet", "line %1: %2").arg(line).arg(reason);
}

}  // namespace

QByteArray ParameterSetCsv(const ParameterSet& set) {
    const QString values[] = {QString::number(set.address), set.line, set.date, set.version};
    QString text = QLatin1String(kTitle) + QStringLiteral("\r\n");
    for (int k = 0; k < 4; ++k)
        text +=
            QLatin1String(kKeys[k]) + QLatin1Char(',') + Field(values[k]) + QStringLiteral("\r\n");
    text += QLatin1String(kColumns) + QStringLiteral("\r\n");
    for (const auto& [number, entry] : set.entries) {
        text += QString::number(number) + QLatin1Char(',');
        if (entry.value) text += QString::number(*entry.value);
        text += QLatin1Char(',') + (entry.value ? QString() : Field(entry.verdict)) +
                QStringLiteral("\r\n");
    }
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

std::optional<ParameterSet> ReadParameterSet(const QByteArray& bytes, QString* error) {
    QByteArray content = bytes;
    if (content.startsWith("\xEF\xBB\xBF")) content.remove(0, 3);
    QStringList lines = QString::fromUtf8(content).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    for (QString& line : lines)
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    if (lines.isEmpty() || lines.first() != QLatin1String(kTitle)) {
        *error = LineError(1, QCoreApplication::translate("ParameterSet",
                                                          "not a parameter set of this program (it "
                                                          "starts with \"%1\")")
                                  .arg(QLatin1String(kTitle)));
        return std::nullopt;
    }
    ParameterSet set;
    int at = 1;
    for (const char* key : kKeys) {
        const std::optional<QStringList> fields =
            at < lines.size() ? Fields(lines[at]) : std::nullopt;
        if (!fields || fields->size() != 2 || fields->first() != QLatin1String(key)) {
            *error = LineError(
                at + 1, QCoreApplication::translate("ParameterSet", "the \"%1\" row is missing")
                            .arg(QLatin1String(key)));
            return std::nullopt;
        }
        const QString& value = fields->at(1);
        if (key == kKeys[0]) {
            const std::optional<int> address = WholeNumber(value, 0, kHighestAddress);
            if (!address) {
                *error = LineError(at + 1, QCoreApplication::translate("ParameterSet",
                                                                       "the address is not 0 to %1")
                                               .arg(kHighestAddress));
                return std::nullopt;
            }
            set.address = *address;
        } else if (key == kKeys[1]) {
            set.line = value;
        } else if (key == kKeys[2]) {
            set.date = value;
        } else {
            set.version = value;
        }
        ++at;
    }
    if (at >= lines.size() || lines[at] != QLatin1String(kColumns)) {
        *error = LineError(at + 1, QCoreApplication::translate("ParameterSet",
                                                               "the column header \"%1\" is "
                                                               "missing")
                                       .arg(QLatin1String(kColumns)));
        return std::nullopt;
    }
    for (++at; at < lines.size(); ++at) {
        const std::optional<QStringList> fields = Fields(lines[at]);
        const auto refuse = [&](const QString& reason) {
            *error = LineError(at + 1, reason);
            return std::nullopt;
        };
        if (!fields || fields->size() != 3)
            return refuse(QCoreApplication::translate("ParameterSet",
                                                      "expected three fields: number, value, "
                                                      "verdict"));
        const std::optional<int> number = WholeNumber(fields->at(0), 0, kHighestParameterNumber);
        if (!number)
            return refuse(
                QCoreApplication::translate("ParameterSet", "the parameter number is not 0 to %1")
                    .arg(kHighestParameterNumber));
        if (set.entries.count(*number))
            return refuse(QCoreApplication::translate("ParameterSet", "parameter %1 comes twice")
                              .arg(*number));
        ParameterEntry entry;
        if (fields->at(1).isEmpty()) {
            if (fields->at(2).isEmpty())
                return refuse(QCoreApplication::translate(
                    "ParameterSet", "neither a value nor the verdict why there is none"));
            entry.verdict = fields->at(2);
        } else {
            const std::optional<int> value = WholeNumber(fields->at(1), 0, kHighestParameterValue);
            if (!value || !fields->at(2).isEmpty())
                return refuse(
                    QCoreApplication::translate("ParameterSet", "the value is not 0 to %1 alone")
                        .arg(kHighestParameterValue));
            entry.value = quint16(*value);
        }
        set.entries[*number] = entry;
    }
    return set;
}

std::vector<ComparedParameter> Compare(const ParameterSet& first, const ParameterSet& second) {
    std::set<int> numbers;
    for (const auto& entry : first.entries) numbers.insert(entry.first);
    for (const auto& entry : second.entries) numbers.insert(entry.first);
    std::vector<ComparedParameter> compared;
    for (int number : numbers) {
        ComparedParameter row;
        row.number = number;
        const auto a = first.entries.find(number);
        const auto b = second.entries.find(number);
        if (a != first.entries.end()) row.first = a->second.value;
        if (b != second.entries.end()) row.second = b->second.value;
        if (b == second.entries.end()) {
            row.state = Comparison::OnlyFirst;
        } else if (a == first.entries.end()) {
            row.state = Comparison::OnlySecond;
        } else if (!row.first || !row.second) {
            row.state = Comparison::Unreadable;
        } else {
            row.state = *row.first == *row.second ? Comparison::Equal : Comparison::Different;
        }
        compared.push_back(row);
    }
    return compared;
}

QString ComparisonName(Comparison state) {
    switch (state) {
        case Comparison::Equal:
            return QCoreApplication::translate("ParameterSet", "equal");
        case Comparison::Different:
            return QCoreApplication::translate("ParameterSet", "different");
        case Comparison::OnlyFirst:
            return QCoreApplication::translate("ParameterSet", "only in the first");
        case Comparison::OnlySecond:
            return QCoreApplication::translate("ParameterSet", "only in the second");
        case Comparison::Unreadable:
            return QCoreApplication::translate("ParameterSet", "unreadable");
    }
    return QString();
}

bool WriteIsAmbiguous(quint16 value) {
    return value > 255 && (value & 0xFF) == 0;
}

}  // namespace drive
