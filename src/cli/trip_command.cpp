#include "cli/trip_command.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>

#include "cli/console.h"
#include "window/main/main_window.h"

bool StartTripCapture(MainWindow& window, const CommandLine& options) {
    trip::CaptureSettings settings;
    settings.trigger = options.trigger;
    settings.directory = options.snapshotsDir;
    settings.beforeMs = options.beforeSeconds * 1000LL;
    settings.afterMs = options.afterSeconds * 1000LL;
    settings.rearm = !options.singleSnapshot;
    trip::TripCapture& capture = window.tripCapture();
    QObject::connect(
        &capture, &trip::TripCapture::eventChanged, &window,
        [&capture, single = options.singleSnapshot](int index, bool added) {
            const trip::TripEvent& event = capture.events()[std::size_t(index)];
            const bool trigger = event.kind == trip::TripEvent::Kind::Trigger;
            // A trigger's line comes once its snapshot is written (or is not).
            if (trigger == added) return;
            QString line = QDateTime::fromMSecsSinceEpoch(event.timeMs)
                               .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz ")) +
                           event.text;
            if (!event.folder.isEmpty())
                line += QCoreApplication::translate("Main", "; snapshot %1")
                            .arg(QDir::toNativeSeparators(event.folder));
            if (trigger && event.folder.isEmpty())
                line += QCoreApplication::translate("Main", "; not saved: %1").arg(event.error);
            PrintLine(stdout, line);
            if (trigger && single) QCoreApplication::exit(0);
        });
    QString error;
    if (!window.armTripCapture(settings, &error)) {
        PrintLine(stderr, QStringLiteral("modbus-debugger: --snapshots: %1").arg(error));
        return false;
    }
    PrintLine(stderr, QCoreApplication::translate("Main", "armed: %1 (%2); snapshots in %3")
                          .arg(trip::TriggerText(settings.trigger),
                               trip::TriggerDescription(settings.trigger),
                               QDir::toNativeSeparators(settings.directory)));
    return true;
}
