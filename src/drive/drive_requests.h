// The field values that the one-button drive operations put into the field boxes.
#pragma once

#include <QString>

namespace drive {

// Drive protocol commands (the command field of a request).
enum Command : int {
    kReadParameter = 1,
    kWriteParameter = 2,
    kRunControl = 3,
    kReadMonitor = 4,
    kSetFrequency = 5,
};

// Run-control function numbers.
constexpr int kRunStart = 1;
constexpr int kRunStop = 8;

// Monitor item of the fault code.
constexpr int kFaultCodeItem = 8;

// The set frequency goes out in units of 0.01 Hz: the function field carries the part above
// 256 and the first data field the low byte.
struct FrequencyFields {
    QString function;
    QString data;
};
FrequencyFields SplitFrequency(int hundredths);

}  // namespace drive
