#include "cli/several_drives_command.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QStringList>
#include <algorithm>

#include "cli/console.h"
#include "cli/parameter_jobs_run.h"
#include "drive/set_comparison.h"
#include "exchange/history_file.h"
#include "jobs/several_drives_read.h"

namespace {

QString DrivePrefix(int address) {
    return QCoreApplication::translate("SeveralDrives", "drive %1: ").arg(address);
}

// Why a drive has no set: the port stayed away, or the drive did not answer its first request.
enum class ReadEnd { Read, Silent, PortAway };

ReadEnd ReadDrive(jobs::JobRunner& runner, const jobs::ParameterJobOptions& options, int address,
                  int first, int last, const QString& lineText, drive::ParameterSet* set) {
    jobs::SeveralDrivesRead read(options, {address}, first, last);
    if (!RunJob(runner, read)) return ReadEnd::PortAway;
    if (!read.results().front().answered) return ReadEnd::Silent;
    *set = read.results().front().set;
    set->line = lineText;
    set->date = QDateTime::currentDateTime().toString(Qt::ISODate);
    set->version = QStringLiteral(APP_VERSION);
    return ReadEnd::Read;
}

int Unread(const drive::ParameterSet& set) {
    return int(std::count_if(set.entries.begin(), set.entries.end(),
                             [](const auto& entry) { return !entry.second.value; }));
}

// Only what the reference holds within the range is compared.
void KeepOnly(drive::ParameterSet& set, const drive::ParameterSet& reference) {
    for (auto entry = set.entries.begin(); entry != set.entries.end();)
        entry = reference.entries.count(entry->first) ? std::next(entry) : set.entries.erase(entry);
}

// The table of the parameters that differ anywhere: the reference's value, then each drive's,
// a differing one marked with "*".
void PrintTable(const QString& referenceName, const std::vector<int>& addresses,
                const std::vector<drive::ComparedRow>& rows) {
    if (std::none_of(rows.begin(), rows.end(), [](auto& row) { return row.differs(); })) return;
    std::vector<QStringList> lines;
    QStringList header{QCoreApplication::translate("SeveralDrives", "parameter"), referenceName};
    for (int address : addresses)
        header << QCoreApplication::translate("SeveralDrives", "drive %1").arg(address);
    lines.push_back(header);
    const auto value = [](const std::optional<quint16>& v) {
        return v ? QString::number(*v) : QStringLiteral("—");
    };
    for (const drive::ComparedRow& row : rows) {
        if (!row.differs()) continue;
        QStringList line{QStringLiteral("P%1").arg(row.number), value(row.reference)};
        for (std::size_t d = 0; d < row.values.size(); ++d)
            line << value(row.values[d]) + (row.states[d] == drive::Comparison::Equal
                                                ? QString()
                                                : QStringLiteral("*"));
        lines.push_back(line);
    }
    std::vector<int> widths(header.size(), 0);
    for (const QStringList& line : lines)
        for (int c = 0; c < line.size(); ++c)
            widths[std::size_t(c)] = std::max(widths[std::size_t(c)], int(line[c].size()));
    for (const QStringList& line : lines) {
        QString text;
        for (int c = 0; c < line.size(); ++c)
            text += line[c].leftJustified(widths[std::size_t(c)] + 2);
        PrintLine(stdout, text.trimmed());
    }
}

}  // namespace

bool CanSaveSeveral(const CommandLine& options, QString* error) {
    if (options.backupFile.isEmpty()) return true;
    const QDir folder(options.backupFile);
    QString reason;
    if (!QDir().mkpath(folder.path()) ||
        !exchange::CanSave(folder.filePath(jobs::DriveFileName(options.addresses.front())),
                           &reason)) {
        *error = exchange::SaveFailureText(options.backupFile, reason);
        return false;
    }
    return true;
}

int RunSeveralDrives(jobs::JobRunner& runner, const CommandLine& options,
                     const jobs::ParameterJobOptions& jobOptions,
                     std::optional<drive::ParameterSet> file, const QString& lineText) {
    const int first = options.firstParameter;
    const int last = options.lastParameter;
    if (file) {
        for (auto entry = file->entries.begin(); entry != file->entries.end();)
            entry = entry->first >= first && entry->first <= last ? std::next(entry)
                                                                  : file->entries.erase(entry);
    }
    // --compare-drive: the reference is read first.
    QString referenceName = QCoreApplication::translate("SeveralDrives", "file");
    if (options.compareDrive) {
        drive::ParameterSet reference;
        const ReadEnd end =
            ReadDrive(runner, jobOptions, options.compareDrive, first, last, lineText, &reference);
        if (end == ReadEnd::PortAway) return kExitNoPort;
        if (end == ReadEnd::Silent) {
            PrintLine(stderr, DrivePrefix(options.compareDrive) +
                                  QCoreApplication::translate("SeveralDrives", "no answer"));
            return 1;
        }
        file = reference;
        referenceName =
            QCoreApplication::translate("SeveralDrives", "drive %1").arg(options.compareDrive);
    }

    int failed = 0;
    std::vector<int> compared;
    std::vector<drive::ParameterSet> sets;
    for (int address : options.addresses) {
        drive::ParameterSet set;
        const ReadEnd end = ReadDrive(runner, jobOptions, address, first, last, lineText, &set);
        if (end == ReadEnd::PortAway) return kExitNoPort;
        if (end == ReadEnd::Silent) {
            PrintLine(stderr, DrivePrefix(address) + QCoreApplication::translate(
                                                         "SeveralDrives", "no answer, skipped"));
            ++failed;
            continue;
        }
        const QString prefix = DrivePrefix(address);
        if (!options.backupFile.isEmpty()) {
            const QString path = QDir(options.backupFile).filePath(jobs::DriveFileName(address));
            QString error;
            if (!exchange::SaveWhole(path, drive::ParameterSetCsv(set), &error)) {
                PrintLine(stderr, prefix + exchange::SaveFailureText(path, error));
                ++failed;
                continue;
            }
            const int unread = Unread(set);
            PrintLine(stdout, prefix + QCoreApplication::translate(
                                           "SeveralDrives",
                                           "%1 parameters read, %2 without a value, saved to %3")
                                           .arg(set.entries.size())
                                           .arg(unread)
                                           .arg(QDir::toNativeSeparators(path)));
            failed += unread > 0;
            continue;
        }
        KeepOnly(set, *file);
        if (!options.restoreFile.isEmpty()) {
            jobs::ParameterJobOptions one = jobOptions;
            one.address = address;
            const int status = RestoreDrive(runner, one, set, *file, prefix);
            if (status == kExitNoPort) return kExitNoPort;
            failed += status != 0;
            continue;
        }
        compared.push_back(address);
        sets.push_back(std::move(set));
    }
    if (!options.backupFile.isEmpty() || !options.restoreFile.isEmpty()) {
        PrintLine(stdout, QCoreApplication::translate("SeveralDrives", "%1 of %2 drive(s) done")
                              .arg(int(options.addresses.size()) - failed)
                              .arg(options.addresses.size()));
        return failed == 0 ? 0 : 1;
    }
    const std::vector<drive::ComparedRow> rows = drive::CompareSeveral(*file, sets);
    PrintTable(referenceName, compared, rows);
    std::vector<bool> differs(compared.size(), false);
    int differing = 0;
    for (const drive::ComparedRow& row : rows) {
        differing += row.differs();
        for (std::size_t d = 0; d < compared.size(); ++d)
            if (row.states[d] != drive::Comparison::Equal) differs[d] = true;
    }
    PrintLine(stdout, QCoreApplication::translate("SeveralDrives",
                                                  "%1 parameter(s) differ on %2 of %3 drive(s)")
                          .arg(differing)
                          .arg(std::count(differs.begin(), differs.end(), true))
                          .arg(compared.size()));
    return failed == 0 && differing == 0 ? 0 : 1;
}
