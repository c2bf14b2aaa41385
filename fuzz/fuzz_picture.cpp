// Any value under any display pattern. The first eight bytes are the value's bit pattern (so
// NaN, infinities, subnormals and huge values all occur); the rest is the pattern as text.
#include <cfloat>
#include <cmath>
#include <cstring>

#include "convert/conversions.h"
#include "drive/reply_decoder.h"
#include "fuzz_support.h"

namespace {

// The pattern's number section as the display rules describe it: the leading run of "0" and "#"
// with at most one ".". Worked out here independently of the code under test.
struct Section {
    qsizetype end = 0;           // first character of the copied text
    qsizetype minIntDigits = 0;  // from the leftmost integer "0" to the "."
    qsizetype minDecimals = 0;   // up to the rightmost fraction "0"
    qsizetype maxDecimals = 0;   // every fraction placeholder
};

Section SectionOf(const QString& pattern) {
    Section s;
    bool fraction = false;
    qsizetype firstZero = -1;
    qsizetype intCount = 0;
    for (; s.end < pattern.size(); ++s.end) {
        const QChar ch = pattern.at(s.end);
        if (ch == u'.' && !fraction) {
            fraction = true;
        } else if (ch == u'0' || ch == u'#') {
            if (fraction) {
                ++s.maxDecimals;
                if (ch == u'0') s.minDecimals = s.maxDecimals;
            } else {
                if (ch == u'0' && firstZero < 0) firstZero = intCount;
                ++intCount;
            }
        } else {
            break;
        }
    }
    s.minIntDigits = firstZero < 0 ? 0 : intCount - firstZero;
    return s;
}

bool AllDigits(const QString& text) {
    for (const QChar ch : text)
        if (ch < u'0' || ch > u'9') return false;
    return true;
}

void CheckPicture(double value, const QString& pattern) {
    const QString shown = conv::Picture(value, pattern);
    const Section section = SectionOf(pattern);
    const QString literal = pattern.mid(section.end);
    FUZZ_REQUIRE(shown.endsWith(literal));
    if (!std::isfinite(value)) return;

    // "-", at least the minimum integer digits, then decimals between the two bounds.
    QString number = shown.chopped(literal.size());
    const bool minus = number.startsWith(u'-');
    if (minus) number.remove(0, 1);
    const qsizetype point = number.indexOf(u'.');
    const QString intPart = point < 0 ? number : number.left(point);
    const QString fracPart = point < 0 ? QString() : number.mid(point + 1);
    FUZZ_REQUIRE(AllDigits(intPart) && AllDigits(fracPart));
    FUZZ_REQUIRE(point < 0 || !fracPart.isEmpty());
    FUZZ_REQUIRE(intPart.size() >= section.minIntDigits);
    FUZZ_REQUIRE(fracPart.size() >= section.minDecimals);
    FUZZ_REQUIRE(fracPart.size() <= section.maxDecimals);

    bool nonZeroDigit = false;
    for (const QChar ch : intPart + fracPart) nonZeroDigit = nonZeroDigit || ch != u'0';
    FUZZ_REQUIRE(minus == (value < 0 && nonZeroDigit));

    // The text shows the value rounded to the decimals the pattern allows, within the precision
    // of a double; checked where both are small enough for the bound to be exact.
    if (std::fabs(value) < 1e15 && section.maxDecimals <= 20) {
        const double read = conv::ReadNumber(shown.chopped(literal.size()));
        const double half = 0.5 * std::pow(10.0, -double(section.maxDecimals));
        const double slack = half * (1 + 1e-12) + 4 * DBL_EPSILON * std::fabs(value) + DBL_MIN;
        FUZZ_REQUIRE(std::fabs(read - value) <= slack);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    double value = 0;
    const std::size_t valueBytes = size < sizeof value ? size : sizeof value;
    std::memcpy(&value, data, valueBytes);
    const QString pattern = fuzz::Text(fuzz::Bytes(data + valueBytes, size - valueBytes));
    CheckPicture(value, pattern);
    // The value also under the patterns the program itself uses for its readings and log lines.
    for (const drive::MonitorItem& item : drive::MonitorItems())
        CheckPicture(value, QString::fromUtf8(item.pattern));
    CheckPicture(value, QStringLiteral("0####"));
    return 0;
}
