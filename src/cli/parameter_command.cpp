#include "cli/parameter_command.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <memory>

#include "cli/console.h"
#include "cli/parameter_jobs_run.h"
#include "cli/several_drives_command.h"
#include "exchange/exchange_core.h"
#include "exchange/history_file.h"
#include "jobs/job_runner.h"
#include "jobs/parameter_jobs.h"
#include "language/language.h"
#include "serial/line_selector.h"
#include "serial/port_map.h"
#include "serial/port_settings.h"

int RunParameterCommand(int argc, char* argv[], const QString& language, const CommandLine& options,
                        const serial::PortMap& map,
                        const std::function<void(serial::LineSelector&)>& addOwnLines) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(APP_VERSION));
    language::Install(language);
    std::optional<drive::ParameterSet> file;
    if (!options.compareFile.isEmpty() || !options.restoreFile.isEmpty()) {
        file = LoadParameterFile(options.compareFile.isEmpty() ? options.restoreFile
                                                               : options.compareFile);
        if (!file) return kExitBadFile;
    }

    const int number = serial::AssignedPortNumber(options.portAssignments);
    serial::LineSelector port(map);
    if (addOwnLines) addOwnLines(port);
    port.setPortNumber(number);
    const QString settings = serial::SettingsText(options.baudIndex, options.formatIndex);
    port.setSettings(settings);
    const QString portName = QStringLiteral("COM%1 (%2)").arg(number).arg(map.deviceFor(number));
    // Minutes of reading end in the save: a file that cannot be written is said before them.
    QString error;
    if (!options.addresses.empty()) {
        if (!CanSaveSeveral(options, &error)) {
            PrintLine(stderr, error);
            return kExitBadFile;
        }
    } else if (!options.backupFile.isEmpty() && !exchange::CanSave(options.backupFile, &error)) {
        PrintLine(stderr, exchange::SaveFailureText(options.backupFile, error));
        return kExitBadFile;
    }
    if (!port.open()) {
        PrintLine(stderr, QStringLiteral("modbus-debugger: %1").arg(port.errorText()));
        return kExitNoPort;
    }
    exchange::ExchangeCore core(port);
    const frame::Framing framing =
        serial::IsAsciiFormat(options.formatIndex) ? frame::Framing::Ascii : frame::Framing::Rtu;
    core.setLine(*serial::ParseSettings(settings), framing);
    core.setReplyTimeout(std::chrono::milliseconds(options.replyTimeoutMs));
    jobs::JobRunner runner(core);
    jobs::ParameterJobOptions jobOptions;
    jobOptions.address = options.parameterAddress;
    jobOptions.framing = framing;
    const QString lineText = QStringLiteral("%1, %2 baud, %3")
                                 .arg(portName)
                                 .arg(serial::BaudRateAt(options.baudIndex))
                                 .arg(serial::FormatName(options.formatIndex));
    if (!options.addresses.empty())
        return RunSeveralDrives(runner, options, jobOptions, file, lineText);

    // The drive's parameters: the range asked, or those the file holds within it.
    jobs::ParameterRead read(jobOptions, options.firstParameter, options.lastParameter);
    if (!RunJob(runner, read)) return kExitNoPort;  // the port stayed away
    drive::ParameterSet drive = read.set();
    drive.line = lineText;
    drive.date = QDateTime::currentDateTime().toString(Qt::ISODate);
    drive.version = QStringLiteral(APP_VERSION);
    int unread = 0;
    for (const auto& entry : drive.entries) {
        if (entry.second.value) continue;
        ++unread;
        PrintLine(stderr, QCoreApplication::translate("ParameterCommand", "P%1: no value (%2)")
                              .arg(entry.first)
                              .arg(entry.second.verdict));
    }

    if (!options.backupFile.isEmpty()) {
        if (!exchange::SaveWhole(options.backupFile, drive::ParameterSetCsv(drive), &error)) {
            PrintLine(stderr, exchange::SaveFailureText(options.backupFile, error));
            return 1;
        }
        PrintLine(stdout,
                  QCoreApplication::translate("ParameterCommand",
                                              "%1 parameters read, %2 without a value, saved to %3")
                      .arg(drive.entries.size())
                      .arg(unread)
                      .arg(options.backupFile));
        return unread == 0 ? 0 : 1;
    }

    // Only what the file holds within the range is compared; the rest of the range is the
    // drive's own business.
    for (auto entry = drive.entries.begin(); entry != drive.entries.end();)
        entry = file->entries.count(entry->first) ? std::next(entry) : drive.entries.erase(entry);
    for (auto entry = file->entries.begin(); entry != file->entries.end();) {
        const bool inRange =
            entry->first >= options.firstParameter && entry->first <= options.lastParameter;
        entry = inRange ? std::next(entry) : file->entries.erase(entry);
    }
    if (!options.restoreFile.isEmpty()) return RestoreDrive(runner, jobOptions, drive, *file, {});
    int differences = 0;
    for (const drive::ComparedParameter& row : drive::Compare(drive, *file)) {
        if (row.state == drive::Comparison::Equal) continue;
        ++differences;
        PrintLine(stdout,
                  QCoreApplication::translate("ParameterCommand", "P%1: drive %2, file %3 (%4)")
                      .arg(row.number)
                      .arg(row.first ? QString::number(*row.first) : QStringLiteral("—"))
                      .arg(row.second ? QString::number(*row.second) : QStringLiteral("—"))
                      .arg(drive::ComparisonName(row.state)));
    }
    PrintLine(
        stdout,
        QCoreApplication::translate("ParameterCommand", "%1 parameter(s) differ").arg(differences));
    return differences == 0 ? 0 : 1;
}
