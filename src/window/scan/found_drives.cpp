// What the drive finder does with every drive it found: polls them together in the trend
// window ("监视全部") or reads each one's parameters into a folder ("备份全部").
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "exchange/history_file.h"
#include "serial/port_settings.h"
#include "window/scan/scan_window.h"

std::vector<int> ScanWindow::foundDrives(int* baudIndex, int* formatIndex,
                                         QString* elsewhere) const {
    std::vector<int> drives;
    QStringList others;
    if (!scan_) return drives;
    for (const jobs::ScanRow& row : scan_->drives()) {
        if (drives.empty()) {
            *baudIndex = row.baudIndex;
            *formatIndex = row.formatIndex;
        }
        if (row.baudIndex == *baudIndex && row.formatIndex == *formatIndex) {
            if (std::find(drives.begin(), drives.end(), row.address) == drives.end())
                drives.push_back(row.address);
        } else {
            others << tr("drive %1 at %2 baud, %3")
                          .arg(row.address)
                          .arg(serial::BaudRateAt(row.baudIndex))
                          .arg(serial::FormatName(row.formatIndex));
        }
    }
    // One line has one setting: the drives found at another one cannot be served with these.
    *elsewhere =
        others.isEmpty()
            ? QString()
            : tr("Left out, at another line setting: %1").arg(others.join(QStringLiteral("; ")));
    return drives;
}

void ScanWindow::showFoundButtons() {
    const bool found = scan_ && !scan_->drives().empty() && !scanning_ && !backup_;
    watchAllButton->setEnabled(found);
    backupAllButton->setEnabled(found);
}

void ScanWindow::refuse(const QString& reason) {
    status->setStyleSheet(QStringLiteral("color: red;"));
    status->setText(reason);
}

bool ScanWindow::backupAll(const QString& folder, int firstParameter, int lastParameter) {
    int baud = 0, format = 0;
    QString elsewhere;
    const std::vector<int> drives = foundDrives(&baud, &format, &elsewhere);
    if (drives.empty() || scanning_ || backup_) return false;
    // The backup borrows the line as the scan does: not while anything else repeats requests.
    if (const QString refusal = context_().refusal; !refusal.isEmpty()) {
        refuse(refusal);
        return false;
    }
    // Minutes of reading end in the files: a folder that takes none is said before them.
    QString reason;
    if (!QDir().mkpath(folder) ||
        !exchange::CanSave(QDir(folder).filePath(jobs::DriveFileName(drives.front())), &reason)) {
        refuse(exchange::SaveFailureText(folder, reason));
        return false;
    }
    jobs::ParameterJobOptions options;
    options.framing = serial::IsAsciiFormat(format) ? frame::Framing::Ascii : frame::Framing::Rtu;
    backup_ = std::make_unique<jobs::SeveralDrivesRead>(options, drives, firstParameter,
                                                        lastParameter, baud, format);
    if (!runner_.start(backup_.get())) {
        backup_.reset();
        refuse(tr("Another job holds the line; stop it first"));
        return false;
    }
    backupFolder_ = folder;
    status->setStyleSheet(QString());
    status->setText(tr("Reading the parameters of %1 drive(s)…").arg(drives.size()));
    progress->setRange(0, backup_->stepsExpected());
    progress->setValue(0);
    showFoundButtons();
    return true;
}

// Each drive read whole gets its file; a stopped backup keeps the drives finished before.
void ScanWindow::onBackupFinished(bool stopped) {
    if (!backup_) return;
    const std::unique_ptr<jobs::SeveralDrivesRead> backup = std::move(backup_);
    const Context context = context_();
    QStringList saved, failed;
    for (jobs::SeveralDrivesRead::DriveResult result : backup->results()) {
        if (!result.answered) {
            failed << tr("drive %1 did not answer").arg(result.address);
            continue;
        }
        int baud = 0, format = 0;
        QString elsewhere;
        foundDrives(&baud, &format, &elsewhere);
        result.set.line = QStringLiteral("%1, %2 baud, %3")
                              .arg(context.port)
                              .arg(serial::BaudRateAt(baud))
                              .arg(serial::FormatName(format));
        result.set.date = QDateTime::currentDateTime().toString(Qt::ISODate);
        result.set.version = QCoreApplication::applicationVersion();
        const QString path = QDir(backupFolder_).filePath(jobs::DriveFileName(result.address));
        QString error;
        if (exchange::SaveWhole(path, drive::ParameterSetCsv(result.set), &error))
            saved << QString::number(result.address);
        else
            failed << exchange::SaveFailureText(path, error);
    }
    QString text = tr("Parameters of drive(s) %1 saved to %2")
                       .arg(saved.isEmpty() ? tr("none") : saved.join(QStringLiteral(", ")),
                            QDir::toNativeSeparators(backupFolder_));
    if (stopped) text = tr("Stopped. %1").arg(text);
    if (!failed.isEmpty()) text += QStringLiteral("; ") + failed.join(QStringLiteral("; "));
    status->setStyleSheet(failed.isEmpty() && !stopped ? QString() : QStringLiteral("color: red;"));
    status->setText(text);
    showFoundButtons();
}
