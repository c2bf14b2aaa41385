// The drive finder's choices as the command line spells them: baud rates, data formats by the
// format buttons' names, an address range.
#pragma once

#include <QString>
#include <optional>
#include <vector>

namespace jobs {

// "9600,19200": baud-rate button indices; nothing, with the reason, for a rate not offered.
std::optional<std::vector<int>> ParseBaudList(const QString& text, QString* error);
// "rtu8e1,ascii8n1", the format buttons' names without spaces and commas in any case; "rtu" or
// "ascii" alone stand for the three formats of that framing.
std::optional<std::vector<int>> ParseFormatList(const QString& text, QString* error);
// "1-247" or one address "17", within 1..247.
bool ParseAddressRange(const QString& text, int* first, int* last, QString* error);

}  // namespace jobs
