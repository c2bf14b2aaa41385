// Standard Modbus requests built from their fields, for the builder in the send grid's menu.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace frame {

struct StandardRequestFields {
    QString address;   // slave address 0..247 (0 broadcasts)
    int function = 3;  // 01, 02, 03, 04, 05, 06, 0F or 10
    QString start;     // the first coil or register, 0..65535
    // 01-04: the quantity; 05: the coil's state (1/0, ON/OFF or FF00/0000); 06: the value;
    // 0F: the coils' states, 10: the registers' values, separated by blanks or commas.
    QString quantityOrValues;
};

// The request body (address, function, data: no check), or why the fields make none. Numbers
// are decimal or hexadecimal with "0x" or a trailing "h".
std::optional<QByteArray> StandardRequestBody(const StandardRequestFields& fields, QString* error);

// The functions the builder offers, in its list's order.
constexpr int kStandardFunctions[] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x0F, 0x10};

// "read holding registers" in the user's language; empty for a function not in the list.
QString StandardFunctionName(int function);

}  // namespace frame
