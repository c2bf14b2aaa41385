// The program started as a script on a machine without a display starts it.
#pragma once

#include <QProcessEnvironment>

// No display of any kind, and `locale` as the only language setting.
inline QProcessEnvironment WithoutDisplay(const QString& locale = QStringLiteral("en_US.UTF-8")) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name :
         {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "LC_ALL", "LC_MESSAGES", "LANGUAGE"})
        environment.remove(QLatin1String(name));
    environment.insert(QStringLiteral("LANG"), locale);
    return environment;
}
