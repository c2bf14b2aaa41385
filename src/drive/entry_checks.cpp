#include "drive/entry_checks.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace drive {

// Only the blanks that the boxes' own number reader skips (space, tab, line feed) may surround an
// entry; a form feed or a no-break space would make the box and the request disagree.
std::optional<int> WholeNumber(const QString& text, int lowest, int highest) {
    static const QRegularExpression whole(QStringLiteral("^[ \\t\\n]*([0-9]{1,9})[ \\t\\n]*$"));
    const QRegularExpressionMatch match = whole.match(text);
    if (!match.hasMatch()) return std::nullopt;
    const int value = match.captured(1).toInt();
    if (value < lowest || value > highest) return std::nullopt;
    return value;
}

std::optional<int> FrequencyHundredths(const QString& text) {
    // Read as decimal digits, never through a binary fraction: 12.34 is 1234 hundredths.
    static const QRegularExpression hertz(
        QStringLiteral("^[ \\t\\n]*([0-9]{0,6})(?:\\.([0-9]{0,2}))?[ \\t\\n]*$"));
    const QRegularExpressionMatch match = hertz.match(text);
    if (!match.hasMatch() || (match.captured(1).isEmpty() && match.captured(2).isEmpty()))
        return std::nullopt;
    const QString decimals = match.captured(2).leftJustified(2, QLatin1Char('0'));
    const int hundredths = match.captured(1).toInt() * 100 + decimals.toInt();
    if (hundredths > kHighestFrequencyHundredths) return std::nullopt;
    return hundredths;
}

QString WholeNumberRange(int lowest, int highest) {
    return QCoreApplication::translate("EntryChecks", "a whole number from %1 to %2")
        .arg(lowest)
        .arg(highest);
}

QString FrequencyRange() {
    return QCoreApplication::translate("EntryChecks", "0 to %1.%2 Hz, at most two decimals")
        .arg(kHighestFrequencyHundredths / 100)
        .arg(kHighestFrequencyHundredths % 100, 2, 10, QLatin1Char('0'));
}

}  // namespace drive
