// The readings of the quick-command column as the trend window and the command line name them:
// the eight monitored values and the fault code, in monitor item order.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace drive {

constexpr int kReadings = 9;
constexpr int kOutputFrequencyReading = 1;
constexpr int kFaultCodeReadingIndex = 8;

struct Reading {
    int item;             // the monitor item number of its request
    const char* name;     // on the command line: "output-frequency"
    const char* caption;  // as on its button: "输出频率"
    const char* unit;     // "Hz"; empty for the fault code
};

const Reading& ReadingAt(int index);
// The reading as the sample files name it: its command-line name in English, its caption in
// Chinese.
QString ReadingFileName(int index);

// "output-frequency,output-current" or item numbers "1,2", in the order given, each once;
// nothing for an unknown name or number, with the reason in `error`.
std::optional<std::vector<int>> ParseReadingList(const QString& list, QString* error);
QStringList ReadingNames();

// One reading of one drive as --monitor names it: "2:output-frequency" (or "2:1"); a bare name
// means the drive in the inverter address box, address 0 here.
struct DriveReading {
    int address = 0;
    int reading = 0;
};
std::optional<std::vector<DriveReading>> ParseDriveReadingList(const QString& list, QString* error);

// The reading's raw value as its result box scales it (hundredths of a hertz to hertz).
double ScaledValue(int reading, int raw);

}  // namespace drive
