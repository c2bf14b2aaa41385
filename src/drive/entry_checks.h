// What the quick commands accept from their entry boxes before anything is sent. A drive must
// never get a value other than the one typed, so anything the request could not carry unchanged
// is refused rather than rounded, wrapped or cut.
#pragma once

#include <QString>
#include <optional>

namespace drive {

// Modbus addresses 1..247 name one drive each; 0 reaches them all.
constexpr int kHighestAddress = 247;
// A parameter number travels in the function field, which the field box limits to 250.
constexpr int kHighestParameterNumber = 250;
constexpr int kHighestParameterValue = 65535;
// The set frequency in hundredths of a hertz: the part above 256 travels in the function
// field (at most 250), the low byte as data, so 250 * 256 + 255 is the most it carries.
constexpr int kHighestFrequencyHundredths = 250 * 256 + 255;

// A whole decimal number from `lowest` to `highest`, blanks around it allowed; nothing for any
// other text (a sign, a fraction, an exponent, letters, nothing at all).
std::optional<int> WholeNumber(const QString& text, int lowest, int highest);

// A frequency in hertz with at most two decimals ("50", "50.5", "12.34"), as exact hundredths,
// from 0 to kHighestFrequencyHundredths.
std::optional<int> FrequencyHundredths(const QString& text);

// The allowed entries in words, for the tooltip of a refused box.
QString WholeNumberRange(int lowest, int highest);
QString FrequencyRange();

}  // namespace drive
