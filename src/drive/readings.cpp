#include "drive/readings.h"

#include <QCoreApplication>
#include <algorithm>
#include <array>

#include "drive/reply_decoder.h"

namespace drive {
namespace {

const std::array<Reading, kReadings> kAll = {{
    {0, QT_TRANSLATE_NOOP("Readings", "set-frequency"), "设定频率", "Hz"},
    {1, QT_TRANSLATE_NOOP("Readings", "output-frequency"), "输出频率", "Hz"},
    {2, QT_TRANSLATE_NOOP("Readings", "output-current"), "输出电流", "A"},
    {3, QT_TRANSLATE_NOOP("Readings", "output-speed"), "输出转速", "r/min"},
    {4, QT_TRANSLATE_NOOP("Readings", "bus-voltage"), "母线电压", "DCV"},
    {5, QT_TRANSLATE_NOOP("Readings", "output-voltage"), "输出电压", "ACV"},
    {6, QT_TRANSLATE_NOOP("Readings", "counter"), "计数器", "P"},
    {7, QT_TRANSLATE_NOOP("Readings", "temperature"), "变频温度", "度"},
    {8, QT_TRANSLATE_NOOP("Readings", "fault-code"), "故障代码", ""},
}};

}  // namespace

const Reading& ReadingAt(int index) {
    return kAll[std::size_t(index)];
}

QString ReadingFileName(int index) {
    return QCoreApplication::translate("Readings", kAll[std::size_t(index)].name);
}

QStringList ReadingNames() {
    QStringList names;
    for (const Reading& r : kAll) names << QString::fromLatin1(r.name);
    return names;
}

std::optional<std::vector<int>> ParseReadingList(const QString& list, QString* error) {
    std::vector<int> readings;
    for (const QString& word : list.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString wanted = word.trimmed().toLower();
        bool number = false;
        const int item = wanted.toInt(&number);
        int found = -1;
        for (int i = 0; i < kReadings; ++i)
            if ((number && item == kAll[std::size_t(i)].item) ||
                wanted == QLatin1String(kAll[std::size_t(i)].name))
                found = i;
        if (found < 0) {
            *error =
                QCoreApplication::translate(
                    "Readings", "no reading \"%1\"; the readings are %2 (or their numbers 0..8)")
                    .arg(word.trimmed(), ReadingNames().join(QStringLiteral(", ")));
            return std::nullopt;
        }
        if (std::find(readings.begin(), readings.end(), found) == readings.end())
            readings.push_back(found);
    }
    if (readings.empty()) {
        *error = QCoreApplication::translate("Readings", "no reading named");
        return std::nullopt;
    }
    return readings;
}

std::optional<std::vector<DriveReading>> ParseDriveReadingList(const QString& list,
                                                               QString* error) {
    std::vector<DriveReading> chosen;
    for (const QString& word : list.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        DriveReading one;
        QString name = word;
        const qsizetype colon = word.indexOf(QLatin1Char(':'));
        if (colon >= 0) {
            bool number = false;
            one.address = word.left(colon).trimmed().toInt(&number);
            if (!number || one.address < 1 || one.address > 247) {
                *error = QCoreApplication::translate(
                             "Readings", "\"%1\": a drive's address is a number from 1 to 247")
                             .arg(word.trimmed());
                return std::nullopt;
            }
            name = word.mid(colon + 1);
        }
        const std::optional<std::vector<int>> reading = ParseReadingList(name, error);
        if (!reading) return std::nullopt;
        one.reading = reading->front();
        if (std::none_of(chosen.begin(), chosen.end(), [&one](const DriveReading& c) {
                return c.address == one.address && c.reading == one.reading;
            }))
            chosen.push_back(one);
    }
    if (chosen.empty()) {
        *error = QCoreApplication::translate("Readings", "no reading named");
        return std::nullopt;
    }
    return chosen;
}

double ScaledValue(int reading, int raw) {
    if (reading == kFaultCodeReadingIndex) return raw;
    return raw / MonitorItems()[std::size_t(reading)].divisor;
}

}  // namespace drive
