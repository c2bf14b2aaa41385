// A parameter set file as a user may hand it over: any bytes.
//
// A set that is accepted is one the writer writes back so that it reads as the same set, and
// whose writing then writes back byte for byte. A file that is refused names a line N whose
// lines before it are sound: the file cut before line N reads, or is refused at line N again.
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

// The file's bytes before its line `line` (1 is the first), byte order mark included.
QByteArray LinesBefore(const QByteArray& bytes, int line) {
    qsizetype end = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    for (int i = 1; i < line; ++i) {
        const qsizetype lineEnd = bytes.indexOf('\n', end);
        if (lineEnd < 0) {
            // The named line is the one after the last, which has no line break.
            FUZZ_REQUIRE(i == line - 1);
            return bytes;
        }
        end = lineEnd + 1;
    }
    return bytes.left(end);
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
    const int line = NamedLine(error);
    QString before;
    if (drive::ReadParameterSet(LinesBefore(bytes, line), &before)) return 0;
    FUZZ_REQUIRE(NamedLine(before) == line);
    return 0;
}
