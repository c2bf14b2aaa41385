#include "exchange/history_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include "exchange/history_format.h"

#ifdef Q_OS_UNIX
#include <unistd.h>
#elif defined(Q_OS_WIN)
#include <io.h>
#endif

namespace exchange {
namespace {

bool EndsInsideARow(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() == 0) return false;
    file.seek(file.size() - 1);
    return file.read(1) != "\n";
}

// The file's first line, as far as the header goes.
QByteArray FirstLine(const QString& path, qsizetype length) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.read(length);
}

}  // namespace

bool SaveHistory(const QString& path, HistoryFormat format, qsizetype count,
                 const std::function<const ExchangeRecord&(qsizetype)>& record, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = WriteFailureReason(path, file.error(), file.errorString());
        return false;
    }
    if (format == HistoryFormat::Csv) {
        file.write(Utf8ByteOrderMark());
        file.write(CsvHeader().toUtf8());
        for (qsizetype i = 0; i < count; ++i) file.write(CsvRow(record(i)).toUtf8());
    } else {
        for (qsizetype i = 0; i < count; ++i) file.write((TextLine(record(i)) + u'\n').toUtf8());
    }
    if (!file.commit()) {
        *error = WriteFailureReason(path, file.error(), file.errorString());
        return false;
    }
    return true;
}

bool SaveWhole(const QString& path, const QByteArray& bytes, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        *error = WriteFailureReason(path, file.error(), file.errorString());
        return false;
    }
    return true;
}

QString WriteFailureReason(const QString& path, QFileDevice::FileError qtError,
                           const QString& qtText) {
#ifdef Q_OS_WIN
    if (IsWindowsDeviceName(path))
        return QCoreApplication::translate(
                   "SaveFailure", "Windows keeps the name %1 for a device; choose another name")
            .arg(QFileInfo(path).fileName());
#endif
    const QFileInfo file(path);
    const QFileInfo folder(file.absolutePath());
    if (file.isDir())
        return QCoreApplication::translate("SaveFailure", "it is a folder, not a file");
    if (!folder.exists())
        return QCoreApplication::translate("SaveFailure", "the folder %1 does not exist")
            .arg(QDir::toNativeSeparators(folder.absoluteFilePath()));
    if (!folder.isDir())
        return QCoreApplication::translate("SaveFailure", "%1 is not a folder")
            .arg(QDir::toNativeSeparators(folder.absoluteFilePath()));
    if (file.exists() && !file.isWritable())
        return QCoreApplication::translate("SaveFailure", "the file is write-protected");
    if (!folder.isWritable())
        return QCoreApplication::translate(
                   "SaveFailure", "no permission to write in the folder %1; choose another")
            .arg(QDir::toNativeSeparators(folder.absoluteFilePath()));
    if (qtError == QFileDevice::ResourceError)
        return QCoreApplication::translate("SaveFailure", "the disk is full");
    return QCoreApplication::translate("SaveFailure", "the system says: %1").arg(qtText);
}

bool IsWindowsDeviceName(const QString& path) {
    const QString name = QFileInfo(path).fileName().section(QLatin1Char('.'), 0, 0).toUpper();
    static const QStringList kPlain = {QStringLiteral("CON"), QStringLiteral("PRN"),
                                       QStringLiteral("AUX"), QStringLiteral("NUL")};
    if (kPlain.contains(name)) return true;
    return name.size() == 4 &&
           (name.startsWith(QLatin1String("COM")) || name.startsWith(QLatin1String("LPT"))) &&
           name[3] >= u'1' && name[3] <= u'9';
}

bool CanSave(const QString& path, QString* error) {
    QSaveFile trial(path);
    if (trial.open(QIODevice::WriteOnly)) {
        trial.cancelWriting();
        return true;  // the trial file goes with `trial`
    }
    *error = WriteFailureReason(path, trial.error(), trial.errorString());
    return false;
}

QString SaveFailureText(const QString& path, const QString& reason) {
    return QCoreApplication::translate("SaveFailure", "Could not save %1: %2")
        .arg(QDir::toNativeSeparators(path), reason);
}

QByteArray RecordHeader() {
    return Utf8ByteOrderMark() + CsvHeader().toUtf8();
}

bool AppendFile::open(const QString& path, const QByteArray& header, QString* error) {
    file_.setFileName(path);
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Append)) {
        *error = QCoreApplication::translate("SaveFailure", "cannot write %1: %2")
                     .arg(QDir::toNativeSeparators(path),
                          WriteFailureReason(path, file_.error(), file_.errorString()));
        return false;
    }
    if (file_.size() == 0) {
        put(header);
    } else if (FirstLine(path, header.size()) != header) {
        // Rows of other columns under an older header would read as the wrong fields.
        file_.close();
        *error =
            QCoreApplication::translate("SaveFailure", "%1 holds other columns; name a new file")
                .arg(QDir::toNativeSeparators(path));
        return false;
    } else if (EndsInsideARow(path)) {
        // A run killed while writing left half a row; the next starts on a line of its own.
        put(QByteArrayLiteral("\r\n"));
    }
    return true;
}

void AppendFile::writeRow(const QString& row) {
    if (file_.isOpen()) put(row.toUtf8());
}

void AppendFile::put(const QByteArray& bytes) {
    file_.write(bytes);
    file_.flush();
#ifdef Q_OS_UNIX
    ::fdatasync(file_.handle());
#elif defined(Q_OS_WIN)
    ::_commit(file_.handle());
#endif
}

}  // namespace exchange
