#include "drive/set_comparison.h"

#include <QCoreApplication>
#include <QStringList>
#include <algorithm>
#include <map>

namespace drive {

bool ComparedRow::differs() const {
    return differingDrives() > 0;
}

int ComparedRow::differingDrives() const {
    return int(std::count_if(states.begin(), states.end(),
                             [](Comparison state) { return state != Comparison::Equal; }));
}

std::vector<ComparedRow> CompareSeveral(const ParameterSet& reference,
                                        const std::vector<ParameterSet>& drives) {
    std::map<int, ComparedRow> rows;
    const auto rowFor = [&](int number) -> ComparedRow& {
        ComparedRow& row = rows[number];
        if (row.values.empty()) {
            row.number = number;
            row.values.resize(drives.size());
            // A parameter neither side holds is no difference.
            row.states.assign(drives.size(), Comparison::Equal);
        }
        return row;
    };
    for (std::size_t d = 0; d < drives.size(); ++d) {
        for (const ComparedParameter& compared : Compare(drives[d], reference)) {
            ComparedRow& row = rowFor(compared.number);
            row.reference = compared.second;
            row.values[d] = compared.first;
            row.states[d] = compared.state;
        }
    }
    // The reference's parameters also when no drive was compared.
    for (const auto& [number, entry] : reference.entries) rowFor(number).reference = entry.value;
    std::vector<ComparedRow> ordered;
    for (auto& [number, row] : rows) ordered.push_back(std::move(row));
    return ordered;
}

std::optional<std::vector<int>> ParseAddressList(const QString& text, QString* error) {
    std::vector<int> addresses;
    const auto refuse = [&](const QString& part) {
        *error = QCoreApplication::translate(
                     "Addresses", "\"%1\": name drive addresses from 1 to 247 as 1-12 or 1,3,5-7")
                     .arg(part);
        return std::nullopt;
    };
    for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList ends = part.trimmed().split(QLatin1Char('-'));
        bool firstOk = false, lastOk = false;
        const int first = ends.front().trimmed().toInt(&firstOk);
        const int last = ends.size() == 2 ? ends.back().trimmed().toInt(&lastOk) : first;
        if (ends.size() == 2 && !lastOk) return refuse(part.trimmed());
        if (ends.size() > 2 || !firstOk || first < 1 || last > 247 || first > last)
            return refuse(part.trimmed());
        for (int address = first; address <= last; ++address)
            if (std::find(addresses.begin(), addresses.end(), address) == addresses.end())
                addresses.push_back(address);
    }
    if (addresses.empty()) return refuse(text);
    return addresses;
}

}  // namespace drive
