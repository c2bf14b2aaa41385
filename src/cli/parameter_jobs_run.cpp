#include "cli/parameter_jobs_run.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <algorithm>
#include "cli/command_line.h"
#include "cli/console.h"
#include "jobs/parameter_jobs.h"

namespace {

// How long a command waits for a port that has gone away before it gives up.
constexpr int kLongestPauseMs = 10000;

}  // namespace

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

std::optional<drive::ParameterSet> LoadParameterFile(const QString& path) {
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

int RestoreDrive(jobs::JobRunner& runner, const jobs::ParameterJobOptions& jobOptions,
                 const drive::ParameterSet& drive, const drive::ParameterSet& file,
                 const QString& prefix) {
    std::vector<jobs::ParameterWrite::Item> differing;
    int ambiguous = 0;
    for (const drive::ComparedParameter& row : drive::Compare(drive, file)) {
        if (row.state != drive::Comparison::Different) continue;
        // A multiple of 256 goes out as the bytes of its high byte alone and would arrive as
        // another value: it is not written, and the restore fails.
        if (drive::WriteIsAmbiguous(*row.second)) {
            ++ambiguous;
            PrintLine(stderr, prefix + QCoreApplication::translate(
                                           "ParameterCommand",
                                           "P%1 = %2 not written: a multiple of 256 goes out as "
                                           "the bytes of its high byte alone and would arrive as "
                                           "another value")
                                           .arg(row.number)
                                           .arg(*row.second));
            continue;
        }
        differing.push_back({row.number, *row.second});
    }
    if (differing.empty()) {
        PrintLine(stdout,
                  prefix + QCoreApplication::translate("ParameterCommand", "nothing written"));
        return ambiguous == 0 ? 0 : 1;
    }
    // A drive that runs is not written to from a script.
    jobs::RunningCheck check(jobOptions);
    if (!RunJob(runner, check)) return kExitNoPort;  // the port stayed away
    if (!check.outputFrequency()) {
        PrintLine(stderr, prefix + QCoreApplication::translate(
                                       "ParameterCommand",
                                       "nothing written: the drive did not answer the "
                                       "output-frequency reading"));
        return 1;
    }
    if (*check.outputFrequency() != 0) {
        PrintLine(stderr, prefix + QCoreApplication::translate(
                                       "ParameterCommand",
                                       "nothing written: the drive is running (output frequency "
                                       "%1 Hz); stop it first")
                                       .arg(*check.outputFrequency() / 100.0, 0, 'f', 2));
        return 1;
    }
    jobs::ParameterWrite write(jobOptions, differing, false);
    const bool portStayed = RunJob(runner, write);
    for (const jobs::WriteResult& result : write.results())
        if (result.outcome != jobs::WriteOutcome::Written)
            PrintLine(stderr, prefix + QStringLiteral("P%1: %2")
                                           .arg(result.number)
                                           .arg(jobs::WriteResultText(result)));
    PrintLine(
        stdout,
        prefix + QCoreApplication::translate("ParameterCommand",
                                             "%1 of %2 parameter(s) written and read back as meant")
                     .arg(std::count_if(write.results().begin(), write.results().end(),
                                        [](const jobs::WriteResult& r) {
                                            return r.outcome == jobs::WriteOutcome::Written;
                                        }))
                     .arg(differing.size()));
    if (!portStayed) return kExitNoPort;
    return write.allWritten() && ambiguous == 0 ? 0 : 1;
}
