#include "drive/drive_requests.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "convert/conversions.h"

namespace drive {

FrequencyFields SplitFrequency(const QString& hertzText) {
    // Hundredths of a hertz, limited to what the low-byte rounding can hold: the box stops
    // entries above 40000 Hz, but a huge negative entry (or one whose hundredfold overflows to
    // infinity) must still give fields rather than undefined conversions.
    double x = conv::ReadNumber(hertzText) * 100.0;
    if (std::isnan(x)) x = 0;
    x = std::clamp(x, static_cast<double>(std::numeric_limits<qint32>::min()),
                   static_cast<double>(std::numeric_limits<qint32>::max()));

    // The high part floors x itself while the low byte rounds x first; a negative entry keeps
    // its sign in the low byte, which is what C++'s remainder gives.
    const auto high = static_cast<qint64>(conv::Floor(x / 256.0));
    const qint64 low = conv::RoundToInt(x, conv::IntWidth::Int32) % 256;
    return {conv::DecimalText(high), conv::DecimalText(low)};
}

}  // namespace drive
