#include "convert/conversions.h"

#include <QByteArray>
#include <QRegularExpression>
#include <QStringList>
#include <cctype>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>

namespace conv {

namespace {

bool IsDropped(QChar ch) {
    const char16_t u = ch.unicode();
    return u == u' ' || u == u'\t' || u == u'\n';
}

bool IsDigit(QChar ch) {
    return ch.unicode() >= u'0' && ch.unicode() <= u'9';
}

int HexDigitValue(QChar ch) {
    const char16_t u = ch.unicode();
    if (u >= u'0' && u <= u'9') return u - u'0';
    if (u >= u'A' && u <= u'F') return u - u'A' + 10;
    if (u >= u'a' && u <= u'f') return u - u'a' + 10;
    return -1;
}

// "&H" digits: the digit count, not the value, decides between 16 and 32 bits, so
// "FFFF" is -1 while "0000FFFF" is 65535.
double ReadHexDigits(const QString& s, qsizetype pos) {
    quint32 bits = 0;
    int count = 0;
    for (; pos < s.size() && count < 8; ++pos, ++count) {
        const int d = HexDigitValue(s.at(pos));
        if (d < 0) break;
        bits = (bits << 4) | quint32(d);
    }
    if (count == 0) return 0.0;
    if (count <= 4) return double(qint16(quint16(bits)));
    return double(qint32(bits));
}

// Significant digits kept for the conversion; more cannot change a double beyond its last bit
// in any case the program meets, and capping them keeps huge texts cheap.
constexpr std::size_t kMaxSignificant = 800;
// Beyond this an exponent only says "too large" or "too small"; saturating it keeps the
// arithmetic below in range whatever the text says.
constexpr qint64 kExponentCap = 1'000'000'000'000LL;

double ReadDecimal(const QString& s) {
    qsizetype pos = 0;
    bool negative = false;
    if (pos < s.size() && (s.at(pos) == u'+' || s.at(pos) == u'-')) {
        negative = s.at(pos) == u'-';
        ++pos;
    }

    // The value is 0.<digits> x 10^exp10, with the digits stripped of leading zeros.
    std::string digits;
    qint64 exp10 = 0;
    bool anyDigit = false;
    bool seenPoint = false;
    for (; pos < s.size(); ++pos) {
        const QChar ch = s.at(pos);
        if (ch == u'.' && !seenPoint) {
            seenPoint = true;
            continue;
        }
        if (!IsDigit(ch)) break;
        anyDigit = true;
        const char c = char(ch.unicode());
        if (digits.empty() && c == '0') {
            if (seenPoint) --exp10;
            continue;
        }
        if (!seenPoint) ++exp10;
        if (digits.size() < kMaxSignificant) digits.push_back(c);
    }
    if (!anyDigit || digits.empty()) return 0.0;

    // An exponent letter counts only when digits follow it (after an optional sign).
    if (pos < s.size()) {
        const char16_t e = s.at(pos).unicode();
        if (e == u'E' || e == u'e' || e == u'D' || e == u'd') {
            qsizetype p = pos + 1;
            bool expNegative = false;
            if (p < s.size() && (s.at(p) == u'+' || s.at(p) == u'-')) {
                expNegative = s.at(p) == u'-';
                ++p;
            }
            qint64 exponent = 0;
            bool expDigit = false;
            for (; p < s.size() && IsDigit(s.at(p)); ++p) {
                expDigit = true;
                if (exponent < kExponentCap) exponent = exponent * 10 + (s.at(p).unicode() - u'0');
            }
            if (expDigit) exp10 += expNegative ? -exponent : exponent;
        }
    }

    double magnitude = 0.0;
    if (exp10 > 309) {
        magnitude = DBL_MAX;
    } else if (exp10 >= -324) {
        // from_chars reads "." and "e" whatever the locale, unlike strtod.
        const std::string text = "0." + digits + "e" + std::to_string(exp10);
        const auto result = std::from_chars(text.data(), text.data() + text.size(), magnitude);
        if (result.ec == std::errc::result_out_of_range) magnitude = exp10 > 0 ? DBL_MAX : 0.0;
        if (!std::isfinite(magnitude)) magnitude = DBL_MAX;
    }
    return negative ? -magnitude : magnitude;
}

bool HasNonZeroDigit(const QString& digits) {
    for (const QChar ch : digits) {
        if (ch.unicode() >= u'1' && ch.unicode() <= u'9') return true;
    }
    return false;
}

}  // namespace

double ReadNumber(const QString& text) {
    QString s;
    s.reserve(text.size());
    for (const QChar ch : text) {
        if (!IsDropped(ch)) s.append(ch);
    }
    if (s.size() >= 2 && s.at(0) == u'&' && (s.at(1) == u'H' || s.at(1) == u'h')) {
        return ReadHexDigits(s, 2);
    }
    // Adding 0.0 turns a read "-0" into 0, so no "-" ever shows for a zero.
    return ReadDecimal(s) + 0.0;
}

double ReadHex(const QString& text) {
    return ReadNumber(QStringLiteral("&H") + text);
}

qint64 RoundToInt(double value, IntWidth width) {
    if (std::isnan(value)) return 0;
    double rounded = std::floor(value);
    const double rest = value - rounded;
    if (rest > 0.5 || (rest == 0.5 && std::fmod(rounded, 2.0) != 0.0)) rounded += 1.0;

    qint64 low = INT32_MIN;
    qint64 high = INT32_MAX;
    switch (width) {
        case IntWidth::Byte:
            low = 0;
            high = 255;
            break;
        case IntWidth::Int16:
            low = -32768;
            high = 32767;
            break;
        case IntWidth::Int32:
            break;
    }
    if (rounded <= double(low)) return low;
    if (rounded >= double(high)) return high;
    return qint64(rounded);
}

QString DecimalText(qint64 value) {
    return QString::number(value);
}

QString HexByteText(int byte) {
    return QString::number(byte & 0xFF, 16).toUpper().rightJustified(2, u'0');
}

QString Picture(double value, const QString& pattern) {
    // The number section is the leading run of placeholders with at most one "."; the rest
    // of the pattern is literal text.
    qsizetype intMin = -1;  // placeholders from the leftmost integer "0" onwards
    qsizetype intCount = 0;
    qsizetype fracMin = 0;  // up to and including the rightmost fraction "0"
    qsizetype fracMax = 0;
    bool inFraction = false;
    qsizetype end = 0;
    for (; end < pattern.size(); ++end) {
        const QChar ch = pattern.at(end);
        if (ch == u'.' && !inFraction) {
            inFraction = true;
        } else if (ch == u'0' || ch == u'#') {
            if (inFraction) {
                ++fracMax;
                if (ch == u'0') fracMin = fracMax;
            } else {
                if (ch == u'0' && intMin < 0) intMin = intCount;
                ++intCount;
            }
        } else {
            break;
        }
    }
    const qsizetype minIntDigits = intMin < 0 ? 0 : intCount - intMin;
    const QString literal = pattern.mid(end);

    if (!std::isfinite(value)) return QString::number(value) + literal;

    // Beyond this many decimals a double has no further digits worth showing; the rest are
    // zeros added below.
    constexpr int kMaxDecimals = 340;
    const int shownDecimals = int(qMin<qsizetype>(fracMax, kMaxDecimals));
    QString digits = QString::number(std::fabs(value), 'f', shownDecimals);
    if (fracMax > shownDecimals) digits.append(QString(fracMax - shownDecimals, u'0'));

    QString intPart = digits;
    QString fracPart;
    const qsizetype point = digits.indexOf(u'.');
    if (point >= 0) {
        intPart = digits.left(point);
        fracPart = digits.mid(point + 1);
    }
    // Optional "#" decimals after the last "0" show only when they are not zero.
    qsizetype keep = fracPart.size();
    while (keep > fracMin && fracPart.at(keep - 1) == u'0') --keep;
    fracPart.truncate(keep);

    const bool allZero = !HasNonZeroDigit(intPart) && !HasNonZeroDigit(fracPart);
    if (intPart == u"0" && minIntDigits == 0) intPart.clear();
    if (intPart.size() < minIntDigits)
        intPart.prepend(QString(minIntDigits - intPart.size(), u'0'));

    QString out;
    // A value that shows as all zeros gets no "-", so -0.01 under "0##.0" reads 000.0.
    if (value < 0 && !allZero) out.append(u'-');
    out.append(intPart);
    if (!fracPart.isEmpty()) out.append(u'.').append(fracPart);
    out.append(literal);
    return out;
}

QString CharOf(quint8 byte) {
    if (byte == 0) return QString();
    if (byte < 0x20) return QString(QChar(char16_t(0x2400 + byte)));
    if (byte < 0x7F) return QString(QChar(char16_t(byte)));
    if (byte == 0x7F) return QString(QChar(char16_t(0x2421)));
    return QString(QChar(char16_t(0x0100 + (byte - 0x80))));
}

int CodeOf(QChar ch) {
    const char16_t u = ch.unicode();
    if (u >= 0x2401 && u <= 0x241F) return u - 0x2400;
    if (u >= 0x20 && u <= 0x7E) return u;
    if (u == 0x2421) return 0x7F;
    if (u >= 0x0100 && u <= 0x017F) return u - 0x0100 + 0x80;
    return -1;
}

QString CharsOf(const QByteArray& bytes) {
    QString out;
    out.reserve(bytes.size());
    for (const char b : bytes)
        out.append(b == 0 ? QString(QChar(char16_t(0x2400))) : CharOf(quint8(b)));
    return out;
}

std::optional<QByteArray> PastedHex(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) return std::nullopt;
    static const QRegularExpression separators(QStringLiteral("[\\s,;]+"));
    const QStringList tokens = trimmed.split(separators, Qt::SkipEmptyParts);
    if (tokens.isEmpty()) return std::nullopt;  // separators only
    // One run of digits without separators is read two digits to a byte.
    const bool oneRun = tokens.size() == 1;
    QByteArray bytes;
    for (QString token : tokens) {
        if (token.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) token.remove(0, 2);
        if (token.isEmpty()) return std::nullopt;
        for (QChar ch : token)
            if (!std::isxdigit(ch.unicode() < 0x80 ? int(ch.unicode()) : 0)) return std::nullopt;
        if (oneRun) {
            if (token.size() % 2) {
                if (token.size() != 1) return std::nullopt;  // "123": which digit is alone?
                token.prepend(QLatin1Char('0'));
            }
            bytes += QByteArray::fromHex(token.toLatin1());
        } else {
            if (token.size() > 2) return std::nullopt;
            bytes.append(char(token.toInt(nullptr, 16)));
        }
    }
    return bytes;
}

std::optional<QByteArray> PastedChars(const QString& text) {
    if (text.isEmpty()) return std::nullopt;
    QByteArray bytes;
    for (QChar ch : text) {
        // ␀ is how log lines and the history show byte 0.
        const int code = ch.unicode() < 0x20      ? int(ch.unicode())
                         : ch.unicode() == 0x2400 ? 0
                                                  : CodeOf(ch);
        if (code < 0) return std::nullopt;
        bytes.append(char(code));
    }
    return bytes;
}

}  // namespace conv
