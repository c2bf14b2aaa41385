#include "serial/port_map.h"

#include <QCoreApplication>

#include <QCollator>
#include <QElapsedTimer>
#include <QHash>
#include <QRegularExpression>
#include <QSerialPortInfo>
#include <algorithm>

namespace serial {

QString PortMap::deviceFor(int portNumber) const {
    if (portNumber < 1 || portNumber > kPortButtons) return QString();
    return devices[static_cast<std::size_t>(portNumber - 1)];
}

QStringList OrderDetectedDevices(QStringList devices) {
    QCollator collator;
    collator.setNumericMode(true);
    auto isAdapter = [](const QString& path) {
        return path.contains(QLatin1String("ttyUSB")) || path.contains(QLatin1String("ttyACM"));
    };
    std::stable_sort(devices.begin(), devices.end(), [&](const QString& a, const QString& b) {
        if (isAdapter(a) != isAdapter(b)) return isAdapter(a);
        return collator.compare(a, b) < 0;
    });
    return devices;
}

bool BuildPortMap(const QStringList& assignments, const QStringList& detectedDevices, PortMap* map,
                  QString* error) {
    static const QRegularExpression pattern(QStringLiteral("^COM([1-4])=(.+)$"),
                                            QRegularExpression::CaseInsensitiveOption);
    PortMap result;
    std::array<bool, kPortButtons> assigned{};
    for (const QString& assignment : assignments) {
        const QRegularExpressionMatch match = pattern.match(assignment);
        if (!match.hasMatch()) {
            *error = QCoreApplication::translate(
                         "PortMap", "cannot read --port %1: expected COMn=PATH with n from 1 to 4")
                         .arg(assignment);
            return false;
        }
        const auto index = static_cast<std::size_t>(match.captured(1).toInt() - 1);
        result.devices[index] = match.captured(2);
        assigned[index] = true;
    }
    int next = 0;
    for (std::size_t i = 0; i < result.devices.size(); ++i) {
        if (assigned[i]) continue;
        while (next < detectedDevices.size() &&
               std::find(result.devices.begin(), result.devices.end(), detectedDevices[next]) !=
                   result.devices.end())
            ++next;
        if (next < detectedDevices.size()) result.devices[i] = detectedDevices[next++];
    }
    *map = result;
    return true;
}

QStringList DetectSerialDevices() {
    QStringList devices;
#ifdef Q_OS_WIN
    // On Windows the buttons name the ports themselves.
    for (int n = 1; n <= kPortButtons; ++n) devices << QStringLiteral("COM%1").arg(n);
    return devices;
#else
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& info : ports) devices << info.systemLocation();
    return OrderDetectedDevices(devices);
#endif
}

QString PortDescription(const QString& device) {
    if (device.isEmpty() || device.contains(QLatin1String("://"))) return QString();
    // The system's list of ports is walked once every few seconds at most: the window asks
    // each second while a port is away.
    static QHash<QString, QString> known;
    static QElapsedTimer age;
    if (!age.isValid() || age.elapsed() > 5000) {
        known.clear();
        for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
            QStringList parts;
            for (const QString& part : {info.description(), info.manufacturer()})
                if (!part.isEmpty() && !parts.contains(part)) parts << part;
            known.insert(info.portName(), parts.join(QStringLiteral(", ")));
            known.insert(info.systemLocation(), parts.join(QStringLiteral(", ")));
        }
        age.start();
    }
    return known.value(device);
}

int AssignedPortNumber(const QStringList& assignments) {
    for (const QString& assignment : assignments) {
        const QString name = assignment.section(QLatin1Char('='), 0, 0).trimmed().toUpper();
        bool ok = false;
        const int number = name.mid(3).toInt(&ok);
        if (name.startsWith(QLatin1String("COM")) && ok) return number;
    }
    return 1;
}

}  // namespace serial
