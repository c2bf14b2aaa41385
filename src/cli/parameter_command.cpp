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
#include "exchange/exchange_core.h"
#include "exchange/history_file.h"
#include "jobs/job_runner.h"
#include "jobs/parameter_jobs.h"
#include "language/language.h"
#include "serial/line_selector.h"
#include "serial/port_map.h"
#include "serial/port_settings.h"

namespace {

// How long a command waits for a port that has gone away before it gives up.
constexpr int kLongestPauseMs = 10000;

// Runs one job to its end in the event loop.
bool RunJob(jobs::JobRunner& runner, jobs::Job& job) {
    bool stopped = false, done = false;
    QEventLoop loop;
    const auto connection =
        QObject::connect(&runner, &jobs::JobRunner::finished, [&](bool wasStopped) {
            stopped = wasStopped;
            done = true;
            loop.quit();
        });
    // A script does not wait for ever on a port that stays away.
    QTimer giveUp;
    giveUp.setSingleShot(true);
    QObject::connect(&giveUp, &QTimer::timeout, &runner, &jobs::JobRunner::stop);
    const auto pauses = QObject::connect(
        &runner, &jobs::JobRunner::pausedChanged, [&giveUp](bool paused, const QString& reason) {
            if (paused) {
                PrintLine(
                    stderr,
                    QCoreApplication::translate("ParameterCommand", "paused: %1").arg(reason));
                giveUp.start(kLongestPauseMs);
            } else {
                giveUp.stop();
            }
        });
    runner.start(&job);
    // A loop of its own, not processEvents(WaitForMoreEvents): on Windows that call can sleep
    // through the line's posted events and never wake.
    if (!done) loop.exec();
    QObject::disconnect(connection);
    QObject::disconnect(pauses);
    return !stopped;
}

std::optional<drive::ParameterSet> LoadFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        PrintLine(stderr, QCoreApplication::translate("ParameterCommand",
                                                      "modbus-debugger: cannot open %1: %2")
                              .arg(path, file.errorString()));
        return std::nullopt;
    }
    QString error;
    std::optional<drive::ParameterSet> set = drive::ReadParameterSet(file.readAll(), &error);
    if (!set)
        PrintLine(stderr, QCoreApplication::translate("ParameterCommand",
                                                      "modbus-debugger: %1 was not loaded: %2")
                              .arg(path, error));
    return set;
}

}  // namespace

int RunParameterCommand(int argc, char* argv[], const QString& language, const CommandLine& options,
                        const serial::PortMap& map,
                        const std::function<void(serial::LineSelector&)>& addOwnLines) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(APP_VERSION));
    language::Install(language);
    std::optional<drive::ParameterSet> file;
    if (!options.compareFile.isEmpty() || !options.restoreFile.isEmpty()) {
        file = LoadFile(options.compareFile.isEmpty() ? options.restoreFile : options.compareFile);
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
    if (!options.backupFile.isEmpty() && !exchange::CanSave(options.backupFile, &error)) {
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

    // The drive's parameters: the range asked, or those the file holds within it.
    jobs::ParameterRead read(jobOptions, options.firstParameter, options.lastParameter);
    if (!RunJob(runner, read)) return kExitNoPort;  // the port stayed away
    drive::ParameterSet drive = read.set();
    drive.line = QStringLiteral("%1, %2 baud, %3")
                     .arg(portName)
                     .arg(serial::BaudRateAt(options.baudIndex))
                     .arg(serial::FormatName(options.formatIndex));
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
    std::vector<jobs::ParameterWrite::Item> differing;
    int differences = 0;
    int ambiguous = 0;
    for (const drive::ComparedParameter& row : drive::Compare(drive, *file)) {
        if (row.state == drive::Comparison::Equal) continue;
        ++differences;
        if (!options.compareFile.isEmpty())
            PrintLine(stdout,
                      QCoreApplication::translate("ParameterCommand", "P%1: drive %2, file %3 (%4)")
                          .arg(row.number)
                          .arg(row.first ? QString::number(*row.first) : QStringLiteral("—"))
                          .arg(row.second ? QString::number(*row.second) : QStringLiteral("—"))
                          .arg(drive::ComparisonName(row.state)));
        if (row.state != drive::Comparison::Different) continue;
        // A multiple of 256 goes out as the bytes of its high byte alone and would arrive as
        // another value: it is not written, and the restore fails.
        if (drive::WriteIsAmbiguous(*row.second)) {
            ++ambiguous;
            if (!options.restoreFile.isEmpty())
                PrintLine(stderr,
                          QCoreApplication::translate(
                              "ParameterCommand",
                              "P%1 = %2 not written: a multiple of 256 goes out as the "
                              "bytes of its high byte alone and would arrive as another value")
                              .arg(row.number)
                              .arg(*row.second));
            continue;
        }
        differing.push_back({row.number, *row.second});
    }
    if (!options.compareFile.isEmpty()) {
        PrintLine(stdout, QCoreApplication::translate("ParameterCommand", "%1 parameter(s) differ")
                              .arg(differences));
        return differences == 0 ? 0 : 1;
    }

    if (differing.empty()) {
        PrintLine(stdout, QCoreApplication::translate("ParameterCommand", "nothing written"));
        return ambiguous == 0 ? 0 : 1;
    }
    // A drive that runs is not written to from a script.
    jobs::RunningCheck check(jobOptions);
    if (!RunJob(runner, check) || !check.outputFrequency()) {
        PrintLine(stderr, QCoreApplication::translate(
                              "ParameterCommand",
                              "nothing written: the drive did not answer the output-frequency "
                              "reading"));
        return 1;
    }
    if (*check.outputFrequency() != 0) {
        PrintLine(stderr, QCoreApplication::translate(
                              "ParameterCommand",
                              "nothing written: the drive is running (output frequency %1 Hz); "
                              "stop it first")
                              .arg(*check.outputFrequency() / 100.0, 0, 'f', 2));
        return 1;
    }
    jobs::ParameterWrite write(jobOptions, differing, false);
    RunJob(runner, write);
    for (const jobs::WriteResult& result : write.results())
        if (result.outcome != jobs::WriteOutcome::Written)
            PrintLine(
                stderr,
                QStringLiteral("P%1: %2").arg(result.number).arg(jobs::WriteResultText(result)));
    PrintLine(stdout,
              QCoreApplication::translate("ParameterCommand",
                                          "%1 of %2 parameter(s) written and read back as meant")
                  .arg(std::count_if(write.results().begin(), write.results().end(),
                                     [](const jobs::WriteResult& r) {
                                         return r.outcome == jobs::WriteOutcome::Written;
                                     }))
                  .arg(differing.size()));
    return write.allWritten() && ambiguous == 0 ? 0 : 1;
}
