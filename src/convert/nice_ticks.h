// Ticks for a chart axis on round values: a step of 1, 2 or 5 times a power of ten, with as many
// decimals as the step needs, so no two tick labels read the same.
#pragma once

#include <QString>

namespace conv {

struct Ticks {
    double from = 0;  // the axis's ends, on ticks
    double to = 1;
    double step = 1;
    int decimals = 0;  // of every label
    int count() const;
    QString label(int index) const;  // the label of tick `index`, from 0 at `from`
};

// Covers `low` to `high` (either order; equal ends get room around them) with at most `maxTicks`
// intervals (at least 2) of the smallest round step that allows it.
Ticks NiceTicks(double low, double high, int maxTicks = 6);

}  // namespace conv
