// Several drives' parameter sets side by side against one reference, a file or another drive:
// the table that shows which drive is set otherwise, parameter by parameter.
#pragma once

#include <optional>
#include <vector>

#include "drive/parameter_set.h"

namespace drive {

struct ComparedRow {
    int number = 0;
    std::optional<quint16> reference;
    std::vector<std::optional<quint16>> values;  // one per drive, in the drives' order
    std::vector<Comparison> states;              // each drive's value against the reference
    bool differs() const;
    int differingDrives() const;
};

// Every parameter in the reference or any drive, in number order. A drive's state is what
// Compare(drive, reference) says of it.
std::vector<ComparedRow> CompareSeveral(const ParameterSet& reference,
                                        const std::vector<ParameterSet>& drives);

// "1-12", "1,3,5-7": drive addresses within 1..247, each once, in the order given; nothing, with
// the reason, for anything else.
std::optional<std::vector<int>> ParseAddressList(const QString& text, QString* error);

}  // namespace drive
