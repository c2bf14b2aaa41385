#include "jobs/scan_options.h"

#include <QCoreApplication>
#include <QStringList>
#include <algorithm>

#include "serial/port_settings.h"

namespace jobs {
namespace {

QString Squeezed(QString text) {
    return text.remove(QLatin1Char(' '))
        .remove(QLatin1Char(','))
        .remove(QLatin1Char('-'))
        .toLower();
}

void AddOnce(std::vector<int>& list, int index) {
    if (std::find(list.begin(), list.end(), index) == list.end()) list.push_back(index);
}

}  // namespace

std::optional<std::vector<int>> ParseBaudList(const QString& text, QString* error) {
    std::vector<int> bauds;
    for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        int index = -1;
        for (int i = 0; i < serial::kBaudCount; ++i)
            if (QString::number(serial::BaudRateAt(i)) == part.trimmed()) index = i;
        if (index < 0) {
            *error = QCoreApplication::translate("ScanOptions",
                                                 "no baud rate \"%1\": the rates are 4800, 9600, "
                                                 "19200 and 38400")
                         .arg(part.trimmed());
            return std::nullopt;
        }
        AddOnce(bauds, index);
    }
    if (bauds.empty()) {
        *error = QCoreApplication::translate("ScanOptions", "no baud rate named");
        return std::nullopt;
    }
    return bauds;
}

std::optional<std::vector<int>> ParseFormatList(const QString& text, QString* error) {
    std::vector<int> formats;
    QStringList names;
    for (int i = 0; i < serial::kFormatCount; ++i) names << Squeezed(serial::FormatName(i));
    for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString wanted = Squeezed(part);
        bool known = false;
        for (int i = 0; i < serial::kFormatCount; ++i) {
            const bool framingOnly = wanted == (serial::IsAsciiFormat(i) ? QLatin1String("ascii")
                                                                         : QLatin1String("rtu"));
            if (names[i] == wanted || framingOnly) {
                AddOnce(formats, i);
                known = true;
            }
        }
        if (!known) {
            *error = QCoreApplication::translate(
                         "ScanOptions", "no data format \"%1\": the formats are %2, or rtu, ascii")
                         .arg(part.trimmed(), names.join(QStringLiteral(", ")));
            return std::nullopt;
        }
    }
    if (formats.empty()) {
        *error = QCoreApplication::translate("ScanOptions", "no data format named");
        return std::nullopt;
    }
    return formats;
}

bool ParseAddressRange(const QString& text, int* first, int* last, QString* error) {
    const QStringList parts = text.split(QLatin1Char('-'));
    bool ok = parts.size() <= 2;
    const int from = ok ? parts.first().trimmed().toInt(&ok) : 0;
    bool ok2 = ok;
    const int to = ok && parts.size() == 2 ? parts.last().trimmed().toInt(&ok2) : from;
    if (!ok || !ok2 || from < 1 || to > 247 || from > to) {
        *error = QCoreApplication::translate(
                     "ScanOptions",
                     "no address range \"%1\": give FIRST-LAST within 1-247, or one address")
                     .arg(text);
        return false;
    }
    *first = from;
    *last = to;
    return true;
}

}  // namespace jobs
