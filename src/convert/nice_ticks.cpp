#include "convert/nice_ticks.h"

#include <algorithm>
#include <cmath>

namespace conv {
namespace {

// The smallest step of 1, 2 or 5 times a power of ten that is at least `raw`.
double NiceStepAtLeast(double raw) {
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double factor : {1.0, 2.0, 5.0, 10.0})
        if (factor * power >= raw * (1 - 1e-9)) return factor * power;
    return 10 * power;
}

}  // namespace

int Ticks::count() const {
    return int(std::lround((to - from) / step)) + 1;
}

QString Ticks::label(int index) const {
    const double value = from + index * step;
    // A value that rounds to zero shows as 0, never as -0.
    const double shown = std::fabs(value) < step * 1e-6 ? 0.0 : value;
    return QString::number(shown, 'f', decimals);
}

Ticks NiceTicks(double low, double high, int maxTicks) {
    if (!std::isfinite(low) || !std::isfinite(high)) low = 0, high = 1;
    if (low > high) std::swap(low, high);
    // Far beyond any reading: keep the arithmetic finite.
    low = std::clamp(low, -1e12, 1e12);
    high = std::clamp(high, -1e12, 1e12);
    maxTicks = std::max(maxTicks, 2);
    double span = high - low;
    if (span < 1e-9 * std::max(1.0, std::fabs(low))) {
        // A flat line gets room around it, a step on either side.
        const double room = std::max(std::fabs(low) * 0.1, 0.1);
        low -= room;
        high += room;
        span = high - low;
    }
    Ticks ticks;
    ticks.step = NiceStepAtLeast(span / maxTicks);
    ticks.from = std::floor(low / ticks.step + 1e-9) * ticks.step;
    ticks.to = std::ceil(high / ticks.step - 1e-9) * ticks.step;
    // Rounding both ends outwards may add an interval beyond the limit.
    while (ticks.count() - 1 > maxTicks) {
        ticks.step = NiceStepAtLeast(ticks.step * 1.01);
        ticks.from = std::floor(low / ticks.step + 1e-9) * ticks.step;
        ticks.to = std::ceil(high / ticks.step - 1e-9) * ticks.step;
    }
    ticks.decimals = std::max(0, int(-std::floor(std::log10(ticks.step) + 1e-9)));
    return ticks;
}

}  // namespace conv
