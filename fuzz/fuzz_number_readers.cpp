// Any text a box may hold, through the readers that turn text into numbers and bytes, and the
// writers whose texts those readers must read back unchanged.
#include <cmath>

#include "convert/conversions.h"
#include "drive/drive_requests.h"
#include "drive/entry_checks.h"
#include "fuzz_support.h"

namespace {

using conv::IntWidth;

void CheckNumber(const QString& text) {
    const double value = conv::ReadNumber(text);
    FUZZ_REQUIRE(std::isfinite(value));
    // A zero never reads as -0, which would show as "-0" in a box.
    FUZZ_REQUIRE(value != 0 || !std::signbit(value));
    FUZZ_REQUIRE(std::isfinite(conv::ReadHex(text)));

    const qint64 byte = conv::RoundToInt(value, IntWidth::Byte);
    const qint64 int16 = conv::RoundToInt(value, IntWidth::Int16);
    const qint64 int32 = conv::RoundToInt(value, IntWidth::Int32);
    FUZZ_REQUIRE(byte >= 0 && byte <= 255);
    FUZZ_REQUIRE(int16 >= -32768 && int16 <= 32767);
    FUZZ_REQUIRE(int32 >= INT32_MIN && int32 <= INT32_MAX);
    if (std::fabs(value) < 2147483647.0) FUZZ_REQUIRE(std::fabs(double(int32) - value) <= 0.5);

    // What the writers produce, the readers must read back as the same number.
    FUZZ_REQUIRE(conv::ReadNumber(conv::DecimalText(int32)) == double(int32));
    FUZZ_REQUIRE(conv::ReadHex(conv::HexByteText(int(byte))) == double(byte));
}

// An accepted frequency goes out unchanged: the function field (which the box limits to 250)
// and the data byte put back together give the hundredths typed.
void CheckFrequency(const QString& text) {
    const std::optional<int> hundredths = drive::FrequencyHundredths(text);
    if (!hundredths) return;
    FUZZ_REQUIRE(*hundredths >= 0 && *hundredths <= drive::kHighestFrequencyHundredths);
    const drive::FrequencyFields fields = drive::SplitFrequency(*hundredths);
    const double high = conv::ReadNumber(fields.function);
    const double low = conv::ReadNumber(fields.data);
    FUZZ_REQUIRE(high >= 0 && high <= 250 && low >= 0 && low <= 255);
    FUZZ_REQUIRE(high * 256 + low == *hundredths);
    // The hertz typed, read as a number, are the hundredths sent (two decimals at most).
    FUZZ_REQUIRE(std::lround(conv::ReadNumber(text) * 100) == *hundredths);
}

// The byte-to-character map must be one to one both ways, since cells and log lines rely on it.
void CheckCharacters(const QByteArray& bytes, const QString& text) {
    qsizetype nonZero = 0;
    for (const char b : bytes) {
        const auto byte = quint8(b);
        const QString shown = conv::CharOf(byte);
        if (byte == 0) {
            FUZZ_REQUIRE(shown.isEmpty());
            continue;
        }
        ++nonZero;
        FUZZ_REQUIRE(shown.size() == 1 && conv::CodeOf(shown.at(0)) == byte);
    }
    FUZZ_REQUIRE(nonZero <= bytes.size() && conv::CharsOf(bytes).size() == bytes.size());
    for (const QChar ch : text) {
        const int code = conv::CodeOf(ch);
        FUZZ_REQUIRE(code == -1 || (code >= 1 && code <= 255));
        if (code > 0) FUZZ_REQUIRE(conv::CharOf(quint8(code)) == QString(ch));
    }
}

}  // namespace

// A paste is taken whole or refused: what it gives reads back as the same bytes when written as
// the byte cells show them.
void CheckPaste(const QString& text) {
    if (const std::optional<QByteArray> bytes = conv::PastedHex(text)) {
        FUZZ_REQUIRE(!bytes->isEmpty() && bytes->size() <= text.size());
        QStringList cells;
        for (char byte : *bytes) cells << conv::HexByteText(quint8(byte));
        FUZZ_REQUIRE(conv::PastedHex(cells.join(QLatin1Char(' '))) == bytes);
    }
    if (const std::optional<QByteArray> bytes = conv::PastedChars(text))
        FUZZ_REQUIRE(bytes->size() == text.size());
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes = fuzz::Bytes(data, size);
    const QString text = fuzz::Text(bytes);
    CheckNumber(text);
    CheckFrequency(text);
    for (const QString& field : fuzz::Fields(bytes)) CheckNumber(field);
    CheckCharacters(bytes, text);
    CheckPaste(text);
    return 0;
}
