#include "cli/trip_options.h"

#include <QCoreApplication>

#include "drive/readings.h"

QList<QCommandLineOption> TripCommandLineOptions() {
    return {
        QCommandLineOption(
            QStringLiteral("trigger"),
            QCoreApplication::translate(
                "CommandLine",
                "Catch the moment a drive trips while --monitor polls: EXPR is a reading, a "
                "comparison and a value: fault-code!=0 (the default), output-current>12.5, "
                "2:bus-voltage<450, output-frequency<>25 (crossing either way), or "
                "no-reply>=3 (polls in a row without a good answer). Needs --snapshots."),
            QStringLiteral("EXPR")),
        QCommandLineOption(QStringLiteral("snapshots"),
                           QCoreApplication::translate(
                               "CommandLine",
                               "Write a snapshot of each trigger's moment into a folder of its "
                               "own in DIR: the samples, a summary and the chart."),
                           QStringLiteral("DIR")),
        QCommandLineOption(
            QStringLiteral("before"),
            QCoreApplication::translate("CommandLine",
                                        "Seconds kept before the moment, 1 to 3600 (default 30)."),
            QStringLiteral("SECONDS"), QStringLiteral("30")),
        QCommandLineOption(
            QStringLiteral("after"),
            QCoreApplication::translate("CommandLine",
                                        "Seconds kept after the moment, 1 to 600 (default 10)."),
            QStringLiteral("SECONDS"), QStringLiteral("10")),
        QCommandLineOption(QStringLiteral("hysteresis"),
                           QCoreApplication::translate(
                               "CommandLine",
                               "How far a reading must come back past the trigger's level "
                               "before it can fire again, in the reading's unit (default 0)."),
                           QStringLiteral("VALUE"), QStringLiteral("0")),
        QCommandLineOption(
            QStringLiteral("single"),
            QCoreApplication::translate(
                "CommandLine", "End after the first snapshot instead of waiting for the next.")),
        QCommandLineOption(
            QStringLiteral("no-window"),
            QCoreApplication::translate(
                "CommandLine", "Catch trips without showing a window (also without a display).")),
    };
}

CommandLineOutcome ReadTripOptions(const QCommandLineParser& parser, CommandLine* options,
                                   QString* message) {
    const bool triggerGiven = parser.isSet(QStringLiteral("trigger"));
    options->snapshotsDir = parser.value(QStringLiteral("snapshots"));
    options->noWindow = parser.isSet(QStringLiteral("no-window"));
    options->singleSnapshot = parser.isSet(QStringLiteral("single"));
    if (options->snapshotsDir.isEmpty()) {
        if (triggerGiven || options->noWindow || options->singleSnapshot) {
            *message = QCoreApplication::translate(
                "CommandLine", "--trigger, --single and --no-window want --snapshots DIR");
            return CommandLineOutcome::Error;
        }
        return CommandLineOutcome::Run;
    }
    if (triggerGiven) {
        QString error;
        const std::optional<trip::Trigger> trigger =
            trip::ParseTrigger(parser.value(QStringLiteral("trigger")), &error);
        if (!trigger) {
            *message = QStringLiteral("--trigger: ") + error;
            return CommandLineOutcome::Error;
        }
        options->trigger = *trigger;
    }
    const auto seconds = [&](const char* name, int highest, int* value) {
        bool number = false;
        *value = parser.value(QLatin1String(name)).toInt(&number);
        if (number && *value >= 1 && *value <= highest) return true;
        *message = QCoreApplication::translate("CommandLine",
                                               "--%1 wants whole seconds from 1 to %2, not \"%3\"")
                       .arg(QLatin1String(name))
                       .arg(highest)
                       .arg(parser.value(QLatin1String(name)));
        return false;
    };
    if (!seconds("before", 3600, &options->beforeSeconds) ||
        !seconds("after", 600, &options->afterSeconds))
        return CommandLineOutcome::Error;
    bool number = false;
    const double hysteresis = parser.value(QStringLiteral("hysteresis")).toDouble(&number);
    if (!number || hysteresis < 0) {
        *message = QCoreApplication::translate(
            "CommandLine", "--hysteresis wants a value of 0 or more in the reading's unit");
        return CommandLineOutcome::Error;
    }
    options->trigger.hysteresis = hysteresis;
    options->captureTrips = true;
    // The trigger's reading is polled whether --monitor names it or not.
    if (options->trigger.kind != trip::TriggerKind::NoReply) {
        const exchange::Channel channel{options->trigger.address, options->trigger.reading};
        if (channel.address == 0) {
            if (std::find(options->monitor.begin(), options->monitor.end(), channel.reading) ==
                options->monitor.end())
                options->monitor.push_back(channel.reading);
        } else if (std::find(options->monitorOthers.begin(), options->monitorOthers.end(),
                             channel) == options->monitorOthers.end()) {
            options->monitorOthers.push_back(channel);
        }
    } else if (options->monitor.empty() && options->monitorOthers.empty()) {
        options->monitor.push_back(drive::kFaultCodeReadingIndex);
    }
    return CommandLineOutcome::Run;
}
