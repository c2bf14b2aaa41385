// A drive's parameters as a set: read from the drive, saved to a CSV file that a spreadsheet
// opens and this program reads back exactly, and compared with another set.
#pragma once

#include <QString>
#include <map>
#include <optional>
#include <vector>

namespace drive {

// One parameter: its value (0..65535, as the two data bytes carry it), or why it has none.
struct ParameterEntry {
    std::optional<quint16> value;
    QString verdict;  // the reply's verdict when no value was read
};

struct ParameterSet {
    int address = 1;
    QString line;                           // "9600 baud, RTU 8,N,1"
    QString date;                           // ISO 8601, local time
    QString version;                        // of the program that read it
    std::map<int, ParameterEntry> entries;  // by parameter number
};

// UTF-8 CSV with a byte order mark: a title row, key rows (address, line, date, version), the
// column header, then one row per parameter in number order.
QByteArray ParameterSetCsv(const ParameterSet& set);

// Reads a file written by ParameterSetCsv. A foreign or damaged file is refused whole, with
// "line N: reason" in `error`.
std::optional<ParameterSet> ReadParameterSet(const QByteArray& bytes, QString* error);

enum class Comparison {
    Equal,
    Different,
    OnlyFirst,   // in the first set (the drive, or the first file) only
    OnlySecond,  // in the second set only
    Unreadable,  // in both, but one of them holds no value for it
};

struct ComparedParameter {
    int number = 0;
    std::optional<quint16> first;
    std::optional<quint16> second;
    Comparison state = Comparison::Equal;
};

// Every parameter in either set, in number order.
std::vector<ComparedParameter> Compare(const ParameterSet& first, const ParameterSet& second);

// "相同", "不同", ... in the user's language, for the table, the command line and the counts.
QString ComparisonName(Comparison state);

// The value a parameter write carries as the drive receives it: the protocol puts a value of 255
// or less into the first data byte with 00 after it, a larger one into both bytes high first, so
// 512 (02 00) arrives as the bytes of 2. Such a value is written only when its read-back shows it.
bool WriteIsAmbiguous(quint16 value);

}  // namespace drive
