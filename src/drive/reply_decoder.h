// Reads the drive's values out of a good reply.
//
// Reply layout: address, command, length, function number, data bytes, then the check of the
// framing. The decoders take the body of a reply the judge found whole, checked and answering
// its request (exchange::JudgeReply), so no value is ever read from a spoiled or foreign frame.
#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <optional>

namespace drive {

// The text a result box shows when no usable reply came.
QString NoReplyText();

// The parameter read: two data bytes (high first) as a signed 16-bit value when the length is
// 3, otherwise the first data byte; nothing when the body lacks those bytes.
std::optional<int> ParameterValue(const QByteArray& body);

// A monitor reading: the first two data bytes, high first, as a signed 16-bit value, whatever
// the length says; nothing when the body lacks them.
std::optional<int> MonitorValue(const QByteArray& body);

// The fault code: the first data byte.
std::optional<int> FaultCode(const QByteArray& body);

struct MonitorItem {
    int item;             // the number written into the function box
    double divisor;       // the drive reports in units of 1 / divisor
    const char* pattern;  // display pattern with unit
};

// The eight monitored values, in item order 0..7.
const std::array<MonitorItem, 8>& MonitorItems();

// A raw reading scaled and rendered with its item's pattern ("048.05 Hz").
QString MonitorText(int raw, const MonitorItem& item);

// "NO ERROR" for 0, otherwise "E." + category name + phase letter; a category without a name
// shows the raw code as two hexadecimal digits ("E.34H") so the drive manual can be consulted.
QString FaultText(int code);

}  // namespace drive
