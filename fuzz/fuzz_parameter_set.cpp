// A parameter set file as a user may hand it over: any bytes.
//
// A set that is accepted is one the writer writes back so that it reads as the same set, and
// whose writing then writes back byte for byte. A file that is refused names the first bad
// line N: the file cut after line N is refused at line N, the file cut before it reads or is
// refused at line N (a row missing) again.
// Reading stays linear: megabytes of file (max_len is raised in fuzz_parameter_set.options)
// read within the run's timeout, and at start a few megabytes of fields read within seconds.
#include <QRegularExpression>
#include <chrono>

#include "drive/parameter_set.h"
#include "fuzz_support.h"

namespace {

bool SameSet(const drive::ParameterSet& a, const drive::ParameterSet& b) {
    if (a.address != b.address || a.line != b.line || a.date != b.date || a.version != b.version ||
        a.entries.size() != b.entries.size())
        return false;
    for (const auto& [number, entry] : a.entries) {
        const auto other = b.entries.find(number);
        if (other == b.entries.end() || other->second.value != entry.value ||
            other->second.verdict != entry.verdict)
            return false;
    }
    return true;
}

// The line a refusal names: "line N: reason".
int NamedLine(const QString& error) {
    static const QRegularExpression named(QStringLiteral("^line ([1-9][0-9]*): \\S"));
    const QRegularExpressionMatch match = named.match(error);
    FUZZ_REQUIRE(match.hasMatch());
    return match.captured(1).toInt();
}

// The file's bytes to the end of its line `count` (0: none), byte order mark included; the
// whole file when it has fewer lines.
QByteArray FirstLines(const QByteArray& bytes, int count) {
    qsizetype end = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    for (int i = 0; i < count; ++i) {
        const qsizetype lineEnd = bytes.indexOf('\n', end);
        if (lineEnd < 0) return bytes;
        end = lineEnd + 1;
    }
    return bytes.left(end);
}

int LineCount(const QByteArray& bytes) {
    const int breaks = int(bytes.count('\n'));
    return bytes.isEmpty() || bytes.endsWith('\n') ? breaks : breaks + 1;
}

// Megabytes of long fields, quotes and commas read in seconds, not hours.
void CheckLongFieldsReadQuickly() {
    drive::ParameterSet set;
    const QString quarter(128 * 1024, u'字');
    set.line = quarter + QStringLiteral(",\"") + quarter;
    set.date = QString(512 * 1024, u'"');
    set.version = QString(512 * 1024, u',');
    for (int number = 0; number <= 250; ++number)
        set.entries[number].verdict = QString(4 * 1024, QChar(u'a' + number % 26));
    const QByteArray bytes = drive::ParameterSetCsv(set);
    FUZZ_REQUIRE(bytes.size() > 2 * 1024 * 1024);
    const auto start = std::chrono::steady_clock::now();
    QString error;
    const std::optional<drive::ParameterSet> read = drive::ReadParameterSet(bytes, &error);
    const auto took = std::chrono::steady_clock::now() - start;
    FUZZ_REQUIRE(read && SameSet(*read, set));
    FUZZ_REQUIRE(took < std::chrono::seconds(5));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    CheckLongFieldsReadQuickly();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes = fuzz::Bytes(data, size);
    QString error;
    const std::optional<drive::ParameterSet> set = drive::ReadParameterSet(bytes, &error);
    if (set) {
        const QByteArray written = drive::ParameterSetCsv(*set);
        QString again;
        const std::optional<drive::ParameterSet> back = drive::ReadParameterSet(written, &again);
        FUZZ_REQUIRE(back && again.isEmpty());
        FUZZ_REQUIRE(SameSet(*set, *back));
        FUZZ_REQUIRE(drive::ParameterSetCsv(*back) == written);
        return 0;
    }
    // The line named is the first bad one: the file through it is refused there, the file
    // before it reads or misses that very line.
    const int line = NamedLine(error);
    FUZZ_REQUIRE(line <= LineCount(bytes) + 1);
    QString through;
    FUZZ_REQUIRE(!drive::ReadParameterSet(FirstLines(bytes, line), &through));
    FUZZ_REQUIRE(NamedLine(through) == line);
    QString before;
    if (!drive::ReadParameterSet(FirstLines(bytes, line - 1), &before))
        FUZZ_REQUIRE(NamedLine(before) == line);
    return 0;
}
