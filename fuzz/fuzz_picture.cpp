// Any value under any display pattern. The first eight bytes are the value's bit pattern (so
// NaN, infinities, subnormals and huge values all occur); the rest is the pattern as text.
#include <cfloat>
#include <cmath>
#include <cstring>

#include "convert/conversions.h"
#include "fuzz_support.h"

namespace {

// The program's own patterns, with what each must show: at least so many integer digits, and
// exactly so many decimals.
struct Shape {
    const char* pattern;
    const char* unit;
    int integerDigits;
    int decimals;
};
constexpr Shape kShapes[] = {{"0##.#0 Hz", " Hz", 3, 2},
                             {"0##.0 A", " A", 3, 1},
                             {"0###0 r/min", " r/min", 5, 0},
                             {"0####", "", 5, 0}};

bool AllDigits(const QString& text) {
    for (const QChar ch : text)
        if (ch < u'0' || ch > u'9') return false;
    return true;
}

void CheckShape(double value, const Shape& shape) {
    const QString shown = conv::Picture(value, QString::fromUtf8(shape.pattern));
    const QString unit = QString::fromUtf8(shape.unit);
    FUZZ_REQUIRE(shown.endsWith(unit));
    if (!std::isfinite(value)) return;
    QString number = shown.chopped(unit.size());
    const bool minus = number.startsWith(u'-');
    if (minus) number.remove(0, 1);
    const qsizetype point = number.indexOf(u'.');
    const QString intPart = point < 0 ? number : number.left(point);
    const QString fracPart = point < 0 ? QString() : number.mid(point + 1);
    FUZZ_REQUIRE(AllDigits(intPart) && AllDigits(fracPart));
    FUZZ_REQUIRE(intPart.size() >= shape.integerDigits && fracPart.size() == shape.decimals);
    // A "-" exactly when a negative value shows a digit other than zero.
    bool nonZero = false;
    for (const QChar ch : intPart + fracPart) nonZero = nonZero || ch != u'0';
    FUZZ_REQUIRE(minus == (value < 0 && nonZero));
    // The text is the value rounded to the pattern's decimals, within a double's precision.
    if (std::fabs(value) < 1e15) {
        const double half = 0.5 * std::pow(10.0, -shape.decimals);
        const double slack = half * (1 + 1e-12) + 4 * DBL_EPSILON * std::fabs(value) + DBL_MIN;
        FUZZ_REQUIRE(std::fabs(conv::ReadNumber(shown.chopped(unit.size())) - value) <= slack);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    double value = 0;
    const std::size_t valueBytes = size < sizeof value ? size : sizeof value;
    std::memcpy(&value, data, valueBytes);
    // Any pattern at all: the text after the number section is kept as it stands.
    const QString pattern = fuzz::Text(fuzz::Bytes(data + valueBytes, size - valueBytes));
    FUZZ_REQUIRE(conv::Picture(value, pattern + QStringLiteral("|end")).endsWith(u"|end"));
    for (const Shape& shape : kShapes) CheckShape(value, shape);
    return 0;
}
